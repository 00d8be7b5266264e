// The high-score record's bytes. The checksum table tests bit 12 rather than
// bit 15: blocks already stored and uploaded carry checksums made this way,
// so a standard CRC-16 must not take its place.
#include "highscore_block.h"
#include "highscore_block_seams.h"

#include <string.h>

// Everything behind the levels (scores, times, checksum) is zero.
const unsigned char DefaultHighScoreBlock[HighScoreBlockSize] = {
    0, 0,
    'N', 'o', 't', ' ', 'U', 's', 'e', 'd', 0, 0, 0, 0, 0, 0, 0, 0,
    'N', 'o', 't', ' ', 'U', 's', 'e', 'd', 0, 0, 0, 0, 0, 0, 0, 0,
    'N', 'o', 't', ' ', 'U', 's', 'e', 'd', 0, 0, 0, 0, 0, 0, 0, 0,
    'N', 'o', 't', ' ', 'U', 's', 'e', 'd', 0, 0, 0, 0, 0, 0, 0, 0,
    'N', 'o', 't', ' ', 'U', 's', 'e', 'd', 0, 0, 0, 0, 0, 0, 0, 0,
    'N', 'o', 't', ' ', 'U', 's', 'e', 'd', 0, 0, 0, 0, 0, 0, 0, 0,
    'N', 'o', 't', ' ', 'U', 's', 'e', 'd', 0, 0, 0, 0, 0, 0, 0, 0,
    'N', 'o', 't', ' ', 'U', 's', 'e', 'd', 0, 0, 0, 0, 0, 0, 0, 0,
    'N', 'o', 't', ' ', 'U', 's', 'e', 'd', 0, 0, 0, 0, 0, 0, 0, 0,
    'N', 'o', 't', ' ', 'U', 's', 'e', 'd', 0, 0, 0, 0, 0, 0, 0, 0,
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1,
};

enum {
    ScrambleKeySize = 16
};

static const unsigned char ScrambleKey[ScrambleKeySize] = {
    0x3C, 0xA1, 0x07, 0x5E, 0x92, 0xD4, 0x18, 0x6B,
    0xF0, 0x4E, 0x2A, 0x87, 0xC3, 0x59, 0xE6, 0x11,
};

static constexpr std::array<uint16_t, 256> BuildChecksumTable(void)
{
    std::array<uint16_t, 256> table = {};
    for (unsigned i = 0; i < 256; ++i) {
        unsigned a = (i << 8) & 0xFFFF;
        for (int bit = 0; bit < 8; ++bit) {
            if (a & 0x1000)
                a = ((a << 1) ^ 0x1021) & 0xFFFF;
            else
                a = (a << 1) & 0xFFFF;
        }
        table[i] = (uint16_t)a;
    }
    return table;
}

// Computed by the compiler: nothing has to build it before the first checksum.
constexpr std::array<uint16_t, 256> ChecksumTable = BuildChecksumTable();

uint16_t BlockChecksum(const unsigned char *bytes, size_t length)
{
    unsigned c = 0xFFFF;
    for (size_t i = 0; i < length; ++i)
        c = ((c << 8) & 0xFFFF) ^ ChecksumTable[((c >> 8) ^ bytes[i]) & 0xFF];
    return (uint16_t)c;
}

void ScrambleBlock(unsigned char *bytes, size_t length)
{
    for (size_t i = 0; i < length; ++i)
        bytes[i] ^= ScrambleKey[i % ScrambleKeySize];
}

void EncodeHex(const unsigned char *bytes, size_t count, char *out)
{
    static const char Digits[] = "0123456789ABCDEF";
    for (size_t i = 0; i < count; ++i) {
        out[2 * i] = Digits[bytes[i] >> 4];
        out[2 * i + 1] = Digits[bytes[i] & 0x0F];
    }
}

static int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

int DecodeHex(const char *hex, size_t count, unsigned char *out)
{
    for (size_t i = 0; i < count; ++i) {
        int high = HexValue(hex[2 * i]);
        int low = HexValue(hex[2 * i + 1]);
        if (high < 0 || low < 0)
            return 0;
        out[i] = (unsigned char)(high * 16 + low);
    }
    return 1;
}

static uint32_t ReadLe32(const unsigned char *p)
{
    return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
}

static void WriteLe32(unsigned char *p, uint32_t value)
{
    p[0] = (unsigned char)(value & 0xFF);
    p[1] = (unsigned char)((value >> 8) & 0xFF);
    p[2] = (unsigned char)((value >> 16) & 0xFF);
    p[3] = (unsigned char)((value >> 24) & 0xFF);
}

uint16_t StoredChecksum(const unsigned char *block)
{
    const unsigned char *p = block + HighScoreChecksumOffset;
    return (uint16_t)(p[0] | (p[1] << 8));
}

void SetBlockChecksum(unsigned char *block)
{
    uint16_t sum = BlockChecksum(block, HighScoreChecksumLength);
    block[HighScoreChecksumOffset] = (unsigned char)(sum & 0xFF);
    block[HighScoreChecksumOffset + 1] = (unsigned char)(sum >> 8);
}

int BlockChecksumMatches(const unsigned char *block)
{
    return BlockChecksum(block, HighScoreChecksumLength) == StoredChecksum(block) ? 1 : 0;
}

static unsigned char *NameSlot(unsigned char *block, int entry)
{
    return block + HighScoreNamesOffset + HighScoreNameSlotSize * entry;
}

static const unsigned char *NameSlot(const unsigned char *block, int entry)
{
    return block + HighScoreNamesOffset + HighScoreNameSlotSize * entry;
}

int NameSlotsTerminated(const unsigned char *block)
{
    for (int i = 0; i < HighScoreEntryCount; ++i) {
        if (memchr(NameSlot(block, i), 0, HighScoreNameSlotSize) == NULL)
            return 0;
    }
    return 1;
}

// Length of the name in a slot, never counting past 15 characters, so a
// slot without a terminator is read as its first 15 bytes.
static size_t SlotNameLength(const unsigned char *slot)
{
    size_t n = 0;
    while (n < HighScoreNameSlotSize - 1 && slot[n] != 0)
        ++n;
    return n;
}

void ReadEntryName(const unsigned char *block, int entry, char *out, size_t outSize)
{
    if (outSize == 0)
        return;
    const unsigned char *slot = NameSlot(block, entry);
    size_t n = SlotNameLength(slot);
    if (n > outSize - 1)
        n = outSize - 1;
    memcpy(out, slot, n);
    out[n] = 0;
}

unsigned ReadEntryLevel(const unsigned char *block, int entry)
{
    return block[HighScoreLevelsOffset + entry];
}

uint32_t ReadEntryScore(const unsigned char *block, int entry)
{
    return ReadLe32(block + HighScoreScoresOffset + 4 * entry);
}

uint32_t ReadEntryTime(const unsigned char *block, int entry)
{
    return ReadLe32(block + HighScoreTimesOffset + 4 * entry);
}

void WriteEntryName(unsigned char *block, int entry, const char *name)
{
    unsigned char *slot = NameSlot(block, entry);
    size_t n = 0;
    while (n < HighScoreNameMax && name[n] != 0)
        ++n;
    memcpy(slot, name, n);
    slot[n] = 0;
}

void WriteEntryLevel(unsigned char *block, int entry, unsigned level)
{
    block[HighScoreLevelsOffset + entry] = (unsigned char)(level & 0xFF);
}

void WriteEntryScore(unsigned char *block, int entry, uint32_t score)
{
    WriteLe32(block + HighScoreScoresOffset + 4 * entry, score);
}

void WriteEntryTime(unsigned char *block, int entry, uint32_t time)
{
    WriteLe32(block + HighScoreTimesOffset + 4 * entry, time);
}

int FindPlace(const unsigned char *block, uint32_t score)
{
    int place = HighScoreEntryCount;
    for (int i = HighScoreEntryCount - 1; i >= 0; --i) {
        if (score >= ReadEntryScore(block, i))
            place = i;
    }
    return place;
}

// Copies the name as a string up to its terminator; bytes of the target
// slot behind the copied terminator keep their content.
static void MoveEntry(unsigned char *block, int from, int to)
{
    const unsigned char *source = NameSlot(block, from);
    unsigned char *target = NameSlot(block, to);
    size_t n = SlotNameLength(source);
    memcpy(target, source, n);
    target[n] = 0;
    WriteEntryLevel(block, to, ReadEntryLevel(block, from));
    WriteEntryScore(block, to, ReadEntryScore(block, from));
    WriteEntryTime(block, to, ReadEntryTime(block, from));
}

int InsertHighScore(unsigned char *block, int place, const char *name, unsigned level,
                    uint32_t score, uint32_t time)
{
    if (place < 0 || place >= HighScoreEntryCount)
        return 0;
    for (int i = HighScoreEntryCount - 1; i > place; --i)
        MoveEntry(block, i - 1, i);
    WriteEntryName(block, place, name);
    WriteEntryLevel(block, place, level);
    WriteEntryScore(block, place, score);
    WriteEntryTime(block, place, time);
    return 1;
}
