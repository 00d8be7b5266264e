// What the block's tests look at beyond its interface.
#ifndef PELLORIN_HIGHSCORE_BLOCK_SEAMS_H
#define PELLORIN_HIGHSCORE_BLOCK_SEAMS_H

#include <array>
#include <stddef.h>
#include <stdint.h>

// The checksum's byte table, fixed when the program is compiled.
extern const std::array<uint16_t, 256> ChecksumTable;

uint16_t BlockChecksum(const unsigned char *bytes, size_t length);
uint16_t StoredChecksum(const unsigned char *block);

// Copies name up to its terminator, at most HighScoreNameMax characters;
// the slot's bytes behind the new terminator keep their content.
void WriteEntryName(unsigned char *block, int entry, const char *name);
// Stores the low 8 bits.
void WriteEntryLevel(unsigned char *block, int entry, unsigned level);
void WriteEntryScore(unsigned char *block, int entry, uint32_t score);
void WriteEntryTime(unsigned char *block, int entry, uint32_t time);

#endif
