// The 254-byte record of the ten best results: its layout, default content,
// checksum and scrambling. Portable: the game and the score server share it.
#ifndef PELLORIN_HIGHSCORE_BLOCK_H
#define PELLORIN_HIGHSCORE_BLOCK_H

#include <stddef.h>
#include <stdint.h>

// Byte layout; multi-byte integers are little-endian. Entry i is place i + 1.
enum {
    HighScoreBlockSize = 254,
    HighScoreEntryCount = 10,
    HighScoreReservedOffset = 0,    // 2 bytes, kept as read
    HighScoreNamesOffset = 2,       // 10 slots of 16 bytes, NUL-terminated
    HighScoreNameSlotSize = 16,
    HighScoreLevelsOffset = 162,    // 10 x 1 byte
    HighScoreScoresOffset = 172,    // 10 x 4 bytes
    HighScoreTimesOffset = 212,     // 10 x 4 bytes, seconds since 1970 UTC
    HighScoreChecksumOffset = 252,  // 2 bytes over bytes 0..251
    HighScoreChecksumLength = 252,
    HighScoreNameMax = 14           // characters a new name may have
};

// Ten "Not Used" entries at level 1 with score and time 0; checksum field 0.
extern const unsigned char DefaultHighScoreBlock[HighScoreBlockSize];

// XOR with the key, repeating every 16 bytes; applying it twice restores.
void ScrambleBlock(unsigned char *bytes, size_t length);

// Two upper-case hex digits per byte, high nibble first, no terminator: the
// form in which a stored block travels to the score server.
void EncodeHex(const unsigned char *bytes, size_t count, char *out);
// The reverse for 2 * count digits of either case; 0 at the first other
// character, with out then partly written.
int DecodeHex(const char *hex, size_t count, unsigned char *out);

// Puts the checksum of bytes 0..251 at offset 252.
void SetBlockChecksum(unsigned char *block);
// 1 when the checksum field matches bytes 0..251.
int BlockChecksumMatches(const unsigned char *block);
// 1 when every name slot has a terminator within its 16 bytes.
int NameSlotsTerminated(const unsigned char *block);

// The name of an entry, copied up to its terminator and never past the slot.
void ReadEntryName(const unsigned char *block, int entry, char *out, size_t outSize);
unsigned ReadEntryLevel(const unsigned char *block, int entry);
uint32_t ReadEntryScore(const unsigned char *block, int entry);
uint32_t ReadEntryTime(const unsigned char *block, int entry);

// Index 0..9 at which score belongs, above equal scores; 10 when it has no place.
int FindPlace(const unsigned char *block, uint32_t score);
// Moves entries place..8 one down (the tenth is lost) and fills entry place.
// Returns 0 and changes nothing when place is not 0..9.
int InsertHighScore(unsigned char *block, int place, const char *name, unsigned level,
                    uint32_t score, uint32_t time);

#endif
