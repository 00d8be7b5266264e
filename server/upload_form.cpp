// Decoding and checking of uploaded blocks. Nothing from the client is
// trusted: the field must be there once, be exactly 508 hex digits, and
// carry a block whose checksum and name terminators hold.
#include "upload_form.h"
#include "upload_form_seams.h"

#include <string.h>

static const char FieldName[] = "Highscore";

// The value of the one field named Highscore; 0 when it is missing or given
// more than once.
static int FindField(const std::string &body, std::string *value)
{
    int found = 0;
    size_t start = 0;
    while (start <= body.size()) {
        size_t end = body.find('&', start);
        if (end == std::string::npos)
            end = body.size();
        size_t equals = body.find('=', start);
        if (equals != std::string::npos && equals < end &&
            body.compare(start, equals - start, FieldName) == 0) {
            if (++found > 1)
                return 0;
            *value = body.substr(equals + 1, end - equals - 1);
        }
        start = end + 1;
    }
    return found == 1 ? 1 : 0;
}

int ReadUploadForm(const std::string &body, unsigned char *block)
{
    if (body.size() > UploadBodyLimit)
        return 0;
    std::string hex;
    if (!FindField(body, &hex) || hex.size() != UploadHexLength)
        return 0;
    if (!DecodeHex(hex.data(), HighScoreBlockSize, block))
        return 0;
    ScrambleBlock(block, HighScoreBlockSize);
    return BlockChecksumMatches(block) && NameSlotsTerminated(block) ? 1 : 0;
}

int CollectEntries(const unsigned char *block, ScoreEntry *entries)
{
    int count = 0;
    for (int i = 0; i < HighScoreEntryCount; ++i) {
        uint32_t score = ReadEntryScore(block, i);
        if (score == 0)
            continue;
        ScoreEntry *entry = &entries[count++];
        ReadEntryName(block, i, entry->name, sizeof entry->name);
        entry->level = ReadEntryLevel(block, i);
        entry->score = score;
        entry->time = ReadEntryTime(block, i);
    }
    return count;
}

std::string FormatUploadForm(const unsigned char *stored)
{
    char hex[UploadHexLength];
    EncodeHex(stored, HighScoreBlockSize, hex);
    return std::string(FieldName) + "=" + std::string(hex, sizeof hex);
}
