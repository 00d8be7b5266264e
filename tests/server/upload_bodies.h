// Upload bodies as the game sends them, for the server's tests and benches:
// a stored table with the given results, optionally spoiled after its
// checksum was set.
#ifndef PELLORIN_UPLOAD_BODIES_H
#define PELLORIN_UPLOAD_BODIES_H

#include <stdint.h>

#include <string>
#include <vector>

struct TestEntry {
    std::string name;
    unsigned level;
    uint32_t score;
    uint32_t time;
};

// The entries in the first slots, the rest as in the default table; spoil
// changes the unscrambled bytes after the checksum has been set.
std::vector<unsigned char> StoredBlock(const std::vector<TestEntry> &entries,
                                       void (*spoil)(unsigned char *) = NULL);
std::string Hex(const std::vector<unsigned char> &bytes, const char *format = "%02X");
// The form field Highscore holding StoredBlock(entries, spoil).
std::string Form(const std::vector<TestEntry> &entries, void (*spoil)(unsigned char *) = NULL);

// Spoilers: a checksum that no longer matches; a name slot without terminator.
void BreakChecksum(unsigned char *block);
void UnterminatedName(unsigned char *block);

// Uploads to send one after another to an empty list, each with the status
// it must get and the rows listed after it: good tables, one sent again,
// every way a body can be refused, a table of no results, a second result.
struct UploadCase {
    const char *what;
    std::string body;
    int status;
    size_t listed;
};
std::vector<UploadCase> UploadCases(void);

#endif
