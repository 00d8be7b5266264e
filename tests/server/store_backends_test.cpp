// The same uploads, lists and moderation on both backends, SQLite and
// PostgreSQL (a private server this program starts), from one table of
// cases: the form as the game posts it is read and stored as the server
// does, and the list is read back through the page code.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "highscore_block.h"
#include "highscore_block_seams.h"
#include "score_pages.h"
#include "score_store.h"
#include "test_postgres.h"
#include "upload_bodies.h"
#include "upload_form.h"

// What the server answers for the body: 400 malformed, 202 standing, 200
// not, 503 not stored.
static int Upload(const std::string &body, const char *address = "192.0.2.1")
{
    unsigned char block[HighScoreBlockSize];
    if (!ReadUploadForm(body, block))
        return 400;
    ScoreEntry entries[HighScoreEntryCount];
    int count = CollectEntries(block, entries);
    int standing = 0;
    if (count > 0 && !StoreEntries(entries, count, address, &standing))
        return 503;
    return standing ? 202 : 200;
}

static int Upload(const std::vector<TestEntry> &entries) { return Upload(Form(entries)); }

static std::vector<ScoreEntry> Best(void)
{
    std::vector<ScoreEntry> entries(GlobalListSize);
    int count = ReadBestEntries(entries.data(), GlobalListSize);
    entries.resize(count < 0 ? 0 : (size_t)count);
    return entries;
}

static int postgresStarted;

class PostgresServer : public ::testing::Environment {
public:
    void SetUp() override { postgresStarted = StartTestPostgres(); }
    void TearDown() override { StopTestPostgres(); }
};

class StoreBackends : public ::testing::TestWithParam<const char *> {
protected:
    char directory[64] = "";

    void SetUp() override
    {
        std::string where;
        if (strcmp(GetParam(), "sqlite") == 0) {
            strcpy(directory, "/tmp/pellorin-backends-test.XXXXXX");
            ASSERT_NE(mkdtemp(directory), (char *)NULL);
            where = std::string(directory) + "/scores.db";
        } else {
            ASSERT_TRUE(postgresStarted) << "the private PostgreSQL server did not start";
            static int serial;
            std::string name = "backends" + std::to_string(++serial);
            where = CreateTestDatabase(name.c_str());
        }
        ASSERT_EQ(OpenScoreStore(where.c_str()), 1) << where;
    }
    void TearDown() override
    {
        CloseScoreStore();
        if (directory[0] != 0) {
            std::string command = std::string("rm -rf '") + directory + "'";
            ASSERT_EQ(system(command.c_str()), 0);
        }
    }
};

TEST_P(StoreBackends, UploadsAreCheckedAndStoredOnce)
{
    for (const UploadCase &upload : UploadCases()) {
        SCOPED_TRACE(upload.what);
        EXPECT_EQ(Upload(upload.body), upload.status);
        EXPECT_EQ(Best().size(), upload.listed);
    }
    std::vector<StoredResult> all;
    ASSERT_EQ(ReadAllResults(&all), 1);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_STREQ(all[0].address, "192.0.2.1");
    EXPECT_LE(llabs(all[0].received - (int64_t)time(NULL)), 60);
}

TEST_P(StoreBackends, TheBestHundredAreRankedByScoreThenTimeThenArrival)
{
    for (int upload = 0; upload < 10; ++upload) {
        std::vector<TestEntry> entries;
        for (int i = 0; i < 10; ++i)
            entries.push_back({ "Filler", 1, (uint32_t)(1100 - upload * 10 - i), 1700000000u });
        ASSERT_EQ(Upload(entries), 202);
    }
    EXPECT_EQ(Upload({ { "Low", 1, 999, 1700000000u } }), 200) << "below the hundredth";
    EXPECT_EQ(Upload({ { "Tied late", 1, 1001, 1700000001u } }), 200) << "equal score, later";
    EXPECT_EQ(Upload({ { "Same time", 1, 1001, 1700000000u } }), 200) << "equal score and time, arrived later";
    EXPECT_EQ(Upload({ { "Filler", 1, 1001, 1700000000u } }), 202) << "the hundredth itself, sent again";
    EXPECT_EQ(Upload({ { "Tied early", 1, 1001, 1699999999u } }), 202) << "equal score, earlier";
    std::vector<ScoreEntry> best = Best();
    ASSERT_EQ(best.size(), 100u);
    EXPECT_EQ(best[0].score, 1100u);
    EXPECT_STREQ(best[99].name, "Tied early");
    EXPECT_EQ(Upload({ { "Filler", 1, 1001, 1700000000u } }), 200) << "pushed out";
    EXPECT_EQ(Upload({ { "Same time", 1, 1001, 1700000000u } }), 200);
}

TEST_P(StoreBackends, NamesKeepEveryByteAndAreEscapedOnThePage)
{
    ASSERT_EQ(Upload({ { "<script>", 1, 300, 0 },
                       { "A&B \"q\" 'x'", 1, 200, 0 },
                       { "\x80uro J\xf6rg", 1, 100, 0 },
                       { "'); DROP--\\", 1, 50, 0 } }),
              202);
    std::vector<ScoreEntry> best = Best();
    ASSERT_EQ(best.size(), 4u);
    EXPECT_STREQ(best[2].name, "\x80uro J\xf6rg");
    EXPECT_STREQ(best[3].name, "'); DROP--\\");
    const std::string page = RenderScoreList(best.data(), (int)best.size());
    EXPECT_EQ(page.find("<script>"), std::string::npos);
    EXPECT_NE(page.find("<td>&lt;script&gt;</td>"), std::string::npos);
    EXPECT_NE(page.find("<td>A&amp;B &quot;q&quot; &#39;x&#39;</td>"), std::string::npos);
    EXPECT_NE(page.find("<td>\xe2\x82\xacuro J\xc3\xb6rg</td>"), std::string::npos);
}

TEST_P(StoreBackends, ModerationRemovesResultsAndKeepsTheDenyList)
{
    ASSERT_EQ(Upload(Form({ { "Keep", 1, 10, 0 } }), "192.0.2.1"), 202);
    ASSERT_EQ(Upload(Form({ { "Flood", 1, 900, 0 }, { "Flood", 1, 901, 0 } }), "::ffff:198.51.100.9"), 202);
    ASSERT_EQ(Upload(Form({ { "Odd", 1, 20, 0 } }), "2001:db8::9"), 202);
    std::vector<StoredResult> latest;
    ASSERT_EQ(ReadLatestResults(&latest, 2), 2);
    EXPECT_STREQ(latest[0].entry.name, "Odd");
    EXPECT_STREQ(latest[1].address, "198.51.100.9");

    EXPECT_EQ(RemoveResultsFrom("198.51.100.9"), 2);
    EXPECT_EQ(RemoveResult(latest[0].id), 1);
    EXPECT_EQ(RemoveResult(latest[0].id), 0);
    ASSERT_EQ(Best().size(), 1u);
    EXPECT_STREQ(Best()[0].name, "Keep");

    AddressRange range;
    const char *problem = NULL;
    ASSERT_TRUE(ParseRange("2001:db8::/48", &range, &problem));
    EXPECT_EQ(AddDeniedRange(&range), 1);
    EXPECT_EQ(AddDeniedRange(&range), 0);
    EXPECT_EQ(AddressDenied("2001:db8::9"), 1);
    std::vector<std::string> ranges;
    EXPECT_EQ(ReadDeniedRanges(&ranges), 1);
    EXPECT_EQ(ranges, std::vector<std::string>({ "2001:db8::/48" }));
    EXPECT_EQ(RemoveDeniedRange(&range), 1);
    EXPECT_EQ(AddressDenied("2001:db8::9"), 0);
}

static int RunProgram(const std::string &arguments, std::string *output)
{
    std::string command = std::string(PELLORIN_SERVER_PROGRAM) + " " + arguments + " 2>&1";
    FILE *pipe = popen(command.c_str(), "r");
    char buffer[4096];
    size_t n;
    while (pipe != NULL && (n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        output->append(buffer, n);
    int status = pipe != NULL ? pclose(pipe) : -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

static void ExpectSameResult(const StoredResult &a, const StoredResult &b)
{
    EXPECT_EQ(a.id, b.id);
    EXPECT_STREQ(a.entry.name, b.entry.name);
    EXPECT_EQ(a.entry.level, b.entry.level);
    EXPECT_EQ(a.entry.score, b.entry.score);
    EXPECT_EQ(a.entry.time, b.entry.time);
    EXPECT_STREQ(a.address, b.address);
    EXPECT_EQ(a.received, b.received);
}

// Results from before addresses were kept, removed ones (gaps in the ids),
// odd bytes in names, and the deny list all arrive as they were.
TEST(CopyCommand, CarriesASqliteDatabaseOverToPostgresqlIntact)
{
    ASSERT_TRUE(postgresStarted);
    char directory[] = "/tmp/pellorin-copy-test.XXXXXX";
    ASSERT_NE(mkdtemp(directory), (char *)NULL);
    const std::string file = std::string(directory) + "/scores.db";
    sqlite3 *db = NULL;
    ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db,
                           "CREATE TABLE entries (id INTEGER PRIMARY KEY, name BLOB NOT NULL, level INTEGER NOT NULL,"
                           " score INTEGER NOT NULL, time INTEGER NOT NULL, UNIQUE (name, level, score, time));"
                           "INSERT INTO entries VALUES (1, X'4F6C64', 3, 300, 1600000000),"
                           " (2, X'80FF27', 4, 400, 1600000001);",
                           NULL, NULL, NULL),
              SQLITE_OK);
    sqlite3_close(db);

    ASSERT_EQ(OpenScoreStore(file.c_str()), 1);
    ASSERT_EQ(Upload(Form({ { "Gone", 1, 5, 0 } }), "192.0.2.5"), 202);
    ASSERT_EQ(Upload(Form({ { "New", 9, 9000, 1700000000u }, { "It's \\", 1, 7, 5 } }), "2001:db8::77"), 202);
    std::vector<StoredResult> latest;
    ASSERT_EQ(ReadLatestResults(&latest, 3), 3);
    ASSERT_EQ(RemoveResult(latest[2].id), 1);
    AddressRange range;
    const char *problem = NULL;
    ASSERT_TRUE(ParseRange("198.51.100.0/24", &range, &problem));
    ASSERT_EQ(AddDeniedRange(&range), 1);
    std::vector<StoredResult> before;
    ASSERT_EQ(ReadAllResults(&before), 1);
    CloseScoreStore();
    ASSERT_EQ(before.size(), 4u);

    const std::string uri = CreateTestDatabase("copied");
    std::string output;
    EXPECT_EQ(RunProgram("admin copy --from " + file + " --to '" + uri + "'", &output), 0) << output;
    EXPECT_NE(output.find("copied 4 results and 1 deny-list ranges"), std::string::npos) << output;

    ASSERT_EQ(OpenScoreStore(uri.c_str()), 1);
    std::vector<StoredResult> after;
    ASSERT_EQ(ReadAllResults(&after), 1);
    ASSERT_EQ(after.size(), before.size());
    for (size_t i = 0; i < before.size(); ++i) {
        SCOPED_TRACE(i);
        ExpectSameResult(after[i], before[i]);
    }
    EXPECT_STREQ(after[0].address, "") << "unknown stays unknown";
    std::vector<std::string> ranges;
    EXPECT_EQ(ReadDeniedRanges(&ranges), 1);
    EXPECT_EQ(ranges, std::vector<std::string>({ "198.51.100.0/24" }));
    ASSERT_EQ(Upload(Form({ { "Later", 1, 8, 0 } })), 202);
    std::vector<StoredResult> newest;
    ASSERT_EQ(ReadLatestResults(&newest, 1), 1);
    EXPECT_GT(newest[0].id, before.back().id) << "new ids go on after the copied ones";
    CloseScoreStore();

    output.clear();
    EXPECT_EQ(RunProgram("admin copy --from " + file + " --to '" + uri + "'", &output), 1)
        << "a second copy would mix two databases";
    EXPECT_EQ(QueryTestDatabase("copied", "SELECT count(*) FROM entries"), "5");
    std::string command = std::string("rm -rf '") + directory + "'";
    ASSERT_EQ(system(command.c_str()), 0);
}

INSTANTIATE_TEST_SUITE_P(, StoreBackends, ::testing::Values("sqlite", "postgres"),
                         [](const ::testing::TestParamInfo<const char *> &info) { return std::string(info.param); });

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new PostgresServer);
    return RUN_ALL_TESTS();
}
