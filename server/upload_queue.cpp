#include "upload_queue.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "score_store.h"

static std::mutex queueLock;
static std::condition_variable queueFilled;
static std::deque<QueuedUpload *> waiting;
static std::vector<std::thread> storers;
static bool stopping;

static void RunStorer(void)
{
    std::unique_lock<std::mutex> lock(queueLock);
    for (;;) {
        queueFilled.wait(lock, [] { return stopping || !waiting.empty(); });
        if (waiting.empty())
            return;
        QueuedUpload *upload = waiting.front();
        waiting.pop_front();
        lock.unlock();
        upload->standing = 0;
        upload->stored = StoreEntries(upload->entries, upload->count, upload->address, &upload->standing);
        upload->done(upload);
        lock.lock();
    }
}

int StartUploadQueue(int threads)
{
    stopping = false;
    for (int i = 0; i < threads; ++i)
        storers.emplace_back(RunStorer);
    return 1;
}

int QueueUpload(QueuedUpload *upload)
{
    std::lock_guard<std::mutex> lock(queueLock);
    if (stopping)
        return 0;
    waiting.push_back(upload);
    queueFilled.notify_one();
    return 1;
}

void StopUploadQueue(void)
{
    {
        std::lock_guard<std::mutex> lock(queueLock);
        stopping = true;
        queueFilled.notify_all();
    }
    for (std::thread &t : storers)
        t.join();
    storers.clear();
}
