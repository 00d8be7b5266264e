// SQLite in WAL mode with synchronous=FULL: a commit returns once the log is
// synced. One writer thread commits whatever uploads have queued up in one
// transaction, so concurrent uploads share a sync; reads use a connection of
// their own and do not wait for the writer.
#include "score_store.h"

#include <sqlite3.h>
#include <string.h>

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

struct PendingStore {
    const ScoreEntry *entries;
    int count;
    int standing;
    int result;
    int done;
};

static sqlite3 *WriteDb;
static sqlite3 *ReadDb;
static sqlite3_stmt *InsertEntry;
static sqlite3_stmt *FindEntry;
static sqlite3_stmt *FindCutoff;
static sqlite3_stmt *SelectBest;
static std::mutex ReadLock;

static std::mutex QueueLock;
static std::condition_variable QueueFilled;
static std::condition_variable BatchDone;
static std::vector<PendingStore *> Queue;
static std::thread Writer;
static bool Stopping;

static const char SchemaSql[] =
    "CREATE TABLE IF NOT EXISTS entries ("
    " id INTEGER PRIMARY KEY,"
    " name BLOB NOT NULL,"
    " level INTEGER NOT NULL,"
    " score INTEGER NOT NULL,"
    " time INTEGER NOT NULL,"
    " UNIQUE (name, level, score, time));"
    "CREATE INDEX IF NOT EXISTS entries_by_rank ON entries (score DESC, time, id);";

// The order of the list, best first.
#define RANK_ORDER "score DESC, time, id"

static int Exec(sqlite3 *db, const char *sql)
{
    return sqlite3_exec(db, sql, NULL, NULL, NULL) == SQLITE_OK ? 1 : 0;
}

static int Prepare(sqlite3 *db, const char *sql, sqlite3_stmt **statement)
{
    return sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, statement, NULL) == SQLITE_OK ? 1 : 0;
}

static int OpenConnection(const char *path, sqlite3 **db)
{
    if (sqlite3_open_v2(path, db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, NULL) !=
        SQLITE_OK)
        return 0;
    sqlite3_busy_timeout(*db, 5000);
    return 1;
}

// journal_mode answers with the mode it could set, which must be WAL.
static int UseWriteAheadLog(sqlite3 *db)
{
    sqlite3_stmt *statement = NULL;
    if (sqlite3_prepare_v2(db, "PRAGMA journal_mode=WAL", -1, &statement, NULL) != SQLITE_OK)
        return 0;
    const char *mode = NULL;
    if (sqlite3_step(statement) == SQLITE_ROW)
        mode = (const char *)sqlite3_column_text(statement, 0);
    int ok = mode != NULL && sqlite3_stricmp(mode, "wal") == 0;
    sqlite3_finalize(statement);
    return ok;
}

static int NameLength(const ScoreEntry *entry)
{
    int n = 0;
    while (n < (int)sizeof entry->name - 1 && entry->name[n] != 0)
        ++n;
    return n;
}

// Inserts the entry unless present; id := its row, new or old.
static int InsertOne(const ScoreEntry *entry, sqlite3_int64 *id)
{
    sqlite3_stmt *statements[2] = { InsertEntry, FindEntry };
    for (sqlite3_stmt *s : statements) {
        sqlite3_reset(s);
        sqlite3_bind_blob(s, 1, entry->name, NameLength(entry), SQLITE_STATIC);
        sqlite3_bind_int64(s, 2, entry->level);
        sqlite3_bind_int64(s, 3, entry->score);
        sqlite3_bind_int64(s, 4, entry->time);
    }
    if (sqlite3_step(InsertEntry) != SQLITE_DONE)
        return 0;
    int found = sqlite3_step(FindEntry) == SQLITE_ROW;
    if (found)
        *id = sqlite3_column_int64(FindEntry, 0);
    sqlite3_reset(FindEntry);
    return found;
}

struct RankKey {
    sqlite3_int64 score;
    sqlite3_int64 time;
    sqlite3_int64 id;
};

// 1 when a ranks at or above b.
static int RanksAtOrAbove(const RankKey &a, const RankKey &b)
{
    if (a.score != b.score)
        return a.score > b.score;
    if (a.time != b.time)
        return a.time < b.time;
    return a.id <= b.id;
}

// The key of the last place of the list; 0 when the list is not full.
static int ReadCutoff(RankKey *cutoff)
{
    sqlite3_reset(FindCutoff);
    sqlite3_bind_int(FindCutoff, 1, GlobalListSize - 1);
    int full = sqlite3_step(FindCutoff) == SQLITE_ROW;
    if (full) {
        cutoff->score = sqlite3_column_int64(FindCutoff, 0);
        cutoff->time = sqlite3_column_int64(FindCutoff, 1);
        cutoff->id = sqlite3_column_int64(FindCutoff, 2);
    }
    sqlite3_reset(FindCutoff);
    return full;
}

// One transaction for the whole batch; on any failure nothing of it stays.
static void CommitBatch(const std::vector<PendingStore *> &batch)
{
    std::vector<std::vector<RankKey>> keys(batch.size());
    int ok = Exec(WriteDb, "BEGIN IMMEDIATE");
    for (size_t b = 0; ok && b < batch.size(); ++b) {
        for (int i = 0; ok && i < batch[b]->count; ++i) {
            const ScoreEntry *entry = &batch[b]->entries[i];
            RankKey key = { entry->score, entry->time, 0 };
            ok = InsertOne(entry, &key.id);
            keys[b].push_back(key);
        }
    }
    RankKey cutoff = {};
    int full = ok ? ReadCutoff(&cutoff) : 0;
    if (ok)
        ok = Exec(WriteDb, "COMMIT");
    if (!ok)
        Exec(WriteDb, "ROLLBACK");
    for (size_t b = 0; b < batch.size(); ++b) {
        batch[b]->result = ok;
        batch[b]->standing = 0;
        for (const RankKey &key : keys[b]) {
            if (!full || RanksAtOrAbove(key, cutoff))
                batch[b]->standing = 1;
        }
    }
}

static void RunWriter(void)
{
    std::unique_lock<std::mutex> lock(QueueLock);
    for (;;) {
        QueueFilled.wait(lock, [] { return Stopping || !Queue.empty(); });
        if (Queue.empty())
            return;
        std::vector<PendingStore *> batch;
        batch.swap(Queue);
        lock.unlock();
        CommitBatch(batch);
        lock.lock();
        for (PendingStore *pending : batch)
            pending->done = 1;
        BatchDone.notify_all();
    }
}

int StoreEntries(const ScoreEntry *entries, int count, const char *address, int *standing)
{
    (void)address;
    PendingStore pending = { entries, count, 0, 0, 0 };
    std::unique_lock<std::mutex> lock(QueueLock);
    if (Stopping || WriteDb == NULL)
        return 0;
    Queue.push_back(&pending);
    QueueFilled.notify_one();
    BatchDone.wait(lock, [&] { return pending.done != 0; });
    *standing = pending.standing;
    return pending.result;
}

int ReadBestEntries(ScoreEntry *entries, int max)
{
    std::lock_guard<std::mutex> lock(ReadLock);
    if (SelectBest == NULL)
        return -1;
    sqlite3_reset(SelectBest);
    sqlite3_bind_int(SelectBest, 1, max);
    int count = 0;
    int step;
    while (count < max && (step = sqlite3_step(SelectBest)) == SQLITE_ROW) {
        ScoreEntry *entry = &entries[count++];
        int length = sqlite3_column_bytes(SelectBest, 0);
        if (length > (int)sizeof entry->name - 1)
            length = (int)sizeof entry->name - 1;
        const void *name = sqlite3_column_blob(SelectBest, 0);
        if (length > 0)
            memcpy(entry->name, name, (size_t)length);
        entry->name[length] = 0;
        entry->level = (uint32_t)sqlite3_column_int64(SelectBest, 1);
        entry->score = (uint32_t)sqlite3_column_int64(SelectBest, 2);
        entry->time = (uint32_t)sqlite3_column_int64(SelectBest, 3);
    }
    int failed = count < max && step != SQLITE_DONE;
    sqlite3_reset(SelectBest);
    return failed ? -1 : count;
}

int ScoreStoreHealthy(void)
{
    std::lock_guard<std::mutex> lock(ReadLock);
    return ReadDb != NULL && Exec(ReadDb, "SELECT 1") ? 1 : 0;
}

int AddressDenied(const char *address)
{
    (void)address;
    return 0;
}

int OpenScoreStore(const char *path)
{
    if (!OpenConnection(path, &WriteDb) ||
        !UseWriteAheadLog(WriteDb) ||
        !Exec(WriteDb, "PRAGMA synchronous=FULL") ||
        !Exec(WriteDb, SchemaSql) ||
        !Prepare(WriteDb, "INSERT OR IGNORE INTO entries (name, level, score, time) VALUES (?1, ?2, ?3, ?4)",
                 &InsertEntry) ||
        !Prepare(WriteDb, "SELECT id FROM entries WHERE name = ?1 AND level = ?2 AND score = ?3 AND time = ?4",
                 &FindEntry) ||
        !Prepare(WriteDb, "SELECT score, time, id FROM entries ORDER BY " RANK_ORDER " LIMIT 1 OFFSET ?1",
                 &FindCutoff) ||
        !OpenConnection(path, &ReadDb) ||
        !Exec(ReadDb, "PRAGMA synchronous=FULL") ||
        !Prepare(ReadDb, "SELECT name, level, score, time FROM entries ORDER BY " RANK_ORDER " LIMIT ?1",
                 &SelectBest)) {
        CloseScoreStore();
        return 0;
    }
    Stopping = false;
    Writer = std::thread(RunWriter);
    return 1;
}

void CloseScoreStore(void)
{
    {
        std::lock_guard<std::mutex> lock(QueueLock);
        Stopping = true;
        QueueFilled.notify_one();
    }
    if (Writer.joinable())
        Writer.join();
    std::lock_guard<std::mutex> lock(ReadLock);
    sqlite3_stmt **statements[] = { &InsertEntry, &FindEntry, &FindCutoff, &SelectBest };
    for (sqlite3_stmt **s : statements) {
        sqlite3_finalize(*s);
        *s = NULL;
    }
    sqlite3_close(ReadDb);
    sqlite3_close(WriteDb);
    ReadDb = NULL;
    WriteDb = NULL;
}
