// Durable uploads per second through the score server program on each
// backend, in one run: SQLite with one instance, then PostgreSQL (a private
// server started here, fsync and synchronous_commit on) with one instance
// and with three sharing the database. 64 clients by default, spread over
// 8 loopback source addresses and round-robin over the instances, each
// posting fresh results one upload a connection, as the game does.
//   store_backends_bench [clients] [seconds per phase] [new results per upload]
#include <signal.h>
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
#include "server_instances.h"
#include "test_postgres.h"

typedef std::chrono::steady_clock Clock;

struct PhaseFigures {
    long uploads;
    long unexpected;
    double seconds;
    double median;
    double p99;
};

static int phaseSerial;

static PhaseFigures RunPhase(const std::vector<ServerInstance> &instances, int clients, double seconds, int fresh)
{
    ++phaseSerial;
    std::atomic<bool> stop(false);
    std::vector<std::vector<double>> latencies((size_t)clients);
    std::vector<long> unexpected((size_t)clients, 0);
    std::vector<std::thread> threads;
    Clock::time_point start = Clock::now();
    for (int c = 0; c < clients; ++c) {
        threads.emplace_back([&, c] {
            const ServerInstance &instance = instances[(size_t)c % instances.size()];
            std::string player = "p" + std::to_string(phaseSerial) + "-" + std::to_string(c);
            for (unsigned serial = 0; !stop.load(std::memory_order_relaxed); ++serial) {
                std::vector<TestEntry> table;
                for (int e = 0; e < fresh; ++e)
                    table.push_back({ player, 1, 1000 + serial * 10 + (unsigned)e, 1700000000u });
                std::string body = Form(table);
                Clock::time_point sent = Clock::now();
                int status = HttpRequest(instance.port, "POST", "/pellorin/highscore.asp", body, 2 + c % 8).status;
                latencies[(size_t)c].push_back(std::chrono::duration<double, std::milli>(Clock::now() - sent).count());
                if (status != 200 && status != 202)
                    ++unexpected[(size_t)c];
            }
        });
    }
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    stop = true;
    for (std::thread &t : threads)
        t.join();
    PhaseFigures f = {};
    f.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::vector<double> all;
    for (int c = 0; c < clients; ++c) {
        all.insert(all.end(), latencies[(size_t)c].begin(), latencies[(size_t)c].end());
        f.unexpected += unexpected[(size_t)c];
    }
    f.uploads = (long)all.size() - f.unexpected;
    f.median = Percentile(all, 0.5);
    f.p99 = Percentile(all, 0.99);
    return f;
}

static void Print(const char *what, const PhaseFigures &f)
{
    printf("%-28s %8.0f uploads/s  median %6.2f ms  p99 %7.2f ms  (%ld stored, %ld failed)\n", what,
           (double)f.uploads / f.seconds, f.median, f.p99, f.uploads, f.unexpected);
    fflush(stdout);
}

static int StartAll(int count, const std::string &database, const std::string &directory,
                    std::vector<ServerInstance> *instances)
{
    instances->assign((size_t)count, ServerInstance());
    for (int i = 0; i < count; ++i) {
        std::string log = directory + "/instance" + std::to_string(phaseSerial) + "-" + std::to_string(i) + ".log";
        if (!StartInstance(PELLORIN_SERVER_PROGRAM, database, log, &(*instances)[(size_t)i])) {
            fprintf(stderr, "store_backends_bench: instance %d did not start (%s)\n", i, log.c_str());
            return 0;
        }
    }
    return 1;
}

static void StopAll(std::vector<ServerInstance> *instances)
{
    for (ServerInstance &instance : *instances)
        StopInstance(&instance);
}

int main(int argc, char **argv)
{
    int clients = argc > 1 ? atoi(argv[1]) : 64;
    double seconds = argc > 2 ? atof(argv[2]) : 5.0;
    int fresh = argc > 3 ? atoi(argv[3]) : 1;
    if (clients < 1 || seconds <= 0 || fresh < 1 || fresh > 10) {
        fputs("usage: store_backends_bench [clients] [seconds per phase] [new results per upload, 1-10]\n", stderr);
        return 2;
    }
    signal(SIGPIPE, SIG_IGN);
    // The SQLite file lives on the working directory's disk, not in /tmp,
    // which may be memory.
    char directory[] = "store-backends-bench.XXXXXX";
    if (mkdtemp(directory) == NULL)
        return 1;
    std::string here = std::string(getcwd(NULL, 0)) + "/" + directory;
    if (!StartTestPostgres()) {
        fputs("store_backends_bench: PostgreSQL did not start\n", stderr);
        return 1;
    }
    printf("%u cores, %d clients, %.0f s per phase, %d new results per upload, one upload a connection\n",
           std::thread::hardware_concurrency(), clients, seconds, fresh);
    struct Phase {
        const char *what;
        int instances;
        int postgres;
    } phases[] = {
        /* what                        instances postgres */
        { "SQLite, 1 instance",         1,        0 },
        { "PostgreSQL, 1 instance",     1,        1 },
        { "PostgreSQL, 3 instances",    3,        1 },
    };
    int failed = 0;
    for (const Phase &phase : phases) {
        std::vector<ServerInstance> instances;
        std::string database = phase.postgres ? CreateTestDatabase(("bench" + std::to_string(phaseSerial)).c_str())
                                              : here + "/scores" + std::to_string(phaseSerial) + ".db";
        if (!StartAll(phase.instances, database, here, &instances)) {
            StopAll(&instances);
            failed = 1;
            break;
        }
        std::string name = "bench" + std::to_string(phaseSerial);
        const char *commitsSql = "SELECT xact_commit FROM pg_stat_database WHERE datname = current_database()";
        long long commitsBefore = phase.postgres ? atoll(QueryTestDatabase(name.c_str(), commitsSql).c_str()) : 0;
        PhaseFigures f = RunPhase(instances, clients, seconds, fresh);
        Print(phase.what, f);
        if (phase.postgres) {
            // The statistics arrive with a delay of up to a second.
            sleep(1);
            long long commits = atoll(QueryTestDatabase(name.c_str(), commitsSql).c_str()) - commitsBefore;
            printf("%-28s %8lld transactions, %.1f uploads each (reads included)\n", "", commits,
                   commits > 0 ? (double)f.uploads / (double)commits : 0.0);
        }
        failed |= f.unexpected != 0;
        StopAll(&instances);
    }
    StopTestPostgres();
    std::string command = "rm -rf '" + here + "'";
    if (system(command.c_str()) != 0)
        return 1;
    return failed;
}
