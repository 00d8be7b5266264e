// Any request body through the upload form's decoding, then everything the
// server does with what it accepts: the entries and the list page.
#include <assert.h>
#include <stdint.h>
#include <string.h>

#include <string>

#include "score_pages.h"
#include "upload_form.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string body((const char *)data, size);
    unsigned char block[HighScoreBlockSize];
    if (!ReadUploadForm(body, block))
        return 0;
    // Only a form with the field and 508 hex digits can pass.
    assert(body.size() >= 10 + UploadHexLength);
    ScoreEntry entries[HighScoreEntryCount];
    int count = CollectEntries(block, entries);
    assert(count >= 0 && count <= HighScoreEntryCount);
    for (int i = 0; i < count; ++i) {
        assert(strlen(entries[i].name) < sizeof entries[i].name);
        assert(entries[i].score > 0);
    }
    std::string page = RenderScoreList(entries, count);
    // No name can open markup of its own.
    assert(page.find("<script") == std::string::npos);
    return 0;
}
