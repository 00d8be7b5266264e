// Uploads per second against the score server on loopback: the server
// program runs as a process of its own (in its own session, so the
// scheduler shares the cores between it and the clients as it would between
// a service and everything else) with a fresh database and no upload limit.
// Clients spread over several loopback source addresses with a kept-alive
// connection each post valid tables as fast as the answers come back, then
// the same clients ask for an unknown page for comparison. Every upload
// answered is on disk.
//   server_bench [clients] [seconds] [new results per upload] [addresses]

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_stats.h"
#include "highscore_block.h"
#include "http_client.h"
#include "server_process.h"
#include "upload_form.h"
#include "upload_form_seams.h"

typedef std::chrono::steady_clock Clock;

static int ServerPort;

struct ClientTally {
    std::vector<double> latencies;   // milliseconds
    long unexpected;                 // answers other than the expected ones
};

struct PhaseFigures {
    long requests;
    long unexpected;
    double seconds;
    double median;
    double p99;
};

// A table whose first `fresh` entries are results never sent before.
static std::string UniqueUpload(int client, long serial, int fresh)
{
    unsigned char block[HighScoreBlockSize];
    memcpy(block, DefaultHighScoreBlock, sizeof block);
    for (int i = 0; i < fresh; ++i) {
        char name[32];
        snprintf(name, sizeof name, "c%d-%ld", client, serial);
        InsertHighScore(block, i, name, 1 + i, (uint32_t)(1000 + serial * 10 + i), 1700000000u + (uint32_t)i);
    }
    SetBlockChecksum(block);
    ScrambleBlock(block, sizeof block);
    return FormatUploadForm(block);
}

static void RunClient(int client, int addresses, bool uploads, int fresh, const std::atomic<bool> *stop,
                      ClientTally *tally)
{
    char source[32];
    snprintf(source, sizeof source, "127.0.0.%d", 1 + client % addresses);
    int fd = -1;
    const std::string missing = FormatRequest("POST", "/pellorin/missing.asp", UniqueUpload(client, 0, 1));
    for (long serial = 0; !stop->load(std::memory_order_relaxed); ++serial) {
        std::string request =
            uploads ? FormatRequest("POST", "/pellorin/highscore.asp", UniqueUpload(client, serial, fresh)) : missing;
        Clock::time_point start = Clock::now();
        if (fd < 0)
            fd = ConnectToServer(ServerPort, source, 10);
        HttpReply reply;
        reply.status = -1;
        if (fd >= 0 && SendAll(fd, request))
            ReadReply(fd, &reply);
        double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        tally->latencies.push_back(ms);
        bool expected = uploads ? (reply.status == 202 || reply.status == 200) : reply.status == 404;
        if (!expected)
            ++tally->unexpected;
        // A connection the server ended (or one that failed) is made again.
        if (reply.status < 0 || ReplyHeader(reply, "Connection") == "close") {
            if (fd >= 0)
                close(fd);
            fd = -1;
        }
    }
    if (fd >= 0)
        close(fd);
}

static PhaseFigures RunPhase(int clients, int addresses, double seconds, bool uploads, int fresh)
{
    std::atomic<bool> stop(false);
    std::vector<ClientTally> tallies((size_t)clients);
    std::vector<std::thread> threads;
    Clock::time_point start = Clock::now();
    for (int c = 0; c < clients; ++c)
        threads.emplace_back(RunClient, c, addresses, uploads, fresh, &stop, &tallies[(size_t)c]);
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    stop = true;
    for (std::thread &t : threads)
        t.join();
    PhaseFigures figures = {};
    figures.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::vector<double> all;
    for (ClientTally &tally : tallies) {
        all.insert(all.end(), tally.latencies.begin(), tally.latencies.end());
        figures.unexpected += tally.unexpected;
    }
    figures.requests = (long)all.size();
    figures.median = Percentile(all, 0.5);
    figures.p99 = Percentile(all, 0.99);
    return figures;
}

static void Print(const char *what, const PhaseFigures &f)
{
    printf("%-34s %8.0f /s  median %6.2f ms  p99 %6.2f ms  (%ld requests, %ld unexpected answers)\n", what,
           (double)f.requests / f.seconds, f.median, f.p99, f.requests, f.unexpected);
}

int main(int argc, char **argv)
{
    int clients = argc > 1 ? atoi(argv[1]) : 64;
    double seconds = argc > 2 ? atof(argv[2]) : 5.0;
    int fresh = argc > 3 ? atoi(argv[3]) : HighScoreEntryCount;
    int addresses = argc > 4 ? atoi(argv[4]) : 8;
    if (clients < 1 || seconds <= 0 || fresh < 1 || fresh > HighScoreEntryCount || addresses < 1 || addresses > 254) {
        fputs("usage: server_bench [clients] [seconds] [new results per upload, 1-10] [source addresses]\n", stderr);
        return 2;
    }
    // Its request log goes to a file in its directory, as to a journal.
    ServerProcess server = { -1, -1, "" };
    if (!StartServerProcess(&server, { "--upload-rate", "0" })) {
        fprintf(stderr, "server_bench: the server did not start\n");
        RemoveServerFiles(&server);
        return 1;
    }
    ServerPort = server.port;
    printf("score server on 127.0.0.1:%d, %u cores, %d clients from %d addresses, %.0f s per phase, "
           "%d new results per upload\n",
           ServerPort, std::thread::hardware_concurrency(), clients, addresses, seconds, fresh);
    PhaseFigures uploads = RunPhase(clients, addresses, seconds, true, fresh);
    PhaseFigures missing = RunPhase(clients, addresses, seconds, false, fresh);
    Print("valid uploads (202/200)", uploads);
    Print("unknown page (404)", missing);
    StopServerProcess(&server);
    RemoveServerFiles(&server);
    return uploads.unexpected == 0 && missing.unexpected == 0 ? 0 : 1;
}
