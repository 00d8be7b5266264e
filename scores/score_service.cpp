// Upload of the stored high-score block to the game server through WinINet
// in asynchronous mode, and the two server pages opened in the browser.
// The reply arrives on a WinINet worker thread, which reads it and hands the
// verdict to the window thread; there it is shown in message boxes owned by
// the main window, like every other dialog of the program.
#include "score_service.h"

#include <shellapi.h>
#include <stdio.h>
#include <string.h>
#include <wininet.h>

#include "game/shell.h"
#include "input/settings_store.h"
#include "scores/highscore_block.h"

enum {
    ConnectionContext = 1,
    RequestContext = 2,
    UploadFieldLength = 10,      // "Highscore="
    UploadLength = UploadFieldLength + 2 * HighScoreBlockSize,
    ReplyBufferSize = 8192,
    UrlBufferSize = 255,
    ReplyWaitMs = 30000,
    ReplyStartedMessage = WM_APP + 1,
    VerdictMessage = WM_APP + 2,
    VerdictBoxCount = 2,
    CaptionSize = 40,
    // Everything after the first "/" of the longest server text, a "/" and
    // the page name, with its terminator.
    ObjectNameSize = GameServerSize + 16,
    HttpDefaultPort = 80
};

static const char UploadPage[] = "highscore.asp";
static const char HelpPage[] = "pellorin.asp";
static const char FormHeader[] = "Content-Type: application/x-www-form-urlencoded";

// Status code, message text; all under the caption "Request completed".
static const struct {
    DWORD status;
    const char *text;
} KnownReplies[] = {
    {200, "Success! But no score qualified :-("},
    {202, "Success! Your Scores are Uploaded"},
    {400, "Error! Bad request"},
    {404, "Error! Gameserver not found where specified"},
};

static HWND OwnerWindow;
static HINTERNET Session;
static HINTERNET Connection;
static HINTERNET Request;
// 1 from the start of an upload until its reply has been shown; the body
// below is read by WinINet until then and must not change.
static volatile LONG UploadPending;
// While a reply body is read: a body read that had to wait for the network
// completes through the status callback, which then signals ReplyReady.
static volatile LONG ReadingReply;
// Set by whichever shows the verdict of the current upload first.
static volatile LONG VerdictTaken;
static HANDLE ReplyReady;
static char UploadBody[UploadLength + 2] = "Highscore=";

static const char SinkClassName[] = "PellorinUploadSink";
// A message-only window of the window thread, where the verdict is shown.
static HWND VerdictSink;

// The boxes that tell the verdict of one upload, in the order shown. Written
// by the thread that judged the reply before it posts VerdictMessage.
struct UploadVerdict {
    int boxCount;
    int bodyRead;    // the wait cursor was shown while the body was read
    const char *texts[VerdictBoxCount];
    char captions[VerdictBoxCount][CaptionSize];
    char failureText[32];
    char body[ReplyBufferSize];
};
static UploadVerdict Verdict;

static void ShowBox(const char *text, const char *caption)
{
    MessageBoxA(OwnerWindow, text, caption, MB_OK);
}

static void ShowFailure(DWORD code, const char *caption)
{
    char text[32];
    snprintf(text, sizeof text, "Failure: %lu", (unsigned long)code);
    ShowBox(text, caption);
}

static void AddVerdictBox(const char *text, const char *caption)
{
    if (Verdict.boxCount >= VerdictBoxCount)
        return;
    Verdict.texts[Verdict.boxCount] = text;
    snprintf(Verdict.captions[Verdict.boxCount], CaptionSize, "%s", caption);
    Verdict.boxCount++;
}

static void AddVerdictFailure(DWORD code, const char *caption)
{
    snprintf(Verdict.failureText, sizeof Verdict.failureText, "Failure: %lu", (unsigned long)code);
    AddVerdictBox(Verdict.failureText, caption);
}

static void CloseUploadHandles(void)
{
    if (Request != NULL)
        InternetCloseHandle(Request);
    if (Connection != NULL)
        InternetCloseHandle(Connection);
    Request = NULL;
    Connection = NULL;
}

static void EndUpload(void)
{
    InterlockedExchange(&ReadingReply, 0);
    CloseUploadHandles();
    InterlockedExchange(&UploadPending, 0);
}

// The server text, never more than its 63 characters.
static void CopyGameServer(char *out)
{
    const char *server = GetGameServer();
    size_t n = 0;
    while (server != NULL && n < GameServerSize - 1 && server[n] != 0)
        ++n;
    if (n > 0)
        memcpy(out, server, n);
    out[n] = 0;
}

// A trailing ":digits" on the host names the port, 1 to 65535.
static INTERNET_PORT SplitPort(char *host)
{
    char *colon = strrchr(host, ':');
    if (colon == NULL || colon == host || colon[1] == 0)
        return HttpDefaultPort;
    unsigned long port = 0;
    for (const char *p = colon + 1; *p != 0; ++p) {
        if (*p < '0' || *p > '9')
            return HttpDefaultPort;
        port = port * 10 + (unsigned long)(*p - '0');
        if (port > 65535)
            return HttpDefaultPort;
    }
    if (port == 0)
        return HttpDefaultPort;
    *colon = 0;
    return (INTERNET_PORT)port;
}

// host: the text before the first "/" (port removed); object: the text
// after it, "/" and the upload page, or the page alone.
static INTERNET_PORT SplitGameServer(char *host, char *object)
{
    CopyGameServer(host);
    char *slash = strchr(host, '/');
    if (slash == NULL) {
        snprintf(object, ObjectNameSize, "%s", UploadPage);
    } else {
        *slash = 0;
        snprintf(object, ObjectNameSize, "%s/%s", slash + 1, UploadPage);
    }
    return SplitPort(host);
}

void EncodeHex(const unsigned char *bytes, size_t count, char *out)
{
    static const char Digits[] = "0123456789ABCDEF";
    for (size_t i = 0; i < count; ++i) {
        out[2 * i] = Digits[bytes[i] >> 4];
        out[2 * i + 1] = Digits[bytes[i] & 0x0F];
    }
}

// In asynchronous mode the body may not have arrived yet when the request
// completes: the query then fails with ERROR_IO_PENDING and finishes later
// through the status callback, after which it is asked again.
static BOOL QueryReplyData(HINTERNET request, DWORD *available)
{
    for (;;) {
        if (ReplyReady != NULL)
            ResetEvent(ReplyReady);
        if (InternetQueryDataAvailable(request, available, 0, 0))
            return TRUE;
        if (GetLastError() != ERROR_IO_PENDING || ReplyReady == NULL ||
            WaitForSingleObject(ReplyReady, ReplyWaitMs) != WAIT_OBJECT_0)
            return FALSE;
    }
}

// Reads the body into a buffer of 8192 bytes for the verdict; what arrived
// before an error is kept. The window thread shows the wait cursor meanwhile.
static void ReadServerReply(HINTERNET request, DWORD status)
{
    char *body = Verdict.body;
    Verdict.bodyRead = 1;
    if (VerdictSink != NULL && GetWindowThreadProcessId(VerdictSink, NULL) != GetCurrentThreadId())
        PostMessageA(VerdictSink, ReplyStartedMessage, 0, 0);
    else
        SetCursor(LoadCursor(NULL, IDC_WAIT));
    InterlockedExchange(&ReadingReply, 1);
    DWORD total = 0;
    for (;;) {
        DWORD available = 0;
        if (!QueryReplyData(request, &available)) {
            AddVerdictBox("Error in InternetQueryDataAvailable", "Error");
            break;
        }
        if (total + available >= ReplyBufferSize) {
            AddVerdictBox("Error; Too much received data", "Error");
            break;
        }
        DWORD got = 0;
        if (!InternetReadFile(request, body + total, available, &got)) {
            AddVerdictBox("Error in InternetReadFile", "Error");
            break;
        }
        total += got;
        if (got == 0)
            break;
    }
    InterlockedExchange(&ReadingReply, 0);
    body[total] = 0;
    char caption[CaptionSize];
    snprintf(caption, sizeof caption, "Server Errorcode: %lu", (unsigned long)status);
    AddVerdictBox(body, caption);
}

// A request that got no response (a refused connection, an unknown host)
// carries its error in the completion; WinINet may still answer the status
// query for it, with 0, so the error is looked at first.
static void JudgeReply(const INTERNET_ASYNC_RESULT *result)
{
    Verdict.boxCount = 0;
    Verdict.bodyRead = 0;
    if (result != NULL && result->dwResult == 0 && result->dwError != ERROR_SUCCESS) {
        AddVerdictFailure(result->dwError, "Internet HttpQueryInfo");
        return;
    }
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!HttpQueryInfoA(Request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, NULL)) {
        AddVerdictFailure(GetLastError(), "Internet HttpQueryInfo");
        return;
    }
    for (size_t i = 0; i < sizeof KnownReplies / sizeof KnownReplies[0]; ++i) {
        if (KnownReplies[i].status == status) {
            AddVerdictBox(KnownReplies[i].text, "Request completed");
            return;
        }
    }
    ReadServerReply(Request, status);
}

// On the window thread: the boxes of the verdict, then the upload ends.
static void ShowVerdict(void)
{
    for (int i = 0; i < Verdict.boxCount; ++i)
        ShowBox(Verdict.texts[i], Verdict.captions[i]);
    if (Verdict.bodyRead)
        SetCursor(LoadCursor(NULL, IDC_ARROW));
    EndUpload();
}

static LRESULT CALLBACK SinkProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case ReplyStartedMessage:
        SetCursor(LoadCursor(NULL, IDC_WAIT));
        return 0;
    case VerdictMessage:
        ShowVerdict();
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

static void CreateVerdictSink(void)
{
    HINSTANCE instance = GetModuleHandleA(NULL);
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = SinkProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = SinkClassName;
    RegisterClassA(&windowClass);
    VerdictSink = CreateWindowExA(0, SinkClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL, instance, NULL);
}

static void CALLBACK OnRequestStatus(HINTERNET handle, DWORD_PTR context, DWORD status,
                                     LPVOID information, DWORD informationLength)
{
    (void)context;
    if (status != INTERNET_STATUS_REQUEST_COMPLETE) {
        OutputDebugStringA("Other?\n");
        return;
    }
    OutputDebugStringA("Request Complete!\n");
    // Completions other than the upload's own send: a body read that had
    // to wait, or a late one of a request already closed.
    if (ReadingReply != 0) {
        SetEvent(ReplyReady);
        return;
    }
    if (handle != Request || InterlockedExchange(&VerdictTaken, 1) != 0)
        return;
    const INTERNET_ASYNC_RESULT *result = NULL;
    if (information != NULL && informationLength >= sizeof *result)
        result = (const INTERNET_ASYNC_RESULT *)information;
    JudgeReply(result);
    if (VerdictSink == NULL || !PostMessageA(VerdictSink, VerdictMessage, 0, 0))
        EndUpload();
}

void OpenScoreService(HWND window)
{
    OwnerWindow = window;
    if (VerdictSink == NULL)
        CreateVerdictSink();
    ReplyReady = CreateEventA(NULL, FALSE, FALSE, NULL);
    Session = InternetOpenA("Pellorin", INTERNET_OPEN_TYPE_PRECONFIG, NULL, NULL, INTERNET_FLAG_ASYNC);
    if (Session == NULL) {
        ShowFailure(GetLastError(), "Internet get internet handle");
        return;
    }
    InternetSetStatusCallback(Session, OnRequestStatus);
}

void CloseScoreService(void)
{
    if (Session != NULL)
        InternetCloseHandle(Session);
    Session = NULL;
    if (ReplyReady != NULL)
        CloseHandle(ReplyReady);
    ReplyReady = NULL;
    if (VerdictSink != NULL)
        DestroyWindow(VerdictSink);
    VerdictSink = NULL;
}

void UploadHighScores(const unsigned char *stored)
{
    if (InterlockedCompareExchange(&UploadPending, 1, 0) != 0)
        return;
    InterlockedExchange(&VerdictTaken, 0);
    EncodeHex(stored, HighScoreBlockSize, UploadBody + UploadFieldLength);

    char host[GameServerSize];
    char object[ObjectNameSize];
    INTERNET_PORT port = SplitGameServer(host, object);

    DWORD attempt = InternetAttemptConnect(0);
    if (attempt != ERROR_SUCCESS) {
        ShowFailure(attempt, "Internet connection attempt");
        EndUpload();
        return;
    }
    Connection = InternetConnectA(Session, host, port, NULL, NULL, INTERNET_SERVICE_HTTP, 0,
                                  ConnectionContext);
    if (Connection == NULL) {
        ShowFailure(GetLastError(), "Internet open HTTP session");
        EndUpload();
        return;
    }
    Request = HttpOpenRequestA(Connection, "POST", object, NULL, NULL, NULL, 0, RequestContext);
    if (Request == NULL) {
        ShowFailure(GetLastError(), "Internet create HTTP request");
        EndUpload();
        return;
    }
    if (HttpSendRequestA(Request, FormHeader, (DWORD)strlen(FormHeader), UploadBody, UploadLength)) {
        // Finished at once: the completion may not be reported, so the
        // verdict is shown here unless the callback has taken it.
        if (InterlockedExchange(&VerdictTaken, 1) == 0) {
            JudgeReply(NULL);
            ShowVerdict();
        }
        return;
    }
    DWORD error = GetLastError();
    if (error == ERROR_IO_PENDING)
        return;
    ShowFailure(error, "Internet send HTTP request");
    EndUpload();
}

int IsUploadPending(void)
{
    return UploadPending != 0 ? 1 : 0;
}

static void OpenServerPage(const char *page)
{
    char server[GameServerSize];
    char url[UrlBufferSize];
    CopyGameServer(server);
    snprintf(url, sizeof url, "http://%s/%s", server, page);
    ShellExecuteA(NULL, "open", url, NULL, NULL, SW_SHOWNORMAL);
}

void OpenHighScorePage(void)
{
    OpenServerPage(UploadPage);
}

void OpenHelpPage(void)
{
    OpenServerPage(HelpPage);
}
