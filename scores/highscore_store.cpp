// The high-score block in the registry, through the settings store. The
// stored form is the block with its checksum, scrambled, exactly 254 bytes.
#include "highscore_store.h"

#include "highscore_block.h"
#include "input/settings_store.h"

#include <string.h>

// The settings store's name of HighScoreValue, needed to ask for its size.
static const char HighScoreValueName[] = "HighScore";

// Size in bytes of the stored value, or -1 when it cannot be queried.
static long StoredHighScoreSize(void)
{
    HKEY key;
    if (!OpenSettingsKey(&key))
        return -1;
    DWORD size = 0;
    LONG result = RegQueryValueExA(key, HighScoreValueName, NULL, NULL, NULL, &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS ? (long)size : -1;
}

BlockOutcome ReadHighScoreBlock(unsigned char *block)
{
    if (!ReadSetting(HighScoreValue, block, HighScoreBlockSize))
        return BlockOutcome::Missing;
    // A shorter value fills only the front of the block: the checksum would
    // run over bytes it never supplied.
    if (StoredHighScoreSize() != HighScoreBlockSize)
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

int WriteHighScoreBlock(unsigned char *block)
{
    SetBlockChecksum(block);
    unsigned char stored[HighScoreBlockSize];
    memcpy(stored, block, HighScoreBlockSize);
    ScrambleBlock(stored, HighScoreBlockSize);
    return WriteSetting(HighScoreValue, stored, HighScoreBlockSize);
}
