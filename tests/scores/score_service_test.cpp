// The online score service against a scripted HTTP server on loopback: the
// request it sends, the message box it shows for each kind of reply, and the
// URLs its links hand to the browser.
//
// Still to come with the game window: the real game uploading to the real
// server. Start build/native/server/pellorin-score-server --port 0 --database
// <tmp>/scores.db on the Linux side (Wine reaches it on 127.0.0.1) and read
// the port from its first line; before pellorin.exe starts, put GameServer
// "127.0.0.1:<port>/pellorin" and a HighScore block with a known name under
// HKCU\Software\Tovrin-Works\Pellorin in the prefix; open Game, High
// Score..., press "Upload to Server" (1032), expect "Success! Your Scores are
// Uploaded" under "Request completed", then GET /pellorin/highscore.asp and
// find the name; "View Internet list" (1034) with the Browsers capture below
// gives http://127.0.0.1:<port>/pellorin/highscore.asp.
#include <winsock2.h>
#include <windows.h>
#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>
#include <string>
#include <thread>
#include <vector>

#include "app/shell_handles.h"
#include "game/shell.h"
#include "input/settings_store.h"
#include "scores/highscore_block.h"
#include "scores/highscore_block_seams.h"
#include "scores/score_service.h"
#include "scores/score_service_seams.h"
#include "tests/support/dialog_driver.h"

enum { WaitLimitMs = 15000 };

static HWND mainWindow;

// --- a server that answers one connection with a scripted reply ----------

struct ScriptedExchange {
    std::string reply;     // bytes sent back, verbatim
    std::string late;      // sent after lateDelayMs, as a slow network would
    DWORD lateDelayMs = 0;
    std::string head;      // request line and headers as received
    std::string body;
    volatile LONG done = 0;
    volatile LONG abandoned = 0;
    volatile LONG received = 0;  // the request has been read
    volatile LONG hold = 0;      // 1: wait with the reply until it is 0
};

static SOCKET listener = INVALID_SOCKET;
static int listenPort;
static std::thread serverThread;

static void StartListener()
{
    WSADATA data;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    ASSERT_NE(listener, INVALID_SOCKET);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(listener, (sockaddr *)&address, sizeof address), 0);
    ASSERT_EQ(listen(listener, 4), 0);
    int length = sizeof address;
    ASSERT_EQ(getsockname(listener, (sockaddr *)&address, &length), 0);
    listenPort = ntohs(address.sin_port);
}

static size_t ContentLength(const std::string &head)
{
    const char *p = strstr(head.c_str(), "\r\nContent-Length:");
    return p == NULL ? 0 : (size_t)strtoul(p + 17, NULL, 10);
}

static void AnswerOne(ScriptedExchange *exchange)
{
    // Short waits so that an upload that never connects lets the thread go.
    for (;;) {
        fd_set ready;
        FD_ZERO(&ready);
        FD_SET(listener, &ready);
        timeval limit = { 0, 50000 };
        if (select(0, &ready, NULL, NULL, &limit) == 1)
            break;
        if (exchange->abandoned)
            return;
    }
    SOCKET client = accept(listener, NULL, NULL);
    if (client == INVALID_SOCKET)
        return;
    std::string data;
    char buffer[4096];
    size_t headEnd = std::string::npos;
    for (;;) {
        headEnd = data.find("\r\n\r\n");
        if (headEnd != std::string::npos && data.size() >= headEnd + 4 + ContentLength(data.substr(0, headEnd + 2)))
            break;
        int got = recv(client, buffer, sizeof buffer, 0);
        if (got <= 0)
            break;
        data.append(buffer, (size_t)got);
    }
    if (headEnd != std::string::npos) {
        exchange->head = data.substr(0, headEnd + 2);
        exchange->body = data.substr(headEnd + 4);
    }
    InterlockedExchange(&exchange->received, 1);
    WaitUntil([&] { return exchange->hold == 0 || exchange->abandoned != 0; }, 4 * WaitLimitMs);
    send(client, exchange->reply.data(), (int)exchange->reply.size(), 0);
    if (!exchange->late.empty()) {
        Sleep(exchange->lateDelayMs);
        send(client, exchange->late.data(), (int)exchange->late.size(), 0);
    }
    shutdown(client, SD_SEND);
    while (recv(client, buffer, sizeof buffer, 0) > 0) {
    }
    closesocket(client);
    InterlockedExchange(&exchange->done, 1);
}

static std::string Reply(int status, const std::string &body)
{
    char head[128];
    snprintf(head, sizeof head, "HTTP/1.1 %d Scripted\r\nContent-Length: %u\r\nConnection: close\r\n\r\n",
             status, (unsigned)body.size());
    return head + body;
}

// --- the window thread's side ---------------------------------------------

struct BoxSeen {
    std::string caption;
    std::string text;
    HWND owner;
    DWORD thread;
    bool okOnly;
    bool iconShown;
};

static bool Shown(HWND box, int id)
{
    HWND item = GetDlgItem(box, id);
    return item != NULL && IsWindowVisible(item);
}

// Waits for the next message box, reads it and presses its OK button.
static bool TakeBox(BoxSeen *seen, DWORD limitMs = WaitLimitMs)
{
    HWND box = NULL;
    if (!PumpUntil([&] { return (box = FindOwnDialog()) != NULL; }, limitMs))
        return false;
    char caption[256] = "";
    GetWindowTextA(box, caption, sizeof caption);
    seen->caption = caption;
    seen->text = ItemText(box, MessageBoxTextId);
    seen->owner = GetWindow(box, GW_OWNER);
    seen->thread = GetWindowThreadProcessId(box, NULL);
    seen->okOnly = Shown(box, IDOK) && !Shown(box, IDCANCEL) && !Shown(box, IDYES) && !Shown(box, IDNO) &&
                   !Shown(box, IDABORT) && !Shown(box, IDRETRY) && !Shown(box, IDIGNORE);
    seen->iconShown = false;
    for (HWND child = GetWindow(box, GW_CHILD); child != NULL; child = GetWindow(child, GW_HWNDNEXT)) {
        if (IsWindowVisible(child) && (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
            SendMessageA(child, STM_GETICON, 0, 0) != 0)
            seen->iconShown = true;
    }
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    return PumpUntil([&] { return !IsWindow(box); }, WaitLimitMs);
}

static void SetServer(const std::string &server)
{
    ASSERT_LT(server.size(), (size_t)GameServerSize);
    strcpy(GetSettings()->gameServer, server.c_str());
}

static std::string LocalServer(const std::string &path)
{
    return "127.0.0.1:" + std::to_string(listenPort) + path;
}

// A stored block: the default table with one result, checksummed and
// scrambled the way the registry keeps it.
static void MakeStoredBlock(unsigned char *block)
{
    memcpy(block, DefaultHighScoreBlock, HighScoreBlockSize);
    InsertHighScore(block, 0, "Tester", 7, 4321, 1700000000u);
    block[0] = 0x0F;
    block[1] = 0xA5;
    SetBlockChecksum(block);
    ScrambleBlock(block, HighScoreBlockSize);
}

static std::string Hex(const unsigned char *bytes, size_t count)
{
    std::string out;
    char two[3];
    for (size_t i = 0; i < count; i++) {
        snprintf(two, sizeof two, "%02X", bytes[i]);
        out += two;
    }
    return out;
}

static void StartUpload(const std::string &server, ScriptedExchange *exchange)
{
    exchange->done = 0;
    exchange->abandoned = 0;
    exchange->received = 0;
    serverThread = std::thread(AnswerOne, exchange);
    SetServer(server);
    unsigned char block[HighScoreBlockSize];
    MakeStoredBlock(block);
    UploadHighScores(block);
}

// The verdict is shown on this thread, the window thread, whose messages
// flow here until the upload has ended; another thread reads and closes
// every box meanwhile.
static void CollectBoxes(std::vector<BoxSeen> *boxes)
{
    volatile LONG finished = 0;
    std::thread taker([&] {
        BoxSeen seen;
        while (finished == 0) {
            if (TakeBox(&seen, 100))
                boxes->push_back(seen);
        }
    });
    EXPECT_TRUE(PumpUntil([] { return !IsUploadPending(); }, WaitLimitMs)) << "the upload never ended";
    InterlockedExchange(&finished, 1);
    taker.join();
}

// Collects every box shown until the upload has ended, then lets the
// scripted server go.
static void FinishUpload(ScriptedExchange *exchange, std::vector<BoxSeen> *boxes)
{
    CollectBoxes(boxes);
    InterlockedExchange(&exchange->abandoned, 1);
    serverThread.join();
}

// Uploads the test block against a scripted reply.
static void RunUpload(const std::string &server, ScriptedExchange *exchange, std::vector<BoxSeen> *boxes)
{
    StartUpload(server, exchange);
    FinishUpload(exchange, boxes);
}

class ScoreService : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(NULL);
        windowClass.lpszClassName = "ScoreServiceTestWindow";
        RegisterClassA(&windowClass);
        mainWindow = CreateWindowExA(0, "ScoreServiceTestWindow", "Pellorin", WS_OVERLAPPEDWINDOW, 0, 0, 200, 200,
                                     NULL, NULL, GetModuleHandleA(NULL), NULL);
        ASSERT_NE(mainWindow, (HWND)NULL);
        ShowWindow(mainWindow, SW_SHOWNORMAL);
        SetShellHandles(mainWindow, GetModuleHandleA(NULL));
        StartListener();
        OpenScoreService();
    }
    static void TearDownTestSuite()
    {
        CloseScoreService();
        closesocket(listener);
        DestroyWindow(mainWindow);
    }
};

TEST_F(ScoreService, EachReplyStatusShowsItsMessage)
{
    const std::string exact(8191, 'x');
    static const struct {
        int status;
        const char *body;   // NULL: the 8191-byte body above
        const char *caption;
        const char *text;
    } cases[] = {
        /* status body               caption                    text */
        { 200, "",                   "Request completed",       "Success! But no score qualified :-(" },
        { 202, "ignored",            "Request completed",       "Success! Your Scores are Uploaded" },
        { 400, "",                   "Request completed",       "Error! Bad request" },
        { 404, "<html>gone</html>",  "Request completed",       "Error! Gameserver not found where specified" },
        { 500, "Database is down",   "Server Errorcode: 500",   "Database is down" },
        { 503, "",                   "Server Errorcode: 503",   "" },
        { 500, NULL,                 "Server Errorcode: 500",   NULL },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.status);
        ScriptedExchange exchange;
        exchange.reply = Reply(c.status, c.body != NULL ? c.body : exact);
        std::vector<BoxSeen> boxes;
        RunUpload(LocalServer("/pellorin"), &exchange, &boxes);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].caption, c.caption);
        EXPECT_EQ(boxes[0].text, c.text != NULL ? c.text : exact);
        EXPECT_EQ(boxes[0].owner, mainWindow);
        EXPECT_EQ(boxes[0].thread, GetCurrentThreadId()) << "shown on the window thread";
        EXPECT_TRUE(boxes[0].okOnly);
        EXPECT_FALSE(boxes[0].iconShown);
    }
}

TEST_F(ScoreService, ABodyOfTheBufferSizeOrMoreIsReportedThenShownUpToTheLimit)
{
    const std::string body(20000, 'y');
    ScriptedExchange exchange;
    exchange.reply = Reply(500, body);
    std::vector<BoxSeen> boxes;
    RunUpload(LocalServer("/pellorin"), &exchange, &boxes);
    ASSERT_EQ(boxes.size(), 2u);
    for (const BoxSeen &box : boxes)
        EXPECT_EQ(box.thread, GetCurrentThreadId()) << box.caption;
    EXPECT_EQ(boxes[0].caption, "Error");
    EXPECT_EQ(boxes[0].text, "Error; Too much received data");
    EXPECT_EQ(boxes[1].caption, "Server Errorcode: 500");
    EXPECT_LT(boxes[1].text.size(), 8192u);
    EXPECT_EQ(boxes[1].text, body.substr(0, boxes[1].text.size()));
}

// The body of a reply may arrive well after its status line; it is waited
// for rather than reported as an error.
TEST_F(ScoreService, ABodyThatArrivesLateIsStillShownWhole)
{
    const std::string body = "Maintenance until noon";
    ScriptedExchange exchange;
    exchange.reply = Reply(503, body).substr(0, Reply(503, body).size() - body.size());
    exchange.late = body;
    exchange.lateDelayMs = 700;
    std::vector<BoxSeen> boxes;
    RunUpload(LocalServer("/pellorin"), &exchange, &boxes);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Server Errorcode: 503");
    EXPECT_EQ(boxes[0].text, body);
}

TEST_F(ScoreService, TheRequestCarriesTheStoredBlockAsAForm)
{
    ScriptedExchange exchange;
    exchange.reply = Reply(202, "");
    std::vector<BoxSeen> boxes;
    RunUpload(LocalServer("/pellorin"), &exchange, &boxes);
    ASSERT_EQ(exchange.done, 1);
    unsigned char block[HighScoreBlockSize];
    MakeStoredBlock(block);
    const std::string expected = "Highscore=" + Hex(block, sizeof block);
    ASSERT_EQ(expected.size(), 518u);
    EXPECT_EQ(exchange.body, expected);
    EXPECT_EQ(exchange.head.compare(0, 36, "POST /pellorin/highscore.asp HTTP/1."), 0) << exchange.head;
    EXPECT_NE(exchange.head.find("\r\nContent-Type: application/x-www-form-urlencoded\r\n"), std::string::npos)
        << exchange.head;
    EXPECT_NE(exchange.head.find("\r\nContent-Length: 518\r\n"), std::string::npos) << exchange.head;
    EXPECT_NE(exchange.head.find("\r\nUser-Agent: Pellorin\r\n"), std::string::npos) << exchange.head;
    EXPECT_NE(exchange.head.find("\r\nHost: 127.0.0.1:" + std::to_string(listenPort) + "\r\n"), std::string::npos)
        << exchange.head;
}

static std::string RequestLine(const ScriptedExchange &exchange)
{
    return exchange.head.substr(0, exchange.head.find("\r\n"));
}

TEST_F(ScoreService, OnlyTheFirstSlashSplitsHostAndObject)
{
    static const struct {
        const char *path;   // after "127.0.0.1:port"
        const char *line;
    } cases[] = {
        /* path         request line */
        { "",           "POST /highscore.asp HTTP/1.1" },
        { "/",          "POST /highscore.asp HTTP/1.1" },
        { "/a/b",       "POST /a/b/highscore.asp HTTP/1.1" },
        { "/a/",        "POST /a//highscore.asp HTTP/1.1" },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path);
        ScriptedExchange exchange;
        exchange.reply = Reply(200, "");
        std::vector<BoxSeen> boxes;
        RunUpload(LocalServer(c.path), &exchange, &boxes);
        EXPECT_EQ(RequestLine(exchange), c.line);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, "Success! But no score qualified :-(");
    }
}

TEST_F(ScoreService, ARefusedConnectionIsReportedOnce)
{
    SOCKET probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(probe, (sockaddr *)&address, sizeof address), 0);
    int length = sizeof address;
    getsockname(probe, (sockaddr *)&address, &length);
    closesocket(probe);

    SetServer("127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/pellorin");
    unsigned char block[HighScoreBlockSize];
    MakeStoredBlock(block);
    UploadHighScores(block);
    std::vector<BoxSeen> boxes;
    CollectBoxes(&boxes);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "Internet HttpQueryInfo");
    EXPECT_EQ(boxes[0].text, "Failure: 12029");
    EXPECT_EQ(boxes[0].owner, mainWindow);
    EXPECT_EQ(boxes[0].thread, GetCurrentThreadId());
}

TEST_F(ScoreService, ASecondUploadWhileOneIsPendingDoesNothing)
{
    ScriptedExchange exchange;
    exchange.reply = Reply(202, "");
    exchange.hold = 1;
    StartUpload(LocalServer("/pellorin"), &exchange);
    ASSERT_TRUE(PumpUntil([&] { return exchange.received != 0; }, WaitLimitMs));
    EXPECT_EQ(IsUploadPending(), 1);

    // Another block to another place: neither sent nor allowed to disturb
    // the first upload's body, handles or verdict.
    unsigned char other[HighScoreBlockSize];
    memset(other, 0x5A, sizeof other);
    SetServer(LocalServer("/elsewhere"));
    UploadHighScores(other);
    InterlockedExchange(&exchange.hold, 0);

    std::vector<BoxSeen> boxes;
    FinishUpload(&exchange, &boxes);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Success! Your Scores are Uploaded");
    EXPECT_EQ(RequestLine(exchange), "POST /pellorin/highscore.asp HTTP/1.1");
    unsigned char block[HighScoreBlockSize];
    MakeStoredBlock(block);
    EXPECT_EQ(exchange.body, "Highscore=" + Hex(block, sizeof block));

    // Once the reply has been shown the next upload goes out as usual.
    ScriptedExchange next;
    next.reply = Reply(400, "");
    boxes.clear();
    RunUpload(LocalServer("/again"), &next, &boxes);
    EXPECT_EQ(RequestLine(next), "POST /again/highscore.asp HTTP/1.1");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Error! Bad request");
}

// This failure is shown on the window thread, inside the upload call, so
// another thread reads and closes the box.
TEST_F(ScoreService, WithoutASessionTheUploadFailsAtTheConnection)
{
    CloseScoreService();
    SetServer(LocalServer("/pellorin"));
    BoxSeen seen;
    bool taken = false;
    std::thread taker([&] { taken = TakeBox(&seen); });
    unsigned char block[HighScoreBlockSize];
    MakeStoredBlock(block);
    UploadHighScores(block);
    taker.join();
    OpenScoreService();
    ASSERT_TRUE(taken);
    EXPECT_EQ(seen.caption, "Internet open HTTP session");
    EXPECT_EQ(seen.text, "Failure: " + std::to_string(ERROR_INVALID_HANDLE));
    EXPECT_EQ(seen.owner, mainWindow);
    EXPECT_EQ(IsUploadPending(), 0);
}

// Through a proxy (the system's configured one, which the session uses) the
// request line carries the whole address, so a server text of the full 63
// characters can be checked even though a loopback port takes up its host.
TEST_F(ScoreService, TheLongestServerTextBuildsTheWholeObjectName)
{
    static const char SettingsPath[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, SettingsPath, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL),
              ERROR_SUCCESS);
    const std::string proxy = "127.0.0.1:" + std::to_string(listenPort);
    DWORD enable = 1;
    RegSetValueExA(key, "ProxyServer", 0, REG_SZ, (const BYTE *)proxy.c_str(), (DWORD)proxy.size() + 1);
    RegSetValueExA(key, "ProxyEnable", 0, REG_DWORD, (const BYTE *)&enable, sizeof enable);
    CloseScoreService();
    OpenScoreService();

    const std::string path(61, 'p');
    const std::string server = "h/" + path;
    ASSERT_EQ(server.size(), 63u);
    ScriptedExchange exchange;
    exchange.reply = Reply(202, "");
    std::vector<BoxSeen> boxes;
    RunUpload(server, &exchange, &boxes);

    enable = 0;
    RegSetValueExA(key, "ProxyEnable", 0, REG_DWORD, (const BYTE *)&enable, sizeof enable);
    RegCloseKey(key);
    CloseScoreService();
    OpenScoreService();

    EXPECT_EQ(RequestLine(exchange), "POST http://h:80/" + path + "/highscore.asp HTTP/1.1");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Success! Your Scores are Uploaded");
}

// winebrowser runs the programs named in this value with the URL added as
// their last argument; a shell appends it to a file.
static std::string CaptureBrowserUrls()
{
    char directory[MAX_PATH];
    GetTempPathA(sizeof directory, directory);
    std::string log = std::string(directory) + "pellorin-urls.txt";
    DeleteFileA(log.c_str());
    typedef char *(CDECL * UnixName)(const WCHAR *);
    UnixName toUnix = (UnixName)(void *)GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name");
    if (toUnix == NULL)
        return std::string();
    WCHAR wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, log.c_str(), -1, wide, MAX_PATH);
    char *unixLog = toUnix(wide);
    if (unixLog == NULL)
        return std::string();
    std::string browsers = std::string("/bin/sh -c \"printf '%s\\n' \\\"$0\\\" >> '") + unixLog + "'\"";
    HeapFree(GetProcessHeap(), 0, unixLog);
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\WineBrowser", 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key,
                        NULL) != ERROR_SUCCESS)
        return std::string();
    RegSetValueExA(key, "Browsers", 0, REG_SZ, (const BYTE *)browsers.c_str(), (DWORD)browsers.size() + 1);
    RegCloseKey(key);
    return log;
}

static std::string ReadLog(const std::string &path)
{
    std::string text;
    FILE *file = fopen(path.c_str(), "rb");
    if (file == NULL)
        return text;
    char buffer[1024];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, file)) > 0)
        text.append(buffer, got);
    fclose(file);
    return text;
}

TEST_F(ScoreService, TheLinksOpenTheServerPagesInTheBrowser)
{
    const std::string log = CaptureBrowserUrls();
    ASSERT_FALSE(log.empty());
    static const struct {
        const char *server;
        void (*open)(void);
        const char *url;
    } cases[] = {
        /* server                  link                URL */
        { "scores.example:8080/pellorin", OpenHighScorePage, "http://scores.example:8080/pellorin/highscore.asp" },
        { "scores.example:8080/pellorin", OpenHelpPage,      "http://scores.example:8080/pellorin/pellorin.asp" },
        { "scores.example",        OpenHighScorePage,  "http://scores.example/highscore.asp" },
        { "scores.example/a/b",    OpenHelpPage,       "http://scores.example/a/b/pellorin.asp" },
    };
    std::string expected;
    for (const auto &c : cases) {
        SetServer(c.server);
        c.open();
        expected += std::string(c.url) + "\n";
        EXPECT_TRUE(PumpUntil([&] { return ReadLog(log).size() >= expected.size(); }, WaitLimitMs)) << c.url;
    }
    EXPECT_EQ(ReadLog(log), expected);
}
