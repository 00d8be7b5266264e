// pellorin-score-server admin, run as the operator would, on a database the
// test fills through the store; the store stays open in this process like a
// running server's, to see the changes arrive.
#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>

#include <chrono>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "score_store.h"
#include "server_instances.h"
#include "stored_entries.h"

struct AdminRun {
    int status;
    std::string output;   // standard output and error
};

static std::string Quoted(const std::string &word)
{
    std::string text = "'";
    for (char c : word)
        text += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return text + "'";
}

static AdminRun Admin(const std::string &database, const std::vector<std::string> &words)
{
    std::string command = Quoted(PELLORIN_SERVER_PROGRAM) + " admin --database " + Quoted(database);
    for (const std::string &word : words)
        command += " " + Quoted(word);
    command += " 2>&1";
    AdminRun run = { -1, "" };
    FILE *pipe = popen(command.c_str(), "r");
    if (pipe == NULL)
        return run;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        run.output.append(buffer, n);
    int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

static ScoreEntry Entry(const char *name, uint32_t score)
{
    return MakeEntry(name, 3, score, 1700000000u);
}

// The id of the listed row that holds text, -1 when none does.
static long long ListedId(const std::string &listing, const std::string &text)
{
    size_t at = listing.find(text);
    if (at == std::string::npos)
        return -1;
    size_t line = listing.rfind('\n', at);
    return atoll(listing.c_str() + (line == std::string::npos ? 0 : line + 1));
}

class AdminCommand : public ::testing::Test {
protected:
    char directory[64];
    std::string database;

    void SetUp() override
    {
        strcpy(directory, "/tmp/pellorin-admin-test.XXXXXX");
        ASSERT_NE(mkdtemp(directory), (char *)NULL);
        database = std::string(directory) + "/scores.db";
        ASSERT_EQ(OpenScoreStore(database.c_str()), 1);
        static const struct {
            const char *name;
            uint32_t score;
            const char *address;
        } uploads[] = {
            /* name          score  address */
            { "Honest",      500,   "192.0.2.10" },
            { "Flood 1",     9001,  "198.51.100.66" },
            { "Flood 2",     9002,  "::ffff:198.51.100.66" },
            { "Q<\x80>",     300,   "2001:db8::5" },
        };
        for (const auto &u : uploads) {
            ScoreEntry entry = Entry(u.name, u.score);
            int standing = 0;
            ASSERT_EQ(StoreEntries(&entry, 1, u.address, &standing), 1);
        }
    }
    void TearDown() override
    {
        CloseScoreStore();
        std::string command = std::string("rm -rf '") + directory + "'";
        ASSERT_EQ(system(command.c_str()), 0);
    }
};

TEST_F(AdminCommand, ListsTheLatestResultsWithAddressAndTime)
{
    AdminRun run = Admin(database, { "list" });
    ASSERT_EQ(run.status, 0) << run.output;
    static const std::regex row("(\\d+) +(\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ) +(\\S+) +(\\d+) +3 +2023-11-14 (.*)");
    std::vector<std::smatch> rows;
    for (std::sregex_iterator i(run.output.begin(), run.output.end(), row), end; i != end; ++i)
        rows.push_back(*i);
    ASSERT_EQ(rows.size(), 4u) << run.output;
    EXPECT_EQ(rows[0][3], "2001:db8::5") << "newest first";
    EXPECT_EQ(rows[0][5], "Q<\\x80>") << "bytes outside ASCII shown as escapes";
    EXPECT_EQ(rows[1][3], "198.51.100.66");
    EXPECT_EQ(rows[3][5], "Honest");
    EXPECT_GT(std::stoll(rows[0][1]), std::stoll(rows[3][1]));

    run = Admin(database, { "list", "2" });
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output.find("Honest"), std::string::npos);
    EXPECT_NE(run.output.find("Flood 2"), std::string::npos);
}

TEST_F(AdminCommand, RemovalsShowOnTheListAtOnce)
{
    AdminRun listing = Admin(database, { "list" });
    long long honest = ListedId(listing.output, "Honest");
    ASSERT_GT(honest, 0) << listing.output;

    AdminRun run = Admin(database, { "remove", std::to_string(honest) });
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("removed 1 result"), std::string::npos);
    run = Admin(database, { "remove", std::to_string(honest) });
    EXPECT_EQ(run.status, 1) << "nothing left to remove";

    run = Admin(database, { "remove-from", "198.51.100.66" });
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("removed 2 results"), std::string::npos) << run.output;
    EXPECT_EQ(BestNames(), std::vector<std::string>({ "Q<\x80>" }));
}

TEST_F(AdminCommand, TheDenyListReachesARunningServerWithinSeconds)
{
    EXPECT_EQ(AddressDenied("198.51.100.66"), 0);
    AdminRun run = Admin(database, { "deny", "add", "198.51.100.0/24" });
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(Admin(database, { "deny", "add", "2001:DB8::/32" }).status, 0);
    EXPECT_EQ(Admin(database, { "deny", "add", "198.51.100.0/24" }).status, 1) << "denied already";

    auto start = std::chrono::steady_clock::now();
    while (!AddressDenied("198.51.100.66") && std::chrono::steady_clock::now() - start < std::chrono::seconds(5))
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(AddressDenied("198.51.100.66"), 1);
    EXPECT_EQ(AddressDenied("2001:db8::5"), 1);
    EXPECT_EQ(AddressDenied("192.0.2.10"), 0);

    run = Admin(database, { "deny", "list" });
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, "198.51.100.0/24\n2001:db8::/32\n");

    EXPECT_EQ(Admin(database, { "deny", "remove", "198.51.100.0/24" }).status, 0);
    EXPECT_EQ(Admin(database, { "deny", "remove", "198.51.100.0/24" }).status, 1) << "not on the list";
    start = std::chrono::steady_clock::now();
    while (AddressDenied("198.51.100.66") && std::chrono::steady_clock::now() - start < std::chrono::seconds(5))
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(AddressDenied("198.51.100.66"), 0);
}

TEST_F(AdminCommand, JunkIsRefusedWithAReasonAndChangesNothing)
{
    static const struct {
        std::vector<std::string> words;
        const char *reason;
    } cases[] = {
        /* words                                    reason */
        { {},                                       "a command is missing" },
        { { "purge" },                              "unknown command" },
        { { "list", "0" },                          "count" },
        { { "list", "ten" },                        "count" },
        { { "remove" },                             "id" },
        { { "remove", "1x" },                       "id" },
        { { "remove", "-1" },                       "id" },
        { { "remove", "99999999999999999999" },     "id" },
        { { "remove-from", "198.51.100.0/24" },     "address" },
        { { "remove-from", "example.org" },         "address" },
        { { "deny", "add", "198.51.100.1/24" },     "bits set after its prefix" },
        { { "deny", "add", "300.1.1.1" },           "not an IPv4 or IPv6 address" },
        { { "deny", "add", "10.0.0.0/40" },         "prefix length" },
        { { "deny", "add" },                        "deny takes" },
        { { "deny", "block", "10.0.0.1" },          "deny takes" },
        { { "copy", "--from", "x.db" },             "copy needs" },
        { { "list", "--to", "x.db" },               "belong to copy" },
        { { "list", "--verbose" },                  "unknown option" },
    };
    for (const auto &c : cases) {
        std::string line;
        for (const std::string &w : c.words)
            line += w + " ";
        SCOPED_TRACE(line);
        AdminRun run = Admin(database, c.words);
        EXPECT_EQ(run.status, 2);
        EXPECT_NE(run.output.find(c.reason), std::string::npos) << run.output;
    }
    EXPECT_EQ(BestNames().size(), 4u);
    EXPECT_EQ(Admin(database, { "deny", "list" }).output, "");

    AdminRun missing = Admin(std::string(directory) + "/typo.db", { "list" });
    EXPECT_EQ(missing.status, 1) << "a mistyped path is not a new empty database";
    EXPECT_NE(missing.output.find("No such file"), std::string::npos) << missing.output;
}

// The server program on the same database: a denied address gets 403 within
// seconds and again 2xx once allowed; a removal is gone from the page at once.
TEST_F(AdminCommand, TheRunningServerRefusesDeniedAddressesAndListsRemovalsAtOnce)
{
    ServerInstance server;
    ASSERT_TRUE(StartInstance(PELLORIN_SERVER_PROGRAM, database, std::string(directory) + "/server.log", &server));
    const char *path = "/pellorin/highscore.asp";
    auto uploadFrom = [&](int source, unsigned score) {
        return HttpRequest(server.port, "POST", path, Form({ { "Probe", 1, score, 0 } }), source).status;
    };
    ASSERT_EQ(Admin(database, { "deny", "add", "127.0.0.3" }).status, 0);
    int status = 0;
    auto start = std::chrono::steady_clock::now();
    for (unsigned score = 1; status != 403 && std::chrono::steady_clock::now() - start < std::chrono::seconds(5);
         ++score) {
        status = uploadFrom(3, score);
        if (status != 403)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_EQ(status, 403);
    EXPECT_EQ(uploadFrom(2, 100000), 202) << "other addresses are served";

    ASSERT_EQ(Admin(database, { "deny", "remove", "127.0.0.3" }).status, 0);
    start = std::chrono::steady_clock::now();
    for (unsigned score = 200000; status == 403 && std::chrono::steady_clock::now() - start < std::chrono::seconds(5);
         ++score) {
        status = uploadFrom(3, score);
        if (status == 403)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_EQ(status, 202);

    AdminRun listing = Admin(database, { "list", "1" });
    long long newest = ListedId(listing.output, "Probe");
    ASSERT_GT(newest, 0) << listing.output;
    std::vector<std::string> before = ListedRows(HttpRequest(server.port, "GET", path, "").body);
    ASSERT_EQ(Admin(database, { "remove", std::to_string(newest) }).status, 0);
    std::vector<std::string> after = ListedRows(HttpRequest(server.port, "GET", path, "").body);
    EXPECT_EQ(after.size() + 1, before.size());
    StopInstance(&server);
}
