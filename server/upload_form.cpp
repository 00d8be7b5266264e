// Decoding and checking of uploaded blocks. Nothing from the client is
// trusted: the field must be there once, be exactly 508 hex digits, and
// carry a block whose checksum and name terminators hold.
#include "upload_form.h"

#include <string.h>

static const char FieldName[] = "Highscore";

void PrepareUploadForms(void)
{
    BuildChecksumTable();
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
    for (int i = 0; i < HighScoreBlockSize; ++i) {
        int high = HexValue(hex[2 * i]);
        int low = HexValue(hex[2 * i + 1]);
        if (high < 0 || low < 0)
            return 0;
        block[i] = (unsigned char)(high * 16 + low);
    }
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
    static const char Digits[] = "0123456789ABCDEF";
    std::string body = std::string(FieldName) + "=";
    for (int i = 0; i < HighScoreBlockSize; ++i) {
        body += Digits[stored[i] >> 4];
        body += Digits[stored[i] & 0x0F];
    }
    return body;
}
