// Any 254 bytes as a stored high-score block: the checks, the readers and
// the round trip through the upload form. A block the form accepts comes
// back out of it unchanged, and no block the checks reject gets in.
#include <assert.h>
#include <stdint.h>
#include <string.h>

#include <string>

#include "highscore_block.h"
#include "upload_form.h"
#include "upload_form_seams.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    unsigned char stored[HighScoreBlockSize] = {};
    memcpy(stored, data, size < sizeof stored ? size : sizeof stored);
    // A block whose checksum is set from the input's last bytes' choice, so
    // that valid blocks are reached as often as broken ones.
    if (size > sizeof stored && (data[sizeof stored] & 1) != 0) {
        ScrambleBlock(stored, sizeof stored);
        SetBlockChecksum(stored);
        ScrambleBlock(stored, sizeof stored);
    }

    unsigned char plain[HighScoreBlockSize];
    memcpy(plain, stored, sizeof plain);
    ScrambleBlock(plain, sizeof plain);
    unsigned char again[HighScoreBlockSize];
    memcpy(again, plain, sizeof again);
    ScrambleBlock(again, sizeof again);
    assert(memcmp(again, stored, sizeof stored) == 0);

    int valid = BlockChecksumMatches(plain) && NameSlotsTerminated(plain);
    unsigned char decoded[HighScoreBlockSize];
    int accepted = ReadUploadForm(FormatUploadForm(stored), decoded);
    assert(accepted == valid);
    if (accepted)
        assert(memcmp(decoded, plain, sizeof plain) == 0);
    for (int i = 0; i < HighScoreEntryCount; ++i) {
        char name[HighScoreNameSlotSize];
        ReadEntryName(plain, i, name, sizeof name);
        assert(strlen(name) < sizeof name);
        ReadEntryLevel(plain, i);
        ReadEntryScore(plain, i);
        ReadEntryTime(plain, i);
    }
    return 0;
}
