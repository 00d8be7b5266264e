// Boards drawn as text for the tests: one string per row, '.' an empty cell,
// '0'..'6' a block of that colour.
#ifndef PELLORIN_TEST_BOARD_PICTURES_H
#define PELLORIN_TEST_BOARD_PICTURES_H

#include <initializer_list>
#include <string>
#include <vector>

#include "playfield.h"

// Every cell empty, colour 0, mask 0.
void WipeField(Playfield *field);

// Rows from firstRow down, each exactly 10 characters.
void DrawRows(Playfield *field, int firstRow, std::initializer_list<const char *> rows);

std::vector<std::string> PictureRows(const Playfield *field, int firstRow, int lastRow);

#endif
