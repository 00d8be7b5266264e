// The front of the store: picks the backend, gathers concurrent uploads for
// one writer thread that commits them together (they share one sync), and
// keeps a copy of the deny list that a thread refreshes from the database.
#include "score_store.h"

#include <string.h>
#include <time.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "server_log.h"
#include "store_backend.h"

enum {
    DenyRefreshMilliseconds = 1000
};

struct QueuedStore {
    PendingStore pending;
    int done;
};

static const StoreBackend *backend;
static int poolSize = DefaultStorePoolSize;

static std::mutex queueLock;
static std::condition_variable queueFilled;
static std::condition_variable batchDone;
static std::vector<QueuedStore *> queue;
static std::thread writer;
static std::atomic<bool> stopping(true);

static std::mutex denyLock;
static std::condition_variable denyStop;
static std::vector<AddressRange> deniedRanges;
static std::thread denyRefresher;
static std::vector<std::string> skippedRanges;   // logged once, not every refresh

int EntryNameLength(const ScoreEntry *entry)
{
    int n = 0;
    while (n < (int)sizeof entry->name - 1 && entry->name[n] != 0)
        ++n;
    return n;
}

int EntryStands(int full, const RankKey *cutoff, const ScoreEntry *entry, int64_t id)
{
    if (!full || entry->score > cutoff->score)
        return 1;
    if (entry->score < cutoff->score)
        return 0;
    if (entry->time != cutoff->time)
        return entry->time < cutoff->time;
    if (id == 0)
        return -1;
    return id <= cutoff->id;
}

static void RunWriter(void)
{
    std::unique_lock<std::mutex> lock(queueLock);
    for (;;) {
        queueFilled.wait(lock, [] { return stopping || !queue.empty(); });
        if (queue.empty())
            return;
        std::vector<QueuedStore *> batch;
        batch.swap(queue);
        lock.unlock();
        std::vector<PendingStore *> pending;
        for (QueuedStore *q : batch)
            pending.push_back(&q->pending);
        backend->commitBatch(pending.data(), pending.size());
        lock.lock();
        for (QueuedStore *q : batch)
            q->done = 1;
        batchDone.notify_all();
    }
}

// Ranges the database holds that do not parse (written by hand) are
// skipped, with a line in the log.
static int LoadDenyList(void)
{
    std::vector<std::string> texts;
    if (!backend->readDenied(&texts))
        return 0;
    std::vector<AddressRange> ranges;
    std::vector<std::string> skipped;
    for (const std::string &text : texts) {
        AddressRange range;
        const char *problem = NULL;
        if (ParseRange(text.c_str(), &range, &problem))
            ranges.push_back(range);
        else
            skipped.push_back(text + "\": " + problem);
    }
    std::lock_guard<std::mutex> lock(denyLock);
    if (skipped != skippedRanges) {
        for (const std::string &line : skipped)
            LogLine("deny list: skipping \"%s", line.c_str());
        skippedRanges = skipped;
    }
    deniedRanges.swap(ranges);
    return 1;
}

static void RunDenyRefresher(void)
{
    std::unique_lock<std::mutex> lock(queueLock);
    while (!stopping) {
        denyStop.wait_for(lock, std::chrono::milliseconds(DenyRefreshMilliseconds));
        if (stopping)
            break;
        lock.unlock();
        LoadDenyList();   // on failure the last list stays in force
        lock.lock();
    }
}

void SetScoreStorePoolSize(int size)
{
    poolSize = size > 0 ? size : DefaultStorePoolSize;
}

static int IsPostgresUri(const char *where)
{
    return strncmp(where, "postgresql://", 13) == 0 || strncmp(where, "postgres://", 11) == 0;
}

std::string ScoreStoreDisplayName(const char *where)
{
    std::string text = where;
    if (!IsPostgresUri(where))
        return text;
    size_t authority = text.find("://") + 3;
    size_t end = text.find_first_of("/?", authority);
    size_t at = text.rfind('@', end == std::string::npos ? text.size() : end);
    if (at != std::string::npos && at >= authority) {
        size_t colon = text.find(':', authority);
        if (colon != std::string::npos && colon < at)
            text.replace(colon + 1, at - colon - 1, "***");
    }
    size_t query = text.find('?');
    for (size_t key = query; key != std::string::npos; key = text.find('&', key + 1)) {
        if (text.compare(key + 1, 9, "password=") == 0) {
            size_t value = key + 10;
            text.replace(value, text.find('&', value) == std::string::npos ? std::string::npos
                                                                           : text.find('&', value) - value,
                         "***");
        }
    }
    return text;
}

int OpenScoreStore(const char *path)
{
    backend = IsPostgresUri(path) ? &PostgresBackend : &SqliteBackend;
    if (!backend->open(path, poolSize))
        return 0;
    if (!LoadDenyList()) {
        backend->close();
        return 0;
    }
    stopping = false;
    writer = std::thread(RunWriter);
    denyRefresher = std::thread(RunDenyRefresher);
    return 1;
}

void CloseScoreStore(void)
{
    {
        std::lock_guard<std::mutex> lock(queueLock);
        if (stopping)
            return;
        stopping = true;
        queueFilled.notify_one();
        denyStop.notify_one();
    }
    writer.join();
    denyRefresher.join();
    backend->close();
    std::lock_guard<std::mutex> lock(denyLock);
    deniedRanges.clear();
}

int StoreEntries(const ScoreEntry *entries, int count, const char *address, int *standing)
{
    QueuedStore queued = {};
    queued.pending.entries = entries;
    queued.pending.count = count;
    NormalizeAddress(address != NULL ? address : "", queued.pending.address, sizeof queued.pending.address);
    queued.pending.received = (int64_t)time(NULL);
    std::unique_lock<std::mutex> lock(queueLock);
    if (stopping)
        return 0;
    queue.push_back(&queued);
    queueFilled.notify_one();
    batchDone.wait(lock, [&] { return queued.done != 0; });
    *standing = queued.pending.standing;
    return queued.pending.result;
}

int ReadBestEntries(ScoreEntry *entries, int max)
{
    return stopping ? -1 : backend->readBest(entries, max);
}

int ScoreStoreHealthy(void)
{
    return stopping ? 0 : backend->healthy();
}

int AddressDenied(const char *address)
{
    unsigned char bytes[16];
    if (address == NULL || !ParseAddress(address, bytes))
        return 0;
    std::lock_guard<std::mutex> lock(denyLock);
    for (const AddressRange &range : deniedRanges) {
        if (RangeContains(&range, bytes))
            return 1;
    }
    return 0;
}

int ReadLatestResults(std::vector<StoredResult> *results, int max)
{
    return stopping ? -1 : backend->readLatest(results, max);
}

int ReadAllResults(std::vector<StoredResult> *results)
{
    return stopping ? 0 : backend->readAll(results);
}

int ImportResults(const std::vector<StoredResult> &results)
{
    return stopping ? 0 : backend->import(results);
}

int RemoveResult(int64_t id)
{
    return stopping ? -1 : backend->removeResult(id);
}

int RemoveResultsFrom(const char *address)
{
    char canonical[StoredAddressSize];
    NormalizeAddress(address, canonical, sizeof canonical);
    return stopping ? -1 : backend->removeFrom(canonical);
}

static int ChangeDenyList(const AddressRange *range, int adding)
{
    if (stopping)
        return -1;
    int (*change)(const char *) = adding ? backend->addDenied : backend->removeDenied;
    char text[64];
    FormatRange(range, text, sizeof text);
    int changed = change(text);
    if (changed >= 0)
        LoadDenyList();
    return changed;
}

int AddDeniedRange(const AddressRange *range)
{
    return ChangeDenyList(range, 1);
}

int RemoveDeniedRange(const AddressRange *range)
{
    return ChangeDenyList(range, 0);
}

int ReadDeniedRanges(std::vector<std::string> *ranges)
{
    return stopping ? -1 : (backend->readDenied(ranges) ? (int)ranges->size() : -1);
}
