#include "highscore_block.h"
#include "highscore_block_seams.h"

#include <gtest/gtest.h>
#include <string.h>

#include <string>

namespace {

class HighScoreBlockTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        memcpy(block, DefaultHighScoreBlock, sizeof block);
    }

    // Scores 1000, 900, ... 100 in entries 0..9, named "P0".."P9".
    void FillDescending()
    {
        for (int i = 0; i < HighScoreEntryCount; ++i) {
            char name[4] = {'P', (char)('0' + i), 0, 0};
            WriteEntryName(block, i, name);
            WriteEntryLevel(block, i, (unsigned)(i + 1));
            WriteEntryScore(block, i, (uint32_t)(1000 - 100 * i));
            WriteEntryTime(block, i, (uint32_t)(5000 + i));
        }
    }

    std::string Name(int entry)
    {
        char text[32];
        ReadEntryName(block, entry, text, sizeof text);
        return text;
    }

    unsigned char block[HighScoreBlockSize];
};

TEST_F(HighScoreBlockTest, ChecksumTableHasTheKnownEntries)
{
    static const struct {
        int index;
        uint16_t value;
    } known[] = {
        // index  value
        {0, 0x0000},
        {1, 0xF1EF},
        {2, 0xF3FF},
        {3, 0x0210},
        {4, 0xF7DF},
        {8, 0xFF9F},
        {16, 0xEF1F},
    };
    for (const auto &row : known)
        EXPECT_EQ(ChecksumTable[row.index], row.value) << "index " << row.index;
}

TEST_F(HighScoreBlockTest, ChecksumTableIsLinearWithPeriod32)
{
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(ChecksumTable[i], ChecksumTable[i % 32]) << "index " << i;
        for (int j = 0; j < 256; ++j)
            ASSERT_EQ(ChecksumTable[i ^ j], ChecksumTable[i] ^ ChecksumTable[j]) << i << " ^ " << j;
    }
}

TEST_F(HighScoreBlockTest, ChecksumCheckValues)
{
    static const struct {
        const char *text;
        uint16_t sum;
    } cases[] = {
        // bytes         checksum (a CRC-16/CCITT-FALSE would give 0x29B1 for the digits)
        {"123456789", 0x85CF},
        {"abc", 0x89AF},
        {"", 0xFFFF},
    };
    for (const auto &c : cases)
        EXPECT_EQ(BlockChecksum((const unsigned char *)c.text, strlen(c.text)), c.sum) << c.text;
    EXPECT_EQ(BlockChecksum(DefaultHighScoreBlock, HighScoreChecksumLength), 0x13E0);
}

TEST_F(HighScoreBlockTest, DefaultBlockLayout)
{
    EXPECT_EQ(block[0], 0);
    EXPECT_EQ(block[1], 0);
    for (int i = 0; i < HighScoreEntryCount; ++i) {
        const unsigned char *slot = block + HighScoreNamesOffset + 16 * i;
        EXPECT_EQ(memcmp(slot, "Not Used\0\0\0\0\0\0\0\0", 16), 0) << "entry " << i;
        EXPECT_EQ(ReadEntryLevel(block, i), 1u);
        EXPECT_EQ(ReadEntryScore(block, i), 0u);
        EXPECT_EQ(ReadEntryTime(block, i), 0u);
    }
    EXPECT_EQ(StoredChecksum(block), 0);
    SetBlockChecksum(block);
    EXPECT_EQ(block[252], 0xE0);
    EXPECT_EQ(block[253], 0x13);
    EXPECT_EQ(BlockChecksumMatches(block), 1);
}

TEST_F(HighScoreBlockTest, ScrambleTwiceRestoresAndRepeatsEvery16Bytes)
{
    unsigned char bytes[HighScoreBlockSize];
    for (int i = 0; i < HighScoreBlockSize; ++i)
        bytes[i] = (unsigned char)(i * 7 + 3);
    unsigned char original[HighScoreBlockSize];
    memcpy(original, bytes, sizeof bytes);

    ScrambleBlock(bytes, sizeof bytes);
    EXPECT_NE(memcmp(bytes, original, sizeof bytes), 0);
    ScrambleBlock(bytes, sizeof bytes);
    EXPECT_EQ(memcmp(bytes, original, sizeof bytes), 0);

    unsigned char zero[HighScoreBlockSize] = {0};
    ScrambleBlock(zero, sizeof zero);
    EXPECT_EQ(zero[0], 0x3C);
    EXPECT_EQ(zero[16], 0x3C);
    EXPECT_EQ(zero[15], 0x11);
    for (int i = 16; i < HighScoreBlockSize; ++i)
        ASSERT_EQ(zero[i], zero[i - 16]) << "position " << i;
}

// The checksum sees only the low five bits of each byte.
TEST_F(HighScoreBlockTest, ChecksumCatchesLowFiveBitChangesOnly)
{
    FillDescending();
    SetBlockChecksum(block);
    for (int offset = 0; offset < HighScoreChecksumLength; ++offset) {
        for (int mask = 1; mask < 256; ++mask) {
            unsigned char changed[HighScoreBlockSize];
            memcpy(changed, block, sizeof changed);
            changed[offset] ^= (unsigned char)mask;
            int caught = BlockChecksumMatches(changed) == 0;
            ASSERT_EQ(caught, (mask & 0x1F) != 0) << "offset " << offset << " mask " << mask;
        }
    }
}

TEST_F(HighScoreBlockTest, EntriesAreLittleEndian)
{
    WriteEntryScore(block, 3, 0x01020304u);
    WriteEntryTime(block, 9, 0xA1B2C3D4u);
    WriteEntryLevel(block, 2, 259);
    const unsigned char score[4] = {0x04, 0x03, 0x02, 0x01};
    const unsigned char time[4] = {0xD4, 0xC3, 0xB2, 0xA1};
    EXPECT_EQ(memcmp(block + 172 + 12, score, 4), 0);
    EXPECT_EQ(memcmp(block + 212 + 36, time, 4), 0);
    EXPECT_EQ(block[162 + 2], 3);
    EXPECT_EQ(ReadEntryScore(block, 3), 0x01020304u);
    EXPECT_EQ(ReadEntryTime(block, 9), 0xA1B2C3D4u);
    EXPECT_EQ(ReadEntryLevel(block, 2), 3u);
}

TEST_F(HighScoreBlockTest, FindPlace)
{
    FillDescending();
    static const struct {
        uint32_t score;
        int place;
    } cases[] = {
        // score       place
        {2000, 0},
        {1000, 0},  // equal scores go above
        {999, 1},
        {900, 1},
        {101, 9},
        {100, 9},
        {99, 10},
        {0, 10},
        {0x80000000u, 0},  // compared unsigned
    };
    for (const auto &c : cases)
        EXPECT_EQ(FindPlace(block, c.score), c.place) << "score " << c.score;

    EXPECT_EQ(FindPlace(DefaultHighScoreBlock, 0), 0);
    WriteEntryScore(block, 9, 0);
    EXPECT_EQ(FindPlace(block, 0), 9);
}

TEST_F(HighScoreBlockTest, InsertAtFirstPlaceMovesAllDown)
{
    FillDescending();
    ASSERT_EQ(InsertHighScore(block, 0, "New", 300, 5000, 77), 1);
    EXPECT_EQ(Name(0), "New");
    EXPECT_EQ(ReadEntryLevel(block, 0), 300u & 0xFF);
    EXPECT_EQ(ReadEntryScore(block, 0), 5000u);
    EXPECT_EQ(ReadEntryTime(block, 0), 77u);
    for (int i = 1; i < HighScoreEntryCount; ++i) {
        char expected[3] = {'P', (char)('0' + i - 1), 0};
        EXPECT_EQ(Name(i), expected);
        EXPECT_EQ(ReadEntryLevel(block, i), (unsigned)i);
        EXPECT_EQ(ReadEntryScore(block, i), (uint32_t)(1000 - 100 * (i - 1)));
        EXPECT_EQ(ReadEntryTime(block, i), (uint32_t)(5000 + i - 1));
    }
}

TEST_F(HighScoreBlockTest, InsertAtTenthPlaceReplacesOnlyTheTenth)
{
    FillDescending();
    unsigned char before[HighScoreBlockSize];
    memcpy(before, block, sizeof block);
    ASSERT_EQ(InsertHighScore(block, 9, "Last", 2, 150, 1), 1);
    EXPECT_EQ(Name(9), "Last");
    EXPECT_EQ(ReadEntryScore(block, 9), 150u);
    EXPECT_EQ(memcmp(block, before, HighScoreNamesOffset + 16 * 9), 0);
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(ReadEntryScore(block, i), ReadEntryScore(before, i));
}

TEST_F(HighScoreBlockTest, InsertOutsideTheTableChangesNothing)
{
    FillDescending();
    unsigned char before[HighScoreBlockSize];
    memcpy(before, block, sizeof block);
    EXPECT_EQ(InsertHighScore(block, 10, "No", 1, 1, 1), 0);
    EXPECT_EQ(InsertHighScore(block, -1, "No", 1, 1, 1), 0);
    EXPECT_EQ(memcmp(block, before, sizeof block), 0);
}

// Bytes behind a terminator and the reserved bytes are covered by the
// checksum, so a read-modify-write must keep them.
TEST_F(HighScoreBlockTest, InsertKeepsReservedBytesAndBytesBehindTerminators)
{
    block[0] = 0xAB;
    block[1] = 0xCD;
    for (int i = 0; i < HighScoreEntryCount; ++i)
        memcpy(block + HighScoreNamesOffset + 16 * i, "Longer name\0xyz", 16);
    WriteEntryName(block, 0, "Ann");

    InsertHighScore(block, 0, "Zed", 1, 10, 0);

    EXPECT_EQ(block[0], 0xAB);
    EXPECT_EQ(block[1], 0xCD);
    const unsigned char *slot0 = block + HighScoreNamesOffset;
    const unsigned char *slot1 = block + HighScoreNamesOffset + 16;
    const unsigned char *slot2 = block + HighScoreNamesOffset + 32;
    EXPECT_EQ(memcmp(slot0, "Zed\0er name\0xyz", 16), 0);
    EXPECT_EQ(memcmp(slot1, "Ann\0er name\0xyz", 16), 0);
    EXPECT_EQ(memcmp(slot2, "Longer name\0xyz", 16), 0);
}

TEST_F(HighScoreBlockTest, NamesAreCutTo14AndStayInTheirSlot)
{
    unsigned char before[HighScoreBlockSize];
    memcpy(before, block, sizeof block);
    InsertHighScore(block, 4, "ABCDEFGHIJKLMNOPQRSTUVWXYZ", 1, 1, 1);
    EXPECT_EQ(Name(4), "ABCDEFGHIJKLMN");
    const unsigned char *slot = block + HighScoreNamesOffset + 16 * 4;
    EXPECT_EQ(slot[14], 0);
    EXPECT_EQ(slot[15], before[HighScoreNamesOffset + 16 * 4 + 15]);
    EXPECT_EQ(Name(5), "Not Used");

    InsertHighScore(block, 0, "", 1, 1, 1);
    EXPECT_EQ(Name(0), "");
    EXPECT_EQ(NameSlotsTerminated(block), 1);
}

TEST_F(HighScoreBlockTest, SlotWithoutTerminatorIsDetectedAndNeverOverrun)
{
    EXPECT_EQ(NameSlotsTerminated(block), 1);
    for (int entry = 0; entry < HighScoreEntryCount; ++entry) {
        unsigned char bad[HighScoreBlockSize];
        memcpy(bad, block, sizeof bad);
        memset(bad + HighScoreNamesOffset + 16 * entry, 'A', 16);
        EXPECT_EQ(NameSlotsTerminated(bad), 0) << "entry " << entry;
    }

    // Read and moved as its first 15 characters, the next slot untouched.
    memset(block + HighScoreNamesOffset, 'A', 16);
    EXPECT_EQ(Name(0), std::string(15, 'A'));
    InsertHighScore(block, 0, "B", 1, 1, 1);
    EXPECT_EQ(Name(1), std::string(15, 'A'));
    EXPECT_EQ(block[HighScoreNamesOffset + 16 + 15], 0);
    EXPECT_EQ(Name(2), "Not Used");

    char small[5];
    ReadEntryName(block, 1, small, sizeof small);
    EXPECT_STREQ(small, "AAAA");
}

TEST_F(HighScoreBlockTest, EncodeHexWritesUpperCaseHighNibbleFirstWithoutTerminator)
{
    const unsigned char bytes[] = { 0x0F, 0xA5, 0x00, 0xFF };
    char out[10];
    memset(out, '#', sizeof out);
    EncodeHex(bytes, sizeof bytes, out);
    EXPECT_EQ(std::string(out, 10), "0FA500FF##");
}

TEST_F(HighScoreBlockTest, DecodeHexTakesEitherCaseAndRefusesAnyOtherCharacter)
{
    static const struct {
        const char *hex;
        int ok;
        unsigned char bytes[2];
    } cases[] = {
        /* hex     ok  bytes */
        { "0fA5",  1,  { 0x0F, 0xA5 } },
        { "FF00",  1,  { 0xFF, 0x00 } },
        { "0G12",  0,  { 0, 0 } },
        { "12 3",  0,  { 0, 0 } },
        { "12-3",  0,  { 0, 0 } },
    };
    for (const auto &c : cases) {
        unsigned char out[2] = {};
        EXPECT_EQ(DecodeHex(c.hex, 2, out), c.ok) << c.hex;
        if (c.ok) {
            EXPECT_EQ(memcmp(out, c.bytes, 2), 0) << c.hex;
        }
    }
}

TEST_F(HighScoreBlockTest, HexOfABlockDecodesToTheSameBytes)
{
    FillDescending();
    SetBlockChecksum(block);
    char hex[2 * HighScoreBlockSize];
    EncodeHex(block, HighScoreBlockSize, hex);
    unsigned char back[HighScoreBlockSize];
    ASSERT_EQ(DecodeHex(hex, HighScoreBlockSize, back), 1);
    EXPECT_EQ(memcmp(back, block, HighScoreBlockSize), 0);
}

}  // namespace
