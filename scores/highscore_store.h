// The high-score block kept in the registry value HighScore: read, checked
// and written back whole on every use; never held between uses.
#ifndef PELLORIN_HIGHSCORE_STORE_H
#define PELLORIN_HIGHSCORE_STORE_H

enum class BlockOutcome {
    Missing = 0,  // no readable value: absent, too long, or the key failed
    Invalid = 1,  // read, but not a block this program wrote; not to be used
    Valid = 2     // the block holds the unscrambled record
};

// block: 254 bytes.
BlockOutcome ReadHighScoreBlock(unsigned char *block);
// Sets the block's checksum field, stores a scrambled copy; 1 on success.
int WriteHighScoreBlock(unsigned char *block);
// The stored bytes as they are, scrambled and unchecked; a shorter value
// fills only the front of stored. 1 when a value was read.
int ReadStoredHighScores(unsigned char *stored);

#endif
