// Upload of the stored high-score block to the game server through WinINet
// in asynchronous mode, and the two server pages opened in the browser.
// The reply arrives on a WinINet worker thread, which reads it and hands the
// verdict to the window thread; there it is shown in message boxes owned by
// the main window, like every other dialog of the program.
#include "score_service.h"
#include "score_service_seams.h"

#include <shellapi.h>
#include <stdio.h>
#include <string.h>
#include <wininet.h>

#include "app/message_sink.h"
#include "app/shell_handles.h"
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

static HINTERNET internetRoot;
static HINTERNET uploadConnection;
static HINTERNET uploadRequest;
// 1 from the start of an upload until its reply has been shown; the body
// below is read by WinINet until then and must not change.
static volatile LONG uploadPending;
// While a reply body is read: a body read that had to wait for the network
// completes through the status callback, which then signals replyReady.
static volatile LONG readingReply;
// Set by whichever shows the verdict of the current upload first.
static volatile LONG verdictTaken;
static HANDLE replyReady;
static char uploadBody[UploadLength + 2] = "Highscore=";

static const char SinkClassName[] = "PellorinUploadSink";
// A message-only window of the window thread, where the verdict is shown.
static HWND verdictSink;

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
static UploadVerdict verdict;

static void ShowBox(const char *text, const char *caption)
{
    MessageBoxA(GetMainWindow(), text, caption, MB_OK);
}

static void ShowFailure(DWORD code, const char *caption)
{
    char text[32];
    snprintf(text, sizeof text, "Failure: %lu", (unsigned long)code);
    ShowBox(text, caption);
}

static void AddVerdictBox(const char *text, const char *caption)
{
    if (verdict.boxCount >= VerdictBoxCount)
        return;
    verdict.texts[verdict.boxCount] = text;
    snprintf(verdict.captions[verdict.boxCount], CaptionSize, "%s", caption);
    verdict.boxCount++;
}

static void AddVerdictFailure(DWORD code, const char *caption)
{
    snprintf(verdict.failureText, sizeof verdict.failureText, "Failure: %lu", (unsigned long)code);
    AddVerdictBox(verdict.failureText, caption);
}

static void CloseUploadHandles(void)
{
    if (uploadRequest != NULL)
        InternetCloseHandle(uploadRequest);
    if (uploadConnection != NULL)
        InternetCloseHandle(uploadConnection);
    uploadRequest = NULL;
    uploadConnection = NULL;
}

static void EndUpload(void)
{
    InterlockedExchange(&readingReply, 0);
    CloseUploadHandles();
    InterlockedExchange(&uploadPending, 0);
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

// In asynchronous mode the body may not have arrived yet when the request
// completes: the query then fails with ERROR_IO_PENDING and finishes later
// through the status callback, after which it is asked again.
static BOOL QueryReplyData(HINTERNET request, DWORD *available)
{
    for (;;) {
        if (replyReady != NULL)
            ResetEvent(replyReady);
        if (InternetQueryDataAvailable(request, available, 0, 0))
            return TRUE;
        if (GetLastError() != ERROR_IO_PENDING || replyReady == NULL ||
            WaitForSingleObject(replyReady, ReplyWaitMs) != WAIT_OBJECT_0)
            return FALSE;
    }
}

// Reads the body into a buffer of 8192 bytes for the verdict; what arrived
// before an error is kept. The window thread shows the wait cursor meanwhile.
static void ReadServerReply(HINTERNET request, DWORD status)
{
    char *body = verdict.body;
    verdict.bodyRead = 1;
    if (verdictSink != NULL && GetWindowThreadProcessId(verdictSink, NULL) != GetCurrentThreadId())
        PostMessageA(verdictSink, ReplyStartedMessage, 0, 0);
    else
        SetCursor(LoadCursor(NULL, IDC_WAIT));
    InterlockedExchange(&readingReply, 1);
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
    InterlockedExchange(&readingReply, 0);
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
    verdict.boxCount = 0;
    verdict.bodyRead = 0;
    if (result != NULL && result->dwResult == 0 && result->dwError != ERROR_SUCCESS) {
        AddVerdictFailure(result->dwError, "Internet HttpQueryInfo");
        return;
    }
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!HttpQueryInfoA(uploadRequest, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, NULL)) {
        AddVerdictFailure(GetLastError(), "Internet HttpQueryInfo");
        return;
    }
    for (size_t i = 0; i < sizeof KnownReplies / sizeof KnownReplies[0]; ++i) {
        if (KnownReplies[i].status == status) {
            AddVerdictBox(KnownReplies[i].text, "Request completed");
            return;
        }
    }
    ReadServerReply(uploadRequest, status);
}

// On the window thread: the boxes of the verdict, then the upload ends.
static void ShowVerdict(void)
{
    for (int i = 0; i < verdict.boxCount; ++i)
        ShowBox(verdict.texts[i], verdict.captions[i]);
    if (verdict.bodyRead)
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
    if (readingReply != 0) {
        SetEvent(replyReady);
        return;
    }
    if (handle != uploadRequest || InterlockedExchange(&verdictTaken, 1) != 0)
        return;
    const INTERNET_ASYNC_RESULT *result = NULL;
    if (information != NULL && informationLength >= sizeof *result)
        result = (const INTERNET_ASYNC_RESULT *)information;
    JudgeReply(result);
    if (verdictSink == NULL || !PostMessageA(verdictSink, VerdictMessage, 0, 0))
        EndUpload();
}

void OpenScoreService(void)
{
    if (verdictSink == NULL)
        verdictSink = CreateMessageSink(SinkClassName, SinkProc);
    replyReady = CreateEventA(NULL, FALSE, FALSE, NULL);
    internetRoot = InternetOpenA("Pellorin", INTERNET_OPEN_TYPE_PRECONFIG, NULL, NULL, INTERNET_FLAG_ASYNC);
    if (internetRoot == NULL) {
        ShowFailure(GetLastError(), "Internet get internet handle");
        return;
    }
    InternetSetStatusCallback(internetRoot, OnRequestStatus);
}

void CloseScoreService(void)
{
    if (internetRoot != NULL)
        InternetCloseHandle(internetRoot);
    internetRoot = NULL;
    if (replyReady != NULL)
        CloseHandle(replyReady);
    replyReady = NULL;
    if (verdictSink != NULL)
        DestroyWindow(verdictSink);
    verdictSink = NULL;
}

void UploadHighScores(const unsigned char *stored)
{
    if (InterlockedCompareExchange(&uploadPending, 1, 0) != 0)
        return;
    InterlockedExchange(&verdictTaken, 0);
    EncodeHex(stored, HighScoreBlockSize, uploadBody + UploadFieldLength);

    char host[GameServerSize];
    char object[ObjectNameSize];
    INTERNET_PORT port = SplitGameServer(host, object);

    DWORD attempt = InternetAttemptConnect(0);
    if (attempt != ERROR_SUCCESS) {
        ShowFailure(attempt, "Internet connection attempt");
        EndUpload();
        return;
    }
    uploadConnection = InternetConnectA(internetRoot, host, port, NULL, NULL, INTERNET_SERVICE_HTTP, 0,
                                  ConnectionContext);
    if (uploadConnection == NULL) {
        ShowFailure(GetLastError(), "Internet open HTTP session");
        EndUpload();
        return;
    }
    uploadRequest = HttpOpenRequestA(uploadConnection, "POST", object, NULL, NULL, NULL, 0, RequestContext);
    if (uploadRequest == NULL) {
        ShowFailure(GetLastError(), "Internet create HTTP request");
        EndUpload();
        return;
    }
    if (HttpSendRequestA(uploadRequest, FormHeader, (DWORD)strlen(FormHeader), uploadBody, UploadLength)) {
        // Finished at once: the completion may not be reported, so the
        // verdict is shown here unless the callback has taken it.
        if (InterlockedExchange(&verdictTaken, 1) == 0) {
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
    return uploadPending != 0 ? 1 : 0;
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
