// The server program as a hostile client meets it: oversized and endless
// requests, slow connections, floods of uploads, forged proxy headers, and
// a kill in the middle of uploads. Each test starts its own server process
// on loopback and stops it afterwards.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <dirent.h>
#include <poll.h>
#include <stdio.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "highscore_block.h"
#include "http_client.h"
#include "server_process.h"
#include "upload_form.h"
#include "upload_form_seams.h"

typedef std::chrono::steady_clock Clock;

static const char UploadPage[] = "/pellorin/highscore.asp";

// A table with one result, as the game sends it.
static std::string UploadForm(const char *name, uint32_t score)
{
    unsigned char block[HighScoreBlockSize];
    memcpy(block, DefaultHighScoreBlock, sizeof block);
    InsertHighScore(block, 0, name, 3, score, 1700000000u);
    SetBlockChecksum(block);
    ScrambleBlock(block, sizeof block);
    return FormatUploadForm(block);
}

static int Upload(int port, const char *name, uint32_t score, const char *source = NULL,
                  const std::string &headers = "", HttpReply *reply = NULL)
{
    return Exchange(port, FormatRequest("POST", UploadPage, UploadForm(name, score), headers), reply, source);
}

class HostileClients : public ::testing::Test {
protected:
    ServerProcess server = { -1, -1, "" };

    void TearDown() override
    {
        StopServerProcess(&server);
        RemoveServerFiles(&server);
    }
    void Start(const std::vector<std::string> &options)
    {
        ASSERT_EQ(StartServerProcess(&server, options), 1) << ServerOutput(&server);
    }
};

struct StreamCase {
    const char *what;
    std::string head;     // sent once
    std::string stream;   // then sent again and again
    std::set<int> statuses;
};

static std::string Repeat(const std::string &text, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i)
        out += text;
    return out;
}

// Sends head, then stream over and over (up to 64 MB) until the server stops
// reading; returns the answer's status, and whether the server then closed.
static int StreamPastCap(int port, const StreamCase &c, bool *closed)
{
    *closed = false;
    int fd = ConnectToServer(port, NULL, 5);
    if (fd < 0)
        return -2;
    int sent = SendAll(fd, c.head);
    for (size_t total = 0; sent && total < (64u << 20); total += c.stream.size()) {
        // Stop once the server has answered: it will read no further.
        struct pollfd p = { fd, POLLIN, 0 };
        if (poll(&p, 1, 0) > 0)
            break;
        sent = SendAll(fd, c.stream);
    }
    HttpReply reply;
    ReadReply(fd, &reply);
    *closed = ServerClosed(fd, 5) != 0;
    close(fd);
    return reply.status;
}

TEST_F(HostileClients, EveryCapAnswersClosesAndKeepsNothing)
{
    Start({});
    const std::string chunk = "1000\r\n" + std::string(4096, 'a') + "\r\n";
    const std::string upload = UploadForm("Fine", 10);
    const StreamCase cases[] = {
        /* what, head, stream, statuses */
        { "an endless request line", "GET /", std::string(65536, 'a'), { 414 } },
        { "a request line over 8 KiB", "GET /" + std::string(9000, 'a') + " HTTP/1.1\r\nHost: x\r\n\r\n", "", { 414 } },
        { "an endless header line", "GET / HTTP/1.1\r\nX-Long: ", std::string(65536, 'a'), { 431 } },
        { "a header line over 8 KiB", "GET / HTTP/1.1\r\nX-Long: " + std::string(9000, 'a') + "\r\n\r\n", "",
          { 431 } },
        { "endless header lines", "GET / HTTP/1.1\r\n", Repeat("X-Many: b\r\n", 1000), { 431 } },
        { "65 headers", "GET / HTTP/1.1\r\n" + Repeat("X-Many: b\r\n", 65) + "\r\n", "", { 431 } },
        { "a head over 16 KiB", "GET / HTTP/1.1\r\n" + Repeat("X-Wide: " + std::string(6000, 'w') + "\r\n", 3) + "\r\n",
          "", { 431 } },
        { "a chunked upload", std::string("POST ") + UploadPage + " HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n",
          chunk, { 400, 413 } },
        { "a chunked body to an unknown page", "POST /nothing HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n",
          chunk, { 404, 413 } },
        { "a chunked body to the help page", "GET /pellorin/pellorin.asp HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n",
          chunk, { 200, 413 } },
        { "an upload without a length", std::string("POST ") + UploadPage + " HTTP/1.1\r\nHost: x\r\n\r\n" + upload,
          std::string(65536, 'a'), { 400 } },
        { "a Content-Length of 300 MB", std::string("POST ") + UploadPage +
          " HTTP/1.1\r\nHost: x\r\nContent-Length: 300000000\r\n\r\n", std::string(65536, 'a'), { 400, 413 } },
        { "a Content-Length of 300 MB elsewhere", "PUT /other HTTP/1.1\r\nHost: x\r\nContent-Length: 300000000\r\n\r\n",
          std::string(65536, 'a'), { 413 } },
        { "a gzip upload", std::string("POST ") + UploadPage + " HTTP/1.1\r\nHost: x\r\nContent-Encoding: gzip\r\n"
          "Content-Length: " + std::to_string(upload.size()) + "\r\n\r\n" + upload, "", { 415 } },
        { "an unknown transfer coding", std::string("POST ") + UploadPage + " HTTP/1.1\r\nHost: x\r\n"
          "Transfer-Encoding: gzip, chunked\r\n\r\n", chunk, { 400, 501 } },
    };
    const long before = ResidentKilobytes(server.pid);
    ASSERT_GT(before, 0);
    for (const StreamCase &c : cases) {
        SCOPED_TRACE(c.what);
        bool closed = false;
        int status = StreamPastCap(server.port, c, &closed);
        EXPECT_EQ(c.statuses.count(status), 1u) << "status " << status;
        EXPECT_TRUE(closed);
        EXPECT_LT(ResidentKilobytes(server.pid) - before, 16 * 1024);
    }
    // Nothing of the refused requests was stored; the server still serves.
    HttpReply list;
    EXPECT_EQ(Exchange(server.port, FormatRequest("GET", UploadPage), &list), 200);
    EXPECT_EQ(list.body.find("Fine"), std::string::npos);
    EXPECT_EQ(Upload(server.port, "After", 20), 202);
}

// Many slow connections from one address, each sending a header line or a
// byte of body a second, while another address keeps uploading: every upload is answered
// within a second, and the slow ones are cut off at their deadline.
TEST_F(HostileClients, TricklingConnectionsDoNotHoldUpOthers)
{
    Start({ "--upload-rate", "0" });
    // Half of them trickle their head, half a body after a whole head.
    static const char *const Starts[2] = {
        "POST /pellorin/highscore.asp HTTP/1.1\r\n",
        "POST /pellorin/highscore.asp HTTP/1.1\r\nHost: x\r\nContent-Length: 518\r\n\r\nHighscore=",
    };
    static const char *const Trickles[2] = { "X-Slow: 1\r\n", "0" };
    std::vector<int> slow;
    for (int i = 0; i < 200; ++i) {
        int fd = ConnectToServer(server.port, "127.0.0.2", 2);
        if (fd >= 0 && SendAll(fd, Starts[i % 2]))
            slow.push_back(fd);
        else if (fd >= 0)
            close(fd);
    }
    ASSERT_FALSE(slow.empty());
    std::atomic<bool> stop(false);
    std::thread trickle([&] {
        for (int second = 0; !stop; ++second) {
            for (size_t i = 0; i < slow.size(); ++i)
                send(slow[i], Trickles[i % 2], strlen(Trickles[i % 2]), MSG_NOSIGNAL | MSG_DONTWAIT);
            for (int i = 0; i < 10 && !stop; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    });
    double slowest = 0;
    int answered = 0, uploads = 0;
    Clock::time_point start = Clock::now();
    while (Clock::now() - start < std::chrono::seconds(13)) {
        Clock::time_point sent = Clock::now();
        int status = Upload(server.port, "Steady", (uint32_t)(1000 + uploads), "127.0.0.1");
        double seconds = std::chrono::duration<double>(Clock::now() - sent).count();
        ++uploads;
        if (status == 202 || status == 200)
            ++answered;
        if (seconds > slowest)
            slowest = seconds;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    stop = true;
    trickle.join();
    EXPECT_EQ(answered, uploads);
    EXPECT_LT(slowest, 1.0);
    // 13 s after they began, every slow connection has been let go.
    int stillOpen = 0;
    for (int fd : slow) {
        if (!ServerClosed(fd, 0.5))
            ++stillOpen;
        close(fd);
    }
    EXPECT_EQ(stillOpen, 0);
    EXPECT_NE(ServerOutput(&server).find("not received in time"), std::string::npos);
}

TEST_F(HostileClients, IdleAndExcessConnectionsAreLetGo)
{
    Start({});
    // A kept-alive connection after its answer, and one that never says a word.
    int kept = ConnectToServer(server.port);
    ASSERT_GE(kept, 0);
    HttpReply reply;
    ASSERT_TRUE(SendAll(kept, FormatRequest("GET", "/pellorin/pellorin.asp")));
    ASSERT_TRUE(ReadReply(kept, &reply));
    EXPECT_EQ(ReplyHeader(reply, "Connection"), "");
    int silent = ConnectToServer(server.port);
    ASSERT_GE(silent, 0);
    // One address gets a bounded share of the connections.
    std::vector<int> crowd;
    for (int i = 0; i < 40; ++i) {
        int fd = ConnectToServer(server.port, "127.0.0.4", 2);
        if (fd >= 0)
            crowd.push_back(fd);
    }
    int refused = 0;
    for (int fd : crowd) {
        refused += ServerClosed(fd, 0.2);
        close(fd);
    }
    EXPECT_GE(refused, 40 - 32);
    EXPECT_EQ(Exchange(server.port, FormatRequest("GET", "/pellorin/health"), NULL, "127.0.0.5"), 200);
    Clock::time_point start = Clock::now();
    EXPECT_TRUE(ServerClosed(kept, 8));
    EXPECT_TRUE(ServerClosed(silent, 8));
    EXPECT_LT(std::chrono::duration<double>(Clock::now() - start).count(), 7.0);
    close(kept);
    close(silent);
}

static int OpenDescriptors(pid_t pid)
{
    char path[64];
    snprintf(path, sizeof path, "/proc/%d/fd", (int)pid);
    DIR *directory = opendir(path);
    if (directory == NULL)
        return -1;
    int count = 0;
    while (readdir(directory) != NULL)
        ++count;
    closedir(directory);
    return count - 2;
}

TEST_F(HostileClients, TheServerHoldsABoundedNumberOfConnections)
{
    Start({});
    // 1200 connections from 40 addresses (30 each, under the per-address
    // cap): past the server's cap the newest are closed at once.
    std::vector<int> crowd;
    for (int a = 0; a < 40; ++a) {
        char source[32];
        snprintf(source, sizeof source, "127.0.1.%d", 1 + a);
        for (int i = 0; i < 30; ++i) {
            int fd = ConnectToServer(server.port, source, 2);
            if (fd >= 0)
                crowd.push_back(fd);
        }
    }
    ASSERT_EQ(crowd.size(), 1200u);
    // Well before the idle timeout: the server holds at most its cap (two
    // descriptors each), the rest wait in the listen queue unserved.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_LE(OpenDescriptors(server.pid), 2 * 1024 + 200);
    EXPECT_GE(OpenDescriptors(server.pid), 2 * 900);
    HttpReply none;
    int late = ConnectToServer(server.port, "127.0.0.9", 1);
    ASSERT_GE(late, 0);
    SendAll(late, FormatRequest("GET", "/pellorin/health"));
    EXPECT_FALSE(ReadReply(late, &none)) << "answered beyond the cap";
    close(late);
    for (int fd : crowd)
        close(fd);
    // Once they are gone the server serves again.
    int status = -1;
    for (int i = 0; i < 50 && status != 200; ++i) {
        status = Exchange(server.port, FormatRequest("GET", "/pellorin/health"));
        if (status != 200)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_EQ(status, 200);
}

TEST_F(HostileClients, UploadsFromOneAddressAreLimited)
{
    Start({ "--upload-rate", "6", "--upload-burst", "3" });
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Upload(server.port, "Burst", (uint32_t)(100 + i), "127.0.0.1"), 202) << i;
    HttpReply refused;
    EXPECT_EQ(Upload(server.port, "Burst", 200, "127.0.0.1", "", &refused), 429);
    EXPECT_EQ(refused.body, "Too many uploads from your address; try again in a minute.\n");
    EXPECT_EQ(ReplyHeader(refused, "Content-Type"), "text/plain; charset=utf-8");
    EXPECT_EQ(Upload(server.port, "Other", 300, "127.0.0.3"), 202) << "another address has its own allowance";
    // A forged X-Forwarded-For changes nothing without --trust-proxy.
    EXPECT_EQ(Upload(server.port, "Forged", 400, "127.0.0.1", "X-Forwarded-For: 203.0.113.9\r\n"), 429);
    // The refused uploads stored nothing.
    HttpReply list;
    Exchange(server.port, FormatRequest("GET", UploadPage), &list);
    EXPECT_EQ(list.body.find(">200<"), std::string::npos);
    EXPECT_EQ(list.body.find("Forged"), std::string::npos);
}

TEST_F(HostileClients, BehindAProxyTheLastForwardedAddressCounts)
{
    Start({ "--upload-rate", "6", "--upload-burst", "2", "--trust-proxy" });
    // The proxy appends the address it saw; anything before it is the
    // client's own claim and must not buy a fresh allowance.
    static const struct {
        const char *forwarded;
        int status;
    } cases[] = {
        /* X-Forwarded-For                 status */
        { "198.51.100.7",                   202 },
        { "203.0.113.1, 198.51.100.7",      202 },
        { "203.0.113.2, 198.51.100.7",      429 },
        { "198.51.100.8",                   202 },
        { " 2001:db8::1 ",                  202 },
        { "[2001:db8::2]",                  202 },
        { "2001:db8::3",                    429 },  // the same /64 as the two before
        { "not an address",                 202 },  // counted under the proxy's own address
        { "",                               202 },
        { "198.51.100.7, garbage",          429 },  // the proxy's own address again
    };
    uint32_t score = 1000;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.forwarded);
        EXPECT_EQ(Upload(server.port, "Proxied", score++, "127.0.0.1",
                         std::string("X-Forwarded-For: ") + c.forwarded + "\r\n"),
                  c.status);
    }
    // The log names the forwarded client with the method, path and status.
    const std::string log = ServerOutput(&server);
    EXPECT_NE(log.find("Z 198.51.100.8 \"POST /pellorin/highscore.asp\" 202 "), std::string::npos) << log;
    EXPECT_NE(log.find("Z 2001:db8::3 \"POST /pellorin/highscore.asp\" 429 "), std::string::npos) << log;
}

// Names of the results in the database, read directly.
static std::set<std::string> StoredNames(const std::string &path)
{
    std::set<std::string> names;
    sqlite3 *db = NULL;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, NULL) != SQLITE_OK) {
        sqlite3_close(db);
        return names;
    }
    sqlite3_stmt *select = NULL;
    if (sqlite3_prepare_v2(db, "SELECT name FROM entries", -1, &select, NULL) == SQLITE_OK) {
        while (sqlite3_step(select) == SQLITE_ROW)
            names.insert(std::string((const char *)sqlite3_column_blob(select, 0), (size_t)sqlite3_column_bytes(select, 0)));
    }
    sqlite3_finalize(select);
    sqlite3_close(db);
    return names;
}

TEST_F(HostileClients, EveryAcknowledgedUploadOutlivesAKillOrAStop)
{
    std::set<std::string> acknowledged;
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        Start({ "--upload-rate", "0" });
        std::mutex lock;
        std::atomic<bool> stop(false);
        std::vector<std::thread> clients;
        for (int c = 0; c < 8; ++c) {
            clients.emplace_back([&, c] {
                for (int serial = 0; !stop; ++serial) {
                    char name[16];
                    snprintf(name, sizeof name, "r%dc%dn%d", round, c, serial);
                    int status = Upload(server.port, name, (uint32_t)(1 + serial), NULL);
                    if (status == 202 || status == 200) {
                        std::lock_guard<std::mutex> hold(lock);
                        acknowledged.insert(name);
                    }
                }
            });
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(800));
        // The last round ends with SIGTERM: the server stores what it has
        // taken and ends cleanly, whatever is in flight.
        int status = StopServerProcess(&server, round < 2);
        if (round == 2) {
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "wait status " << status;
        }
        stop = true;
        for (std::thread &t : clients)
            t.join();
    }
    ASSERT_GT(acknowledged.size(), 100u);
    // The server opens the database again after the kill, then the names are
    // read with the server stopped.
    Start({});
    EXPECT_EQ(Exchange(server.port, FormatRequest("GET", "/pellorin/health")), 200);
    StopServerProcess(&server);
    const std::set<std::string> stored = StoredNames(server.directory + "/scores.db");
    size_t missing = 0;
    for (const std::string &name : acknowledged)
        missing += stored.count(name) == 0;
    EXPECT_EQ(missing, 0u) << "of " << acknowledged.size() << " acknowledged";
}
