// A bucket that has refilled to the burst is the same as no bucket, so the
// table only holds clients that uploaded within the last refill time. When
// it is full even so (a flood from very many addresses), newcomers share
// one overflow bucket instead of pushing others out: the memory stays
// bounded and the flood stays limited.
#include "upload_rate.h"

#include <mutex>
#include <string>
#include <unordered_map>

struct Bucket {
    double tokens;
    double updated;
};

enum {
    OverflowShare = 16  // the overflow bucket has this many clients' rate and burst
};

static std::mutex rateLock;
static std::unordered_map<std::string, Bucket> buckets;
static Bucket overflowBucket;
static double tokensPerSecond;
static double burstTokens;
static double lastSweep = -1e9;

void ConfigureUploadRate(int perMinute, int burst)
{
    std::lock_guard<std::mutex> lock(rateLock);
    tokensPerSecond = perMinute > 0 ? perMinute / 60.0 : 0;
    burstTokens = burst < 1 ? 1 : burst;
    buckets.clear();
    lastSweep = -1e9;
    overflowBucket = { burstTokens * OverflowShare, 0 };
}

static void Refill(Bucket *bucket, double now, double scale)
{
    if (now > bucket->updated) {
        bucket->tokens += (now - bucket->updated) * tokensPerSecond * scale;
        if (bucket->tokens > burstTokens * scale)
            bucket->tokens = burstTokens * scale;
    }
    bucket->updated = now;
}

static int Take(Bucket *bucket)
{
    if (bucket->tokens < 1)
        return 0;
    bucket->tokens -= 1;
    return 1;
}

// Drops the buckets that are full again.
static void Sweep(double now)
{
    for (auto i = buckets.begin(); i != buckets.end();) {
        Refill(&i->second, now, 1);
        if (i->second.tokens >= burstTokens)
            i = buckets.erase(i);
        else
            ++i;
    }
}

int TakeUploadToken(const char *key, double now)
{
    std::lock_guard<std::mutex> lock(rateLock);
    if (tokensPerSecond <= 0)
        return 1;
    auto found = buckets.find(key);
    if (found != buckets.end()) {
        Refill(&found->second, now, 1);
        return Take(&found->second);
    }
    // A sweep walks the whole table: at most one a second.
    if (buckets.size() >= RateTableLimit && now - lastSweep >= 1) {
        lastSweep = now;
        Sweep(now);
    }
    if (buckets.size() >= RateTableLimit) {
        Refill(&overflowBucket, now, OverflowShare);
        return Take(&overflowBucket);
    }
    Bucket fresh = { burstTokens - 1, now };
    buckets.emplace(key, fresh);
    return 1;
}

int TrackedClients(void)
{
    std::lock_guard<std::mutex> lock(rateLock);
    return (int)buckets.size();
}
