#include "upload_bodies.h"

#include <stdio.h>
#include <string.h>

#include "highscore_block.h"
#include "highscore_block_seams.h"

std::vector<unsigned char> StoredBlock(const std::vector<TestEntry> &entries, void (*spoil)(unsigned char *))
{
    std::vector<unsigned char> block(DefaultHighScoreBlock, DefaultHighScoreBlock + HighScoreBlockSize);
    for (size_t i = 0; i < entries.size(); ++i) {
        WriteEntryName(block.data(), (int)i, entries[i].name.c_str());
        WriteEntryLevel(block.data(), (int)i, entries[i].level);
        WriteEntryScore(block.data(), (int)i, entries[i].score);
        WriteEntryTime(block.data(), (int)i, entries[i].time);
    }
    SetBlockChecksum(block.data());
    if (spoil != NULL)
        spoil(block.data());
    ScrambleBlock(block.data(), HighScoreBlockSize);
    return block;
}

std::string Hex(const std::vector<unsigned char> &bytes, const char *format)
{
    std::string text;
    char two[3];
    for (unsigned char b : bytes) {
        snprintf(two, sizeof two, format, b);
        text += two;
    }
    return text;
}

std::string Form(const std::vector<TestEntry> &entries, void (*spoil)(unsigned char *))
{
    return "Highscore=" + Hex(StoredBlock(entries, spoil));
}

void BreakChecksum(unsigned char *block)
{
    block[HighScoreScoresOffset] ^= 0x01;
}

void UnterminatedName(unsigned char *block)
{
    memset(block + HighScoreNamesOffset + HighScoreNameSlotSize * 3, 'A', HighScoreNameSlotSize);
    SetBlockChecksum(block);
}

std::vector<UploadCase> UploadCases(void)
{
    const std::vector<TestEntry> one = { { "Alice", 7, 4321, 1700000000u } };
    const std::string good = Form(one);
    std::string nonHex = good;
    nonHex[100] = 'G';
    return {
        /* what                         body                                        status listed */
        { "a new result",               good,                                        202,   1 },
        { "the same table again",       good,                                        202,   1 },
        { "lower-case hex digits",      "Highscore=" + Hex(StoredBlock(one), "%02x"), 202,   1 },
        { "no Highscore field",         "Other=" + good.substr(10),                  400,   1 },
        { "an empty body",              "",                                          400,   1 },
        { "506 hex digits",             good.substr(0, good.size() - 2),             400,   1 },
        { "a non-hex digit",            nonHex,                                      400,   1 },
        { "a wrong checksum",           Form(one, BreakChecksum),                    400,   1 },
        { "a name without terminator",  Form(one, UnterminatedName),                 400,   1 },
        { "the field twice",            good + "&" + good,                           400,   1 },
        { "a table with no results",    Form({}),                                    200,   1 },
        { "a second result added",
          Form({ { "Alice", 7, 4321, 1700000000u }, { "Bob", 3, 120, 1700000100u } }), 202,   2 },
    };
}
