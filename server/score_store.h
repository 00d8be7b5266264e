// The global list: every result ever uploaded, once, in one SQLite file.
// Writes from all request threads are gathered into shared transactions; a
// caller returns only after its transaction is on disk.
#ifndef PELLORIN_SCORE_STORE_H
#define PELLORIN_SCORE_STORE_H

#include "upload_form.h"

enum {
    GlobalListSize = 100
};

// Opens (creating if needed) the database and starts the writer. 1/0.
int OpenScoreStore(const char *path);
void CloseScoreStore(void);

// Stores each entry unless the same name, level, score and time is already
// there, with the address (text, IPv4 or IPv6) it came from. standing := 1
// when at least one of the entries is now among the best GlobalListSize
// results. 1 once committed, 0 when the database failed.
int StoreEntries(const ScoreEntry *entries, int count, const char *address, int *standing);

// The best results, best first: higher score, then earlier time, then
// earlier arrival. Returns how many were read (at most max), -1 on failure.
int ReadBestEntries(ScoreEntry *entries, int max);

// 1 when the database answers now.
int ScoreStoreHealthy(void);

// 1 when uploads from address are refused.
int AddressDenied(const char *address);

#endif
