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
