// The upload as it arrives: a urlencoded form whose one field Highscore holds
// the stored high-score block as 508 hex digits.
#ifndef PELLORIN_UPLOAD_FORM_H
#define PELLORIN_UPLOAD_FORM_H

#include <stdint.h>
#include <string>

#include "highscore_block.h"

enum {
    UploadHexLength = 2 * HighScoreBlockSize,
    UploadBodyLimit = 4096
};

struct ScoreEntry {
    char name[HighScoreNameSlotSize];  // bytes of the client's code page, terminated
    uint32_t level;
    uint32_t score;
    uint32_t time;                     // seconds since 1970 UTC
};

// 1 when the body holds exactly one Highscore field with a block that
// unscrambles to a matching checksum and ten terminated names; the block is
// then left unscrambled in block. 0 for anything else.
int ReadUploadForm(const std::string &body, unsigned char *block);

// The entries of a checked block that hold a result (score above 0), in
// block order; returns how many, at most ten.
int CollectEntries(const unsigned char *block, ScoreEntry *entries);

#endif
