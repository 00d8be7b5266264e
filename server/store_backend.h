// What each database behind the score store provides. The front
// (score_store.cpp) queues uploads and hands them to the backend's writer in
// batches; one backend is open per process.
#ifndef PELLORIN_STORE_BACKEND_H
#define PELLORIN_STORE_BACKEND_H

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "score_store.h"

struct PendingStore {
    const ScoreEntry *entries;
    int count;
    char address[StoredAddressSize];
    int64_t received;
    int standing;   // set by the backend
    int result;     // set by the backend: 1 committed, 0 not
};

struct StoreBackend {
    int (*open)(const char *where, int poolSize);
    void (*close)(void);
    // One transaction for the whole batch; every pending gets its result.
    void (*commitBatch)(PendingStore *const *batch, size_t count);
    int (*readBest)(ScoreEntry *entries, int max);
    int (*healthy)(void);
    int (*readLatest)(std::vector<StoredResult> *results, int max);
    int (*readAll)(std::vector<StoredResult> *results);
    int (*import)(const std::vector<StoredResult> &results);
    int (*removeResult)(int64_t id);
    int (*removeFrom)(const char *address);
    int (*addDenied)(const char *range);
    int (*removeDenied)(const char *range);
    int (*readDenied)(std::vector<std::string> *ranges);
};

extern const StoreBackend SqliteBackend;
extern const StoreBackend PostgresBackend;

struct RankKey {
    int64_t score;
    int64_t time;
    int64_t id;
};

// Whether a stored entry is among the best GlobalListSize, given the key of
// the last place (full: the list has that many). 1 or 0; -1 when it ties the
// last place on score and time and its id (0: unknown) decides.
int EntryStands(int full, const RankKey *cutoff, const ScoreEntry *entry, int64_t id);

// The bytes of the name without its terminator.
int EntryNameLength(const ScoreEntry *entry);

#endif
