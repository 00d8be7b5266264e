#include "connection_watch.h"

#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <unordered_set>

typedef std::chrono::steady_clock Clock;

struct WatchedConnection {
    int fd;                    // our duplicate
    bool receiving;            // a request is being received
    bool cutOff;
    Clock::time_point since;   // when the current request's time began
};

static std::mutex watchLock;
static std::condition_variable watchWake;
static std::unordered_set<WatchedConnection *> watched;
static std::thread watcher;
static bool stopping;
static Clock::duration allowed;

static void CutOffLateConnections(void)
{
    Clock::time_point now = Clock::now();
    for (WatchedConnection *c : watched) {
        if (c->receiving && !c->cutOff && now - c->since > allowed) {
            c->cutOff = true;
            shutdown(c->fd, SHUT_RDWR);
        }
    }
}

static void RunWatcher(void)
{
    std::unique_lock<std::mutex> lock(watchLock);
    while (!stopping) {
        watchWake.wait_for(lock, std::chrono::milliseconds(200));
        CutOffLateConnections();
    }
}

int StartConnectionWatch(double seconds)
{
    allowed = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    stopping = false;
    watcher = std::thread(RunWatcher);
    return 1;
}

void StopConnectionWatch(void)
{
    {
        std::lock_guard<std::mutex> lock(watchLock);
        stopping = true;
        watchWake.notify_all();
    }
    if (watcher.joinable())
        watcher.join();
}

WatchedConnection *WatchConnection(int fd)
{
    int copy = dup(fd);
    if (copy < 0)
        return NULL;
    WatchedConnection *c = new WatchedConnection{ copy, true, false, Clock::now() };
    std::lock_guard<std::mutex> lock(watchLock);
    watched.insert(c);
    return c;
}

void RequestReceived(WatchedConnection *c)
{
    std::lock_guard<std::mutex> lock(watchLock);
    c->receiving = false;
}

void RequestFinished(WatchedConnection *c)
{
    std::lock_guard<std::mutex> lock(watchLock);
    c->receiving = true;
    c->since = Clock::now();
}

int ConnectionCutOff(WatchedConnection *c)
{
    std::lock_guard<std::mutex> lock(watchLock);
    return c->cutOff ? 1 : 0;
}

void ForgetConnection(WatchedConnection *c)
{
    {
        std::lock_guard<std::mutex> lock(watchLock);
        watched.erase(c);
    }
    close(c->fd);
    delete c;
}
