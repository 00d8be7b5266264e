// SQLite in WAL mode with synchronous=FULL: a commit returns once the log is
// synced. The writer connection takes the batches and the moderation
// changes; reads use a connection of their own and do not wait for it.
// Every failure is logged with SQLite's message.
#include <sqlite3.h>
#include <stdio.h>
#include <string.h>
#include <time.h>

#include <mutex>

#include "server_log.h"
#include "store_backend.h"

enum {
    SchemaVersion = 1
};

static sqlite3 *writeDb;
static sqlite3 *readDb;
static sqlite3_stmt *insertEntry;
static sqlite3_stmt *findEntry;
static sqlite3_stmt *findCutoff;
static sqlite3_stmt *selectBest;
static std::mutex writeLock;
static std::mutex readLock;

// The version 0 schema (results only) gains the address and the time of
// arrival; results stored before then have neither (NULL).
static const char CreateSchemaSql[] =
    "CREATE TABLE entries ("
    " id INTEGER PRIMARY KEY,"
    " name BLOB NOT NULL,"
    " level INTEGER NOT NULL,"
    " score INTEGER NOT NULL,"
    " time INTEGER NOT NULL,"
    " address TEXT,"
    " received INTEGER,"
    " UNIQUE (name, level, score, time));";
static const char AddColumnsSql[] =
    "ALTER TABLE entries ADD COLUMN address TEXT;"
    "ALTER TABLE entries ADD COLUMN received INTEGER;";
static const char CommonSchemaSql[] =
    "CREATE INDEX IF NOT EXISTS entries_by_rank ON entries (score DESC, time, id);"
    "CREATE TABLE IF NOT EXISTS denied (cidr TEXT PRIMARY KEY, added INTEGER NOT NULL);";

// The order of the list, best first.
#define RANK_ORDER "score DESC, time, id"
#define RESULT_COLUMNS "id, name, level, score, time, address, received"

static void LogFailure(sqlite3 *db, const char *what)
{
    LogLine("database: %s: %s", what, db != NULL ? sqlite3_errmsg(db) : "out of memory");
}

static int Exec(sqlite3 *db, const char *sql)
{
    if (sqlite3_exec(db, sql, NULL, NULL, NULL) == SQLITE_OK)
        return 1;
    LogFailure(db, sql);
    return 0;
}

static int Prepare(sqlite3 *db, const char *sql, sqlite3_stmt **statement)
{
    if (sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, statement, NULL) == SQLITE_OK)
        return 1;
    LogFailure(db, sql);
    return 0;
}

// One step of a statement that returns no row; the statement is reset.
static int StepDone(sqlite3 *db, sqlite3_stmt *statement, const char *what)
{
    int ok = sqlite3_step(statement) == SQLITE_DONE;
    if (!ok)
        LogFailure(db, what);
    sqlite3_reset(statement);
    return ok;
}

static int OpenConnection(const char *path, sqlite3 **db)
{
    if (sqlite3_open_v2(path, db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, NULL) !=
        SQLITE_OK) {
        LogFailure(*db, path);
        return 0;
    }
    sqlite3_busy_timeout(*db, 5000);
    return 1;
}

// The first column of the first row as a number; 1/0.
static int QueryNumber(sqlite3 *db, const char *sql, sqlite3_int64 *value)
{
    sqlite3_stmt *statement = NULL;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, NULL) != SQLITE_OK) {
        LogFailure(db, sql);
        return 0;
    }
    int ok = sqlite3_step(statement) == SQLITE_ROW;
    if (ok)
        *value = sqlite3_column_int64(statement, 0);
    else
        LogFailure(db, sql);
    sqlite3_finalize(statement);
    return ok;
}

// journal_mode answers with the mode it could set, which must be WAL.
static int UseWriteAheadLog(sqlite3 *db)
{
    sqlite3_stmt *statement = NULL;
    if (sqlite3_prepare_v2(db, "PRAGMA journal_mode=WAL", -1, &statement, NULL) != SQLITE_OK) {
        LogFailure(db, "PRAGMA journal_mode=WAL");
        return 0;
    }
    const char *mode = NULL;
    if (sqlite3_step(statement) == SQLITE_ROW)
        mode = (const char *)sqlite3_column_text(statement, 0);
    int ok = mode != NULL && sqlite3_stricmp(mode, "wal") == 0;
    if (!ok)
        LogLine("database: cannot use write-ahead logging: %s", mode != NULL ? mode : sqlite3_errmsg(db));
    sqlite3_finalize(statement);
    return ok;
}

// Creates or brings the schema up to date in one transaction.
static int MigrateSchema(sqlite3 *db)
{
    sqlite3_int64 version = 0;
    sqlite3_int64 tables = 0;
    if (!Exec(db, "BEGIN IMMEDIATE"))
        return 0;
    int ok = QueryNumber(db, "PRAGMA user_version", &version) &&
             QueryNumber(db, "SELECT count(*) FROM sqlite_schema WHERE type = 'table' AND name = 'entries'",
                         &tables);
    if (ok && version > SchemaVersion) {
        LogLine("database: schema version %lld is newer than this server's %d", (long long)version, SchemaVersion);
        ok = 0;
    }
    if (ok && version < 1)
        ok = Exec(db, tables ? AddColumnsSql : CreateSchemaSql);
    if (ok && version < SchemaVersion) {
        ok = Exec(db, CommonSchemaSql) && Exec(db, "PRAGMA user_version = 1");
        if (ok)
            LogLine("database: schema %s to version %d", tables ? "migrated" : "created", SchemaVersion);
    }
    if (ok)
        ok = Exec(db, "COMMIT");
    if (!ok)
        sqlite3_exec(db, "ROLLBACK", NULL, NULL, NULL);
    return ok;
}

static void BindEntry(sqlite3_stmt *s, const ScoreEntry *entry)
{
    sqlite3_bind_blob(s, 1, entry->name, EntryNameLength(entry), SQLITE_STATIC);
    sqlite3_bind_int64(s, 2, entry->level);
    sqlite3_bind_int64(s, 3, entry->score);
    sqlite3_bind_int64(s, 4, entry->time);
}

static void BindOrigin(sqlite3_stmt *s, int first, const char *address, int64_t received)
{
    if (address[0] != 0)
        sqlite3_bind_text(s, first, address, -1, SQLITE_STATIC);
    else
        sqlite3_bind_null(s, first);
    if (received != 0)
        sqlite3_bind_int64(s, first + 1, received);
    else
        sqlite3_bind_null(s, first + 1);
}

// The id of a stored entry; 0 when absent or on failure.
static int64_t FindEntryId(const ScoreEntry *entry)
{
    sqlite3_reset(findEntry);
    BindEntry(findEntry, entry);
    int64_t id = 0;
    int step = sqlite3_step(findEntry);
    if (step == SQLITE_ROW)
        id = sqlite3_column_int64(findEntry, 0);
    else if (step != SQLITE_DONE)
        LogFailure(writeDb, "finding a result");
    sqlite3_reset(findEntry);
    return id;
}

// The key of the last place of the list; 0 when the list is not full or
// on failure (ok := 0).
static int ReadCutoff(RankKey *cutoff, int *ok)
{
    sqlite3_reset(findCutoff);
    sqlite3_bind_int(findCutoff, 1, GlobalListSize - 1);
    int step = sqlite3_step(findCutoff);
    if (step == SQLITE_ROW) {
        cutoff->score = sqlite3_column_int64(findCutoff, 0);
        cutoff->time = sqlite3_column_int64(findCutoff, 1);
        cutoff->id = sqlite3_column_int64(findCutoff, 2);
    } else if (step != SQLITE_DONE) {
        LogFailure(writeDb, "reading the last place");
        *ok = 0;
    }
    sqlite3_reset(findCutoff);
    return step == SQLITE_ROW;
}

// An entry already stored gets no id here (0): one statement per new
// entry, and the rare tie with the last place looks its id up.
static void CommitBatch(PendingStore *const *batch, size_t count)
{
    std::lock_guard<std::mutex> lock(writeLock);
    std::vector<std::vector<int64_t>> ids(count);
    int ok = Exec(writeDb, "BEGIN IMMEDIATE");
    for (size_t b = 0; ok && b < count; ++b) {
        const PendingStore *p = batch[b];
        for (int i = 0; ok && i < p->count; ++i) {
            sqlite3_reset(insertEntry);
            BindEntry(insertEntry, &p->entries[i]);
            BindOrigin(insertEntry, 5, p->address, p->received);
            ok = StepDone(writeDb, insertEntry, "storing a result");
            ids[b].push_back(ok && sqlite3_changes(writeDb) > 0 ? sqlite3_last_insert_rowid(writeDb) : 0);
        }
    }
    RankKey cutoff = {};
    int full = ok ? ReadCutoff(&cutoff, &ok) : 0;
    for (size_t b = 0; ok && b < count; ++b) {
        batch[b]->standing = 0;
        for (int i = 0; i < batch[b]->count && !batch[b]->standing; ++i) {
            const ScoreEntry *entry = &batch[b]->entries[i];
            int stands = EntryStands(full, &cutoff, entry, ids[b][i]);
            if (stands < 0)
                stands = EntryStands(full, &cutoff, entry, FindEntryId(entry)) > 0;
            batch[b]->standing = stands;
        }
    }
    if (ok)
        ok = Exec(writeDb, "COMMIT");
    if (!ok)
        sqlite3_exec(writeDb, "ROLLBACK", NULL, NULL, NULL);
    for (size_t b = 0; b < count; ++b) {
        batch[b]->result = ok;
        if (!ok)
            batch[b]->standing = 0;
    }
}

static void ReadEntryColumns(sqlite3_stmt *s, int first, ScoreEntry *entry)
{
    int length = sqlite3_column_bytes(s, first);
    if (length > (int)sizeof entry->name - 1)
        length = (int)sizeof entry->name - 1;
    const void *name = sqlite3_column_blob(s, first);
    if (length > 0)
        memcpy(entry->name, name, (size_t)length);
    entry->name[length] = 0;
    entry->level = (uint32_t)sqlite3_column_int64(s, first + 1);
    entry->score = (uint32_t)sqlite3_column_int64(s, first + 2);
    entry->time = (uint32_t)sqlite3_column_int64(s, first + 3);
}

static int ReadBest(ScoreEntry *entries, int max)
{
    std::lock_guard<std::mutex> lock(readLock);
    sqlite3_reset(selectBest);
    sqlite3_bind_int(selectBest, 1, max);
    int count = 0;
    int step = SQLITE_DONE;
    while (count < max && (step = sqlite3_step(selectBest)) == SQLITE_ROW)
        ReadEntryColumns(selectBest, 0, &entries[count++]);
    int failed = count < max && step != SQLITE_DONE;
    if (failed)
        LogFailure(readDb, "reading the list");
    sqlite3_reset(selectBest);
    return failed ? -1 : count;
}

static int Healthy(void)
{
    std::lock_guard<std::mutex> lock(readLock);
    sqlite3_stmt *statement = NULL;
    if (sqlite3_prepare_v2(readDb, "SELECT id FROM entries LIMIT 1", -1, &statement, NULL) != SQLITE_OK) {
        LogFailure(readDb, "health check");
        return 0;
    }
    int step = sqlite3_step(statement);
    int ok = step == SQLITE_ROW || step == SQLITE_DONE;
    if (!ok)
        LogFailure(readDb, "health check");
    sqlite3_finalize(statement);
    return ok;
}

// Rows of RESULT_COLUMNS; 1/0.
static int ReadResults(const char *sql, int max, std::vector<StoredResult> *results)
{
    std::lock_guard<std::mutex> lock(readLock);
    sqlite3_stmt *s = NULL;
    if (sqlite3_prepare_v2(readDb, sql, -1, &s, NULL) != SQLITE_OK) {
        LogFailure(readDb, sql);
        return 0;
    }
    sqlite3_bind_int(s, 1, max);
    int step;
    while ((step = sqlite3_step(s)) == SQLITE_ROW) {
        StoredResult r = {};
        r.id = sqlite3_column_int64(s, 0);
        ReadEntryColumns(s, 1, &r.entry);
        const unsigned char *address = sqlite3_column_text(s, 5);
        snprintf(r.address, sizeof r.address, "%s", address != NULL ? (const char *)address : "");
        r.received = sqlite3_column_int64(s, 6);
        results->push_back(r);
    }
    if (step != SQLITE_DONE)
        LogFailure(readDb, sql);
    sqlite3_finalize(s);
    return step == SQLITE_DONE;
}

static int ReadLatest(std::vector<StoredResult> *results, int max)
{
    if (!ReadResults("SELECT " RESULT_COLUMNS " FROM entries ORDER BY id DESC LIMIT ?1", max, results))
        return -1;
    return (int)results->size();
}

static int ReadAll(std::vector<StoredResult> *results)
{
    return ReadResults("SELECT " RESULT_COLUMNS " FROM entries ORDER BY id LIMIT ?1", -1, results);
}

static int Import(const std::vector<StoredResult> &results)
{
    std::lock_guard<std::mutex> lock(writeLock);
    sqlite3_int64 held = 0;
    sqlite3_stmt *s = NULL;
    int ok = Exec(writeDb, "BEGIN IMMEDIATE") && QueryNumber(writeDb, "SELECT count(*) FROM entries", &held);
    if (ok && held != 0) {
        LogLine("database: the target holds %lld results already", (long long)held);
        ok = 0;
    }
    if (ok)
        ok = Prepare(writeDb, "INSERT INTO entries (" RESULT_COLUMNS ") VALUES (?7, ?1, ?2, ?3, ?4, ?5, ?6)", &s);
    for (size_t i = 0; ok && i < results.size(); ++i) {
        BindEntry(s, &results[i].entry);
        BindOrigin(s, 5, results[i].address, results[i].received);
        sqlite3_bind_int64(s, 7, results[i].id);
        ok = StepDone(writeDb, s, "copying a result");
    }
    sqlite3_finalize(s);
    if (ok)
        ok = Exec(writeDb, "COMMIT");
    if (!ok)
        sqlite3_exec(writeDb, "ROLLBACK", NULL, NULL, NULL);
    return ok;
}

// Runs a change with one bound text or number; how many rows changed, -1
// on failure.
static int Change(const char *sql, const char *text, int64_t number)
{
    std::lock_guard<std::mutex> lock(writeLock);
    sqlite3_stmt *s = NULL;
    if (sqlite3_prepare_v2(writeDb, sql, -1, &s, NULL) != SQLITE_OK) {
        LogFailure(writeDb, sql);
        return -1;
    }
    if (text != NULL)
        sqlite3_bind_text(s, 1, text, -1, SQLITE_STATIC);
    else
        sqlite3_bind_int64(s, 1, number);
    sqlite3_bind_int64(s, 2, (sqlite3_int64)time(NULL));
    int ok = StepDone(writeDb, s, sql);
    sqlite3_finalize(s);
    return ok ? sqlite3_changes(writeDb) : -1;
}

static int RemoveOne(int64_t id)
{
    return Change("DELETE FROM entries WHERE id = ?1", NULL, id);
}

static int RemoveFrom(const char *address)
{
    return Change("DELETE FROM entries WHERE address = ?1", address, 0);
}

static int AddDenied(const char *range)
{
    return Change("INSERT INTO denied (cidr, added) VALUES (?1, ?2) ON CONFLICT DO NOTHING", range, 0);
}

static int RemoveDenied(const char *range)
{
    return Change("DELETE FROM denied WHERE cidr = ?1", range, 0);
}

static int ReadDenied(std::vector<std::string> *ranges)
{
    std::lock_guard<std::mutex> lock(readLock);
    sqlite3_stmt *s = NULL;
    if (sqlite3_prepare_v2(readDb, "SELECT cidr FROM denied ORDER BY cidr", -1, &s, NULL) != SQLITE_OK) {
        LogFailure(readDb, "reading the deny list");
        return 0;
    }
    int step;
    while ((step = sqlite3_step(s)) == SQLITE_ROW)
        ranges->push_back((const char *)sqlite3_column_text(s, 0));
    if (step != SQLITE_DONE)
        LogFailure(readDb, "reading the deny list");
    sqlite3_finalize(s);
    return step == SQLITE_DONE;
}

static void Close(void)
{
    std::lock_guard<std::mutex> w(writeLock);
    std::lock_guard<std::mutex> r(readLock);
    sqlite3_stmt **statements[] = { &insertEntry, &findEntry, &findCutoff, &selectBest };
    for (sqlite3_stmt **s : statements) {
        sqlite3_finalize(*s);
        *s = NULL;
    }
    sqlite3_close(readDb);
    sqlite3_close(writeDb);
    readDb = NULL;
    writeDb = NULL;
}

static int Open(const char *path, int)
{
    if (!OpenConnection(path, &writeDb) ||
        !UseWriteAheadLog(writeDb) ||
        !Exec(writeDb, "PRAGMA synchronous=FULL") ||
        !MigrateSchema(writeDb) ||
        !Prepare(writeDb,
                 "INSERT INTO entries (name, level, score, time, address, received)"
                 " VALUES (?1, ?2, ?3, ?4, ?5, ?6) ON CONFLICT (name, level, score, time) DO NOTHING",
                 &insertEntry) ||
        !Prepare(writeDb, "SELECT id FROM entries WHERE name = ?1 AND level = ?2 AND score = ?3 AND time = ?4",
                 &findEntry) ||
        !Prepare(writeDb, "SELECT score, time, id FROM entries ORDER BY " RANK_ORDER " LIMIT 1 OFFSET ?1",
                 &findCutoff) ||
        !OpenConnection(path, &readDb) ||
        !Exec(readDb, "PRAGMA synchronous=FULL") ||
        !Prepare(readDb, "SELECT name, level, score, time FROM entries ORDER BY " RANK_ORDER " LIMIT ?1",
                 &selectBest)) {
        Close();
        return 0;
    }
    return 1;
}

const StoreBackend SqliteBackend = {
    Open, Close, CommitBatch, ReadBest, Healthy, ReadLatest, ReadAll, Import,
    RemoveOne, RemoveFrom, AddDenied, RemoveDenied, ReadDenied,
};
