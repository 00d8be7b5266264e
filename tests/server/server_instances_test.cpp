// Several score server programs on one PostgreSQL database (a private
// server this program starts): shared results, an instance killed under
// load, and the database going away and coming back.
#include <gtest/gtest.h>

#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "server_instances.h"
#include "test_postgres.h"

static int postgresStarted;

class PostgresServer : public ::testing::Environment {
public:
    void SetUp() override { postgresStarted = StartTestPostgres(); }
    void TearDown() override { StopTestPostgres(); }
};

static const char UploadPath[] = "/pellorin/highscore.asp";

class ServerInstances : public ::testing::Test {
protected:
    char directory[64];
    std::string name;
    std::string database;
    std::vector<ServerInstance> instances;

    void SetUp() override
    {
        ASSERT_TRUE(postgresStarted) << "the private PostgreSQL server did not start";
        strcpy(directory, "/tmp/pellorin-instances-test.XXXXXX");
        ASSERT_NE(mkdtemp(directory), (char *)NULL);
        static int serial;
        name = "instances" + std::to_string(++serial);
        database = CreateTestDatabase(name.c_str());
    }
    void TearDown() override
    {
        for (ServerInstance &instance : instances)
            StopInstance(&instance);
        if (HasFailure()) {
            for (ServerInstance &instance : instances)
                fprintf(stderr, "--- %s\n%s", instance.log.c_str(), ReadWholeFile(instance.log).c_str());
        }
        std::string command = std::string("rm -rf '") + directory + "'";
        ASSERT_EQ(system(command.c_str()), 0);
    }

    // n instances started together, so that they meet the empty database at
    // once; the first is given a password in its URI.
    void StartInstances(int n)
    {
        instances.resize((size_t)n);
        std::vector<std::thread> starting;
        std::vector<int> started((size_t)n, 0);
        for (int i = 0; i < n; ++i) {
            starting.emplace_back([&, i] {
                std::string uri = database;
                if (i == 0)
                    uri.replace(uri.find("pellorin@"), 9, "pellorin:pw-n0t-logged@");
                std::string log = std::string(directory) + "/instance" + std::to_string(i) + ".log";
                started[(size_t)i] = StartInstance(PELLORIN_SERVER_PROGRAM, uri, log, &instances[(size_t)i]);
            });
        }
        for (std::thread &t : starting)
            t.join();
        for (int i = 0; i < n; ++i)
            ASSERT_TRUE(started[(size_t)i]) << "instance " << i;
    }

    std::set<std::string> StoredResults()
    {
        std::string sql = "SELECT string_agg(convert_from(name, 'LATIN1') || ':' || score, ',') FROM entries";
        std::string text = QueryTestDatabase(name.c_str(), sql.c_str());
        std::set<std::string> results;
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find(',', start);
            if (end == std::string::npos)
                end = text.size();
            results.insert(text.substr(start, end - start));
            start = end + 1;
        }
        return results;
    }
};

TEST_F(ServerInstances, ThreeInstancesShareOneListAndStoreEachResultOnce)
{
    StartInstances(3);
    enum { ClientsPerInstance = 4, UploadsPerClient = 25, SharedTables = 20 };
    std::atomic<int> unexpected(0);
    std::vector<std::thread> clients;
    // Fresh results through every instance, several a table.
    for (int c = 0; c < 3 * ClientsPerInstance; ++c) {
        clients.emplace_back([&, c] {
            const ServerInstance &instance = instances[(size_t)(c % 3)];
            for (int u = 0; u < UploadsPerClient; ++u) {
                std::vector<TestEntry> table;
                for (int e = 0; e < 3; ++e)
                    table.push_back({ "c" + std::to_string(c), 1, (unsigned)(100000 + c * 1000 + u * 10 + e),
                                      1700000000u });
                int status = HttpRequest(instance.port, "POST", UploadPath, Form(table), 2 + c % 8).status;
                if (status != 200 && status != 202)
                    ++unexpected;
            }
        });
    }
    // The same tables sent to all three instances at about the same moment.
    for (int i = 0; i < 3; ++i) {
        clients.emplace_back([&, i] {
            for (int t = 0; t < SharedTables; ++t) {
                std::vector<TestEntry> table = { { "shared", 2, (unsigned)(500000 + t), 1700000000u },
                                                    { "shared", 2, (unsigned)(1000 + t), 1700000000u } };
                int status = HttpRequest(instances[(size_t)i].port, "POST", UploadPath, Form(table), 10 + i)
                                 .status;
                if (status != 200 && status != 202)
                    ++unexpected;
            }
        });
    }
    for (std::thread &t : clients)
        t.join();
    EXPECT_EQ(unexpected.load(), 0);

    EXPECT_EQ(QueryTestDatabase(name.c_str(), "SELECT count(*) FROM entries"),
              std::to_string(3 * ClientsPerInstance * UploadsPerClient * 3 + SharedTables * 2));
    std::vector<std::string> lists[3];
    for (int i = 0; i < 3; ++i) {
        HttpAnswer answer = HttpRequest(instances[(size_t)i].port, "GET", UploadPath, "");
        ASSERT_EQ(answer.status, 200);
        lists[i] = ListedRows(answer.body);
    }
    ASSERT_EQ(lists[0].size(), 100u);
    EXPECT_EQ(lists[1], lists[0]);
    EXPECT_EQ(lists[2], lists[0]);
    EXPECT_EQ(std::set<std::string>(lists[0].begin(), lists[0].end()).size(), 100u) << "each result once";
    EXPECT_EQ(lists[0][0], "shared|2|500019|2023-11-14");
    EXPECT_EQ(lists[0][19], "shared|2|500000|2023-11-14");

    const std::string log = ReadWholeFile(instances[0].log);
    EXPECT_EQ(log.find("pw-n0t-logged"), std::string::npos) << log;
}

TEST_F(ServerInstances, EveryResultAcknowledgedBeforeAnInstanceIsKilledIsStored)
{
    StartInstances(3);
    std::atomic<bool> stop(false);
    std::mutex lock;
    std::set<std::string> acknowledged;
    std::atomic<int> answeredAfterKill(0);
    std::atomic<bool> killed(false);
    std::vector<std::thread> clients;
    for (int c = 0; c < 12; ++c) {
        clients.emplace_back([&, c] {
            for (int u = 0; !stop; ++u) {
                std::string player = "k" + std::to_string(c);
                unsigned score = (unsigned)(1 + u);
                HttpAnswer answer = HttpRequest(instances[(size_t)(c % 3)].port, "POST", UploadPath,
                                                Form({ { player, 1, score, 1700000000u } }), 2 + c % 8, 5000);
                if (answer.status == 200 || answer.status == 202) {
                    std::lock_guard<std::mutex> guard(lock);
                    acknowledged.insert(player + ":" + std::to_string(score));
                    if (killed && c % 3 != 0)
                        ++answeredAfterKill;
                }
            }
        });
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    StopInstance(&instances[0], SIGKILL);
    killed = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    stop = true;
    for (std::thread &t : clients)
        t.join();

    ASSERT_GT(acknowledged.size(), 100u) << "too little load to mean anything";
    EXPECT_GT(answeredAfterKill.load(), 0) << "the other instances went on";
    const std::set<std::string> stored = StoredResults();
    std::vector<std::string> lost;
    std::set_difference(acknowledged.begin(), acknowledged.end(), stored.begin(), stored.end(),
                        std::back_inserter(lost));
    EXPECT_TRUE(lost.empty()) << lost.size() << " acknowledged results are missing, the first " << lost[0];
}

TEST_F(ServerInstances, AnInstanceRidesOutADatabaseOutage)
{
    StartInstances(1);
    const int port = instances[0].port;
    ASSERT_EQ(HttpRequest(port, "POST", UploadPath, Form({ { "before", 1, 10, 0 } })).status, 202);
    const int hasHealth = HttpRequest(port, "GET", "/pellorin/health", "").status == 200;

    // A restart between two uploads leaves the instance's connections dead;
    // the next upload meets one and is retried on a fresh connection.
    ASSERT_TRUE(PauseTestPostgres());
    ASSERT_TRUE(ResumeTestPostgres());
    EXPECT_EQ(HttpRequest(port, "POST", UploadPath, Form({ { "restart", 1, 15, 0 } })).status, 202);
    EXPECT_EQ(HttpRequest(port, "GET", UploadPath, "").status, 200);

    ASSERT_TRUE(PauseTestPostgres());
    for (int i = 0; i < 3; ++i) {
        HttpAnswer answer = HttpRequest(port, "POST", UploadPath, Form({ { "during", 1, (unsigned)(20 + i), 0 } }));
        EXPECT_EQ(answer.status, 503) << "never acknowledged while the database is down";
    }
    EXPECT_EQ(HttpRequest(port, "GET", UploadPath, "").status, 503) << "the list page, until the database is back";
    if (hasHealth) {
        EXPECT_EQ(HttpRequest(port, "GET", "/pellorin/health", "").status, 503);
    }

    ASSERT_TRUE(ResumeTestPostgres());
    int status = -1;
    auto start = std::chrono::steady_clock::now();
    while (status != 202 && std::chrono::steady_clock::now() - start < std::chrono::seconds(20)) {
        status = HttpRequest(port, "POST", UploadPath, Form({ { "after", 1, 30, 0 } })).status;
        if (status != 202)
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    EXPECT_EQ(status, 202) << "served again without a restart";
    if (hasHealth) {
        EXPECT_EQ(HttpRequest(port, "GET", "/pellorin/health", "").status, 200);
    }
    std::vector<std::string> rows = ListedRows(HttpRequest(port, "GET", UploadPath, "").body);
    std::vector<std::string> names;
    for (const std::string &row : rows)
        names.push_back(row.substr(0, row.find('|')));
    EXPECT_EQ(std::count(names.begin(), names.end(), "before"), 1);
    EXPECT_EQ(std::count(names.begin(), names.end(), "restart"), 1);
    EXPECT_EQ(std::count(names.begin(), names.end(), "after"), 1);
    EXPECT_EQ(std::count(names.begin(), names.end(), "during"), 0);
}

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new PostgresServer);
    return RUN_ALL_TESTS();
}
