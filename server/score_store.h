// The global list: every result ever uploaded, once, with the address it
// came from and when it arrived, in a SQLite file or a PostgreSQL database.
// Writes from all request threads are gathered into shared transactions; a
// caller returns only after its transaction has committed.
#ifndef PELLORIN_SCORE_STORE_H
#define PELLORIN_SCORE_STORE_H

#include <stdint.h>

#include <string>
#include <vector>

#include "deny_list.h"
#include "upload_form.h"

enum {
    GlobalListSize = 100,
    DefaultStorePoolSize = 4
};

// Opens (creating and migrating if needed) the database and starts the
// writer. A postgresql:// or postgres:// URI names a PostgreSQL database,
// anything else a SQLite file. 1/0.
int OpenScoreStore(const char *path);
void CloseScoreStore(void);

// Connections to a PostgreSQL database per process for reads, besides the
// writer's own; set before opening.
void SetScoreStorePoolSize(int size);

// The database named for a log line: a URI's password replaced by "***".
std::string ScoreStoreDisplayName(const char *where);

// Stores each entry unless the same name, level, score and time is already
// there, with the address (text, IPv4 or IPv6) it came from. standing := 1
// when at least one of the entries is now among the best GlobalListSize
// results. 1 once committed, 0 when the database failed or is unreachable.
int StoreEntries(const ScoreEntry *entries, int count, const char *address, int *standing);

// The best results, best first: higher score, then earlier time, then
// earlier arrival. Returns how many were read (at most max), -1 on failure.
int ReadBestEntries(ScoreEntry *entries, int max);

// 1 when the database answers now.
int ScoreStoreHealthy(void);

// 1 when uploads from address are refused. Reads a copy of the deny list
// that is refreshed from the database every second.
int AddressDenied(const char *address);

// A result as stored, for moderation and copying.
struct StoredResult {
    int64_t id;                      // order of arrival
    ScoreEntry entry;
    char address[StoredAddressSize];   // "" when not known (stored before addresses were)
    int64_t received;                // seconds since 1970 UTC; 0 when not known
};

// The latest results, newest first; how many, -1 on failure.
int ReadLatestResults(std::vector<StoredResult> *results, int max);
// Every result in order of arrival; 1/0.
int ReadAllResults(std::vector<StoredResult> *results);
// Adds results keeping their ids, in one transaction, into a database that
// holds none. 1/0 (0 also when results are already there).
int ImportResults(const std::vector<StoredResult> &results);

// How many results were removed, -1 on failure.
int RemoveResult(int64_t id);
int RemoveResultsFrom(const char *address);

// The deny list in canonical range text. Add and remove answer 1 when the
// list changed, 0 when it had (or lacked) the range already, -1 on failure.
int AddDeniedRange(const AddressRange *range);
int RemoveDeniedRange(const AddressRange *range);
int ReadDeniedRanges(std::vector<std::string> *ranges);

#endif
