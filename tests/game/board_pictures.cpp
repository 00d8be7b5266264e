#include "board_pictures.h"

#include <string.h>

#include <gtest/gtest.h>

void WipeField(Playfield *field)
{
    memset(field->cells, 0, sizeof field->cells);
}

void DrawRows(Playfield *field, int firstRow, std::initializer_list<const char *> rows)
{
    int r = firstRow;
    for (const char *text : rows) {
        EXPECT_EQ(strlen(text), (size_t)BoardColumns) << "row " << r;
        for (int c = 0; c < BoardColumns && text[c]; c++) {
            Cell *cell = &field->cells[r][c];
            cell->occupied = text[c] != '.';
            cell->colour = text[c] == '.' ? 0 : text[c] - '0';
        }
        r++;
    }
}

std::vector<std::string> PictureRows(const Playfield *field, int firstRow, int lastRow)
{
    std::vector<std::string> rows;
    for (int r = firstRow; r <= lastRow; r++) {
        std::string text;
        for (int c = 0; c < BoardColumns; c++) {
            const Cell *cell = &field->cells[r][c];
            text += cell->occupied ? (char)('0' + cell->colour) : '.';
        }
        rows.push_back(text);
    }
    return rows;
}
