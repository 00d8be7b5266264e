// The high-score block in the registry, through the settings store. The
// stored form is the block with its checksum, scrambled, exactly 254 bytes.
#include "highscore_store.h"

#include "highscore_block.h"
#include "input/settings_store.h"

#include <string.h>

BlockOutcome ReadHighScoreBlock(unsigned char *block)
{
    DWORD delivered;
    if (!ReadSettingBytes(HighScoreValue, block, HighScoreBlockSize, &delivered))
        return BlockOutcome::Missing;
    // A shorter value fills only the front of the block: the checksum would
    // run over bytes it never supplied.
    if (delivered != HighScoreBlockSize)
        return BlockOutcome::Invalid;
    ScrambleBlock(block, HighScoreBlockSize);
    if (!BlockChecksumMatches(block))
        return BlockOutcome::Invalid;
    // Names are written with their terminator inside the slot; a slot
    // without one comes from elsewhere, like a wrong checksum.
    if (!NameSlotsTerminated(block))
        return BlockOutcome::Invalid;
    return BlockOutcome::Valid;
}

int ReadStoredHighScores(unsigned char *stored)
{
    DWORD delivered;
    return ReadSettingBytes(HighScoreValue, stored, HighScoreBlockSize, &delivered);
}

int WriteHighScoreBlock(unsigned char *block)
{
    SetBlockChecksum(block);
    unsigned char stored[HighScoreBlockSize];
    memcpy(stored, block, HighScoreBlockSize);
    ScrambleBlock(stored, HighScoreBlockSize);
    return WriteSetting(HighScoreValue, stored, HighScoreBlockSize);
}
