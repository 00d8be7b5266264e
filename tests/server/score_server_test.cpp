// The score server in this process on a free loopback port with a database
// in a fresh directory, spoken to over HTTP like the game does.
#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "highscore_block.h"
#include "highscore_block_seams.h"
#include "http_client.h"
#include "score_pages.h"
#include "score_server.h"
#include "sha256.h"
#include "upload_bodies.h"

struct ListRow {
    int rank;
    std::string name;
    unsigned level;
    uint32_t score;
    std::string date;
};

class ScoreServer : public ::testing::Test {
protected:
    char directory[64];
    std::string database;

    void SetUp() override
    {
        strcpy(directory, "/tmp/pellorin-server-test.XXXXXX");
        ASSERT_NE(mkdtemp(directory), (char *)NULL);
        database = std::string(directory) + "/scores.db";
        Start("pellorin");
    }
    void TearDown() override
    {
        StopScoreServer();
        std::string command = std::string("rm -rf '") + directory + "'";
        ASSERT_EQ(system(command.c_str()), 0);
    }

    void Start(const char *prefix)
    {
        ServerOptions options;
        DefaultServerOptions(&options);
        options.port = 0;
        options.database = database;
        options.prefix = prefix;
        options.uploadRate = 0;
        ASSERT_EQ(StartScoreServer(&options), 1);
    }

    static int Post(const std::string &body, const char *path = "/pellorin/highscore.asp")
    {
        return Exchange(ScoreServerPort(), FormatRequest("POST", path, body));
    }

    static int Upload(const std::vector<TestEntry> &entries) { return Post(Form(entries)); }

    static std::string Get(const char *path, int *status = NULL)
    {
        HttpReply reply;
        int answer = Exchange(ScoreServerPort(), FormatRequest("GET", path), &reply);
        if (status != NULL)
            *status = answer;
        return reply.body;
    }

    static std::vector<ListRow> List()
    {
        std::string page = Get("/pellorin/highscore.asp");
        static const std::regex row("<tr><td class=\"n\">(\\d+)</td><td>(.*?)</td><td class=\"n\">(\\d+)</td>"
                                    "<td class=\"n\">(\\d+)</td><td>([^<]*)</td></tr>");
        std::vector<ListRow> rows;
        for (std::sregex_iterator i(page.begin(), page.end(), row), end; i != end; ++i) {
            const std::smatch &m = *i;
            rows.push_back({ std::stoi(m[1]), m[2], (unsigned)std::stoul(m[3]), (uint32_t)std::stoul(m[4]), m[5] });
        }
        return rows;
    }
};

TEST_F(ScoreServer, UploadsAreCheckedAndStoredOnce)
{
    std::vector<UploadCase> uploads = UploadCases();
    // Over HTTP a body may also be too long: refused before it is read.
    const std::string good = Form({ { "Alice", 7, 4321, 1700000000u } });
    uploads.insert(uploads.end() - 2, { "a body over the limit", good + "&padding=" + std::string(5000, 'x'), 400, 1 });
    for (const UploadCase &upload : uploads) {
        SCOPED_TRACE(upload.what);
        EXPECT_EQ(Post(upload.body), upload.status);
        EXPECT_EQ(List().size(), upload.listed);
    }
}

TEST_F(ScoreServer, TheListIsOrderedByScoreThenTimeAndRanked)
{
    ASSERT_EQ(Upload({ { "Carol", 4, 500, 1700000300u }, { "Dave", 9, 9000, 1700000000u } }), 202);
    ASSERT_EQ(Upload({ { "Erin", 5, 500, 1700000200u }, { "Frank", 2, 30, 86400u } }), 202);
    const std::vector<ListRow> rows = List();
    ASSERT_EQ(rows.size(), 4u);
    const char *names[] = { "Dave", "Erin", "Carol", "Frank" };
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(rows[i].rank, i + 1);
        EXPECT_EQ(rows[i].name, names[i]);
    }
    EXPECT_EQ(rows[0].level, 9u);
    EXPECT_EQ(rows[0].score, 9000u);
    EXPECT_EQ(rows[0].date, "2023-11-14");
    EXPECT_EQ(rows[3].date, "1970-01-02");
}

TEST_F(ScoreServer, OnlyTheBestHundredAreListedAndCountAsStanding)
{
    // 100 results, scores 1001 to 1100, all at the same time.
    for (int upload = 0; upload < 10; ++upload) {
        std::vector<TestEntry> entries;
        for (int i = 0; i < 10; ++i)
            entries.push_back({ "Filler", 1, (uint32_t)(1100 - upload * 10 - i), 1700000000u });
        ASSERT_EQ(Upload(entries), 202);
    }
    EXPECT_EQ(Upload({ { "Low", 1, 999, 1700000000u } }), 200) << "below the hundredth";
    EXPECT_EQ(Upload({ { "Tied late", 1, 1001, 1700000001u } }), 200) << "equal score, later";
    EXPECT_EQ(Upload({ { "Tied early", 1, 1001, 1699999999u } }), 202) << "equal score, earlier";
    std::vector<ListRow> rows = List();
    ASSERT_EQ(rows.size(), 100u);
    EXPECT_EQ(rows[99].name, "Tied early");

    EXPECT_EQ(Upload({ { "Low", 1, 999, 1700000000u }, { "Top", 2, 5000, 1700000000u } }), 202);
    rows = List();
    ASSERT_EQ(rows.size(), 100u);
    EXPECT_EQ(rows[0].name, "Top");
    EXPECT_EQ(rows[99].rank, 100);
    EXPECT_EQ(rows[99].score, 1002u);
    // Pushed out by Top, the same table no longer stands.
    EXPECT_EQ(Upload({ { "Tied early", 1, 1001, 1699999999u } }), 200);
}

TEST_F(ScoreServer, NamesAreEscapedAndReadAsWindows1252)
{
    ASSERT_EQ(Upload({ { "<script>", 1, 300, 0 }, { "A&B \"q\" 'x'", 1, 200, 0 }, { "\x80uro J\xf6rg", 1, 100, 0 } }),
              202);
    const std::string page = Get("/pellorin/highscore.asp");
    EXPECT_EQ(page.find("<script>"), std::string::npos);
    EXPECT_NE(page.find("<td>&lt;script&gt;</td>"), std::string::npos);
    EXPECT_NE(page.find("<td>A&amp;B &quot;q&quot; &#39;x&#39;</td>"), std::string::npos);
    EXPECT_NE(page.find("<td>\xe2\x82\xacuro J\xc3\xb6rg</td>"), std::string::npos);
}

TEST_F(ScoreServer, UnknownPagesAnswerNotFound)
{
    static const struct {
        const char *method;
        const char *path;
        int status;
    } cases[] = {
        /* method  path                         status */
        { "GET",   "/",                          404 },
        { "GET",   "/highscore.asp",             404 },
        { "GET",   "/pellorin/other.asp",        404 },
        { "GET",   "/pellorin/highscore.asp/x",  404 },
        { "GET",   "/pellorinx/highscore.asp",   404 },
        { "POST",  "/pellorin/pellorin.asp",     404 },
        { "POST",  "/highscore.asp",             404 },
        { "GET",   "/pellorin/pellorin.asp",     200 },
        { "GET",   "/pellorin/highscore.asp",    200 },
    };
    const std::string good = Form({ { "Alice", 7, 4321, 1700000000u } });
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.method) + " " + c.path);
        int status = -1;
        if (strcmp(c.method, "GET") == 0)
            Get(c.path, &status);
        else
            status = Post(good, c.path);
        EXPECT_EQ(status, c.status);
    }
    EXPECT_TRUE(List().empty()) << "an upload to another page stores nothing";
}

TEST_F(ScoreServer, AnEmptyPrefixServesThePagesAtTheRoot)
{
    StopScoreServer();
    Start("");
    EXPECT_EQ(Upload({}), 404);
    EXPECT_EQ(Post(Form({ { "Root", 1, 10, 0 } }), "/highscore.asp"), 202);
    int status = 0;
    Get("/pellorin.asp", &status);
    EXPECT_EQ(status, 200);
}

TEST_F(ScoreServer, TheHelpPageExplainsPlayScoringAndUploads)
{
    int status = 0;
    const std::string page = Get("/pellorin/pellorin.asp", &status);
    EXPECT_EQ(status, 200);
    for (const char *text : { "<kbd>Space</kbd>", "Settings", "<td class=\"n\">1250</td>", "drop bonus",
                              "every 30 seconds", "three pauses", "Upload to Server", "highscore.asp" })
        EXPECT_NE(page.find(text), std::string::npos) << text;
}

TEST_F(ScoreServer, StoredResultsOutliveARestart)
{
    ASSERT_EQ(Upload({ { "Durable", 3, 777, 1700000000u } }), 202);
    StopScoreServer();
    Start("pellorin");
    const std::vector<ListRow> rows = List();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].name, "Durable");
}

TEST_F(ScoreServer, ConcurrentUploadsOfOneTableStoreItOnce)
{
    const std::string same = Form({ { "Twin", 2, 222, 1700000000u }, { "Twin", 2, 111, 1700000000u } });
    std::vector<std::thread> clients;
    std::vector<int> statuses(16, 0);
    for (int i = 0; i < 16; ++i) {
        clients.emplace_back([&, i] {
            statuses[i] = Post(i % 2 == 0 ? same : Form({ { "Solo", 1, (uint32_t)(1000 + i), 0 } }));
        });
    }
    for (std::thread &t : clients)
        t.join();
    for (int status : statuses)
        EXPECT_EQ(status, 202);
    EXPECT_EQ(List().size(), 2u + 8u);
}

TEST_F(ScoreServer, EveryAnswerCarriesTheSecurityHeaders)
{
    const std::string policy = std::string("default-src 'none'; style-src 'sha256-") + Sha256Base64(PageStyleText()) +
                               "'; base-uri 'none'; form-action 'none'; frame-ancestors 'none'";
    static const struct {
        const char *method;
        const char *path;
        int status;
        const char *caching;
    } cases[] = {
        /* method  path                         status caching */
        { "GET",   "/pellorin/highscore.asp",   200,   "public, max-age=5" },
        { "GET",   "/pellorin/pellorin.asp",    200,   "public, max-age=300" },
        { "GET",   "/pellorin/nothing",         404,   "no-store" },
        { "POST",  "/pellorin/highscore.asp",   202,   "no-store" },
        { "POST",  "/pellorin/highscore.asp",   400,   "no-store" },
        { "GET",   "/pellorin/health",          200,   "no-store" },
    };
    const std::string good = Form({ { "Alice", 7, 4321, 1700000000u } });
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.method) + " " + c.path);
        HttpReply reply;
        std::string body = strcmp(c.method, "POST") != 0 ? "" : c.status == 202 ? good : "Highscore=00";
        EXPECT_EQ(Exchange(ScoreServerPort(), FormatRequest(c.method, c.path, body), &reply), c.status);
        EXPECT_EQ(ReplyHeader(reply, "Content-Security-Policy"), policy);
        EXPECT_EQ(ReplyHeader(reply, "X-Content-Type-Options"), "nosniff");
        EXPECT_EQ(ReplyHeader(reply, "X-Frame-Options"), "DENY");
        EXPECT_EQ(ReplyHeader(reply, "Referrer-Policy"), "no-referrer");
        EXPECT_EQ(ReplyHeader(reply, "Cache-Control"), c.caching);
    }
    // The hash is of the style the pages really carry.
    for (const char *page : { "/pellorin/highscore.asp", "/pellorin/pellorin.asp" })
        EXPECT_NE(Get(page).find(std::string("<style>") + PageStyleText() + "</style>"), std::string::npos) << page;
}

TEST_F(ScoreServer, HealthAnswersOkAndHeadAsksWithoutBody)
{
    HttpReply reply;
    EXPECT_EQ(Exchange(ScoreServerPort(), FormatRequest("GET", "/pellorin/health"), &reply), 200);
    EXPECT_EQ(reply.body, "ok\n");
    EXPECT_EQ(Exchange(ScoreServerPort(), FormatRequest("HEAD", "/pellorin/highscore.asp"), &reply), 200);
    EXPECT_EQ(ReplyHeader(reply, "Content-Type"), "text/html; charset=utf-8");
    EXPECT_EQ(Exchange(ScoreServerPort(), FormatRequest("DELETE", "/pellorin/highscore.asp"), &reply), 405);
}

TEST_F(ScoreServer, OneConnectionCarriesManyRequests)
{
    int fd = ConnectToServer(ScoreServerPort());
    ASSERT_GE(fd, 0);
    for (int i = 0; i < 5; ++i) {
        HttpReply reply;
        ASSERT_TRUE(SendAll(fd, FormatRequest("POST", "/pellorin/highscore.asp",
                                              Form({ { "Kept", 1, (uint32_t)(10 + i), 0 } }))));
        ASSERT_TRUE(ReadReply(fd, &reply));
        EXPECT_EQ(reply.status, 202);
        ASSERT_TRUE(SendAll(fd, FormatRequest("GET", "/pellorin/pellorin.asp")));
        ASSERT_TRUE(ReadReply(fd, &reply));
        EXPECT_EQ(reply.status, 200);
    }
    close(fd);
    EXPECT_EQ(List().size(), 5u);
}
