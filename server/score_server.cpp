// Routing and replies. The status codes are what the game reads:
// 202 at least one uploaded result stands in the global list, 200 none does,
// 400 a malformed upload, 404 an unknown page; anything else is shown to the
// player as text, so a database failure answers 500 with a sentence.
#include "score_server.h"

#include <httplib.h>

#include <chrono>
#include <thread>

#include "score_pages.h"
#include "score_store.h"

enum { ServerWorkers = 32 };

static const char HtmlType[] = "text/html; charset=utf-8";
static const char TextType[] = "text/plain; charset=utf-8";

static httplib::Server *Http;
static int ListenSocket = -1;
static std::thread ServeThread;
static int BoundPort;
static std::string UploadPath;
static std::string HelpPath;

void DefaultServerOptions(ServerOptions *options)
{
    options->address = "127.0.0.1";
    options->port = 8080;
    options->database = "pellorin-scores.db";
    options->prefix = "pellorin";
}

static std::string PagePath(const std::string &prefix, const char *page)
{
    size_t first = prefix.find_first_not_of('/');
    size_t last = prefix.find_last_not_of('/');
    if (first == std::string::npos)
        return std::string("/") + page;
    return "/" + prefix.substr(first, last - first + 1) + "/" + page;
}

// Some clients send the object name without its leading slash.
static std::string RequestPath(const httplib::Request &request)
{
    if (!request.path.empty() && request.path[0] == '/')
        return request.path;
    return "/" + request.path;
}

static void ReplyText(httplib::Response &response, int status, const char *text)
{
    response.status = status;
    response.set_content(text, TextType);
}

static void ReplyNotFound(httplib::Response &response)
{
    response.status = 404;
    response.set_content(RenderNotFoundPage(), HtmlType);
}

static void TakeUpload(const httplib::Request &request, httplib::Response &response)
{
    unsigned char block[HighScoreBlockSize];
    if (!ReadUploadForm(request.body, block)) {
        ReplyText(response, 400, "The upload is not a valid high-score table.\n");
        return;
    }
    ScoreEntry entries[HighScoreEntryCount];
    int count = CollectEntries(block, entries);
    int standing = 0;
    if (count > 0 && !StoreEntries(entries, count, request.remote_addr.c_str(), &standing)) {
        ReplyText(response, 500, "The score server could not store your scores. Please try again later.");
        return;
    }
    if (standing)
        ReplyText(response, 202, "Your scores are uploaded.\n");
    else
        ReplyText(response, 200, "No score qualified for the list.\n");
}

static void ShowList(httplib::Response &response)
{
    ScoreEntry entries[GlobalListSize];
    int count = ReadBestEntries(entries, GlobalListSize);
    if (count < 0) {
        ReplyText(response, 500, "The score list cannot be read just now.\n");
        return;
    }
    response.set_content(RenderScoreList(entries, count), HtmlType);
}

static void HandlePost(const httplib::Request &request, httplib::Response &response)
{
    if (RequestPath(request) == UploadPath)
        TakeUpload(request, response);
    else
        ReplyNotFound(response);
}

static void HandleGet(const httplib::Request &request, httplib::Response &response)
{
    std::string path = RequestPath(request);
    if (path == UploadPath)
        ShowList(response);
    else if (path == HelpPath)
        response.set_content(RenderHelpPage(), HtmlType);
    else
        ReplyNotFound(response);
}

// The library answers a body over the limit with 413; for the game that is
// a malformed upload like any other.
static httplib::Server::HandlerResponse HandleError(const httplib::Request &, httplib::Response &response)
{
    if (response.status != 413)
        return httplib::Server::HandlerResponse::Unhandled;
    ReplyText(response, 400, "The upload is too large.\n");
    return httplib::Server::HandlerResponse::Handled;
}

// The library listens with a backlog of 5, too short for a burst of game
// clients (each upload is a connection of its own): the socket is noted
// here and listened on again with the system's limit once bound.
static void PrepareListenSocket(socket_t sock)
{
    int yes = 1;
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    ListenSocket = sock;
}

int StartScoreServer(const ServerOptions *options)
{
    PrepareUploadForms();
    UploadPath = PagePath(options->prefix, "highscore.asp");
    HelpPath = PagePath(options->prefix, "pellorin.asp");
    if (!OpenScoreStore(options->database.c_str()))
        return 0;
    ListenSocket = -1;
    Http = new httplib::Server;
    Http->set_payload_max_length(UploadBodyLimit);
    // A kept-alive connection holds a worker while it idles: enough workers
    // for many clients at once, and idle connections let go soon.
    Http->new_task_queue = [] { return new httplib::ThreadPool(ServerWorkers); };
    Http->set_keep_alive_max_count(1000);
    Http->set_keep_alive_timeout(2);
    Http->set_tcp_nodelay(true);
    Http->set_socket_options(PrepareListenSocket);
    Http->set_error_handler(httplib::Server::HandlerWithResponse(HandleError));
    Http->Get(".*", HandleGet);
    Http->Post(".*", HandlePost);
    if (options->port == 0)
        BoundPort = Http->bind_to_any_port(options->address);
    else
        BoundPort = Http->bind_to_port(options->address, options->port) ? options->port : -1;
    if (BoundPort <= 0) {
        delete Http;
        Http = NULL;
        CloseScoreStore();
        return 0;
    }
    if (ListenSocket >= 0)
        listen(ListenSocket, SOMAXCONN);
    ServeThread = std::thread([] { Http->listen_after_bind(); });
    // stop() only reaches a server that has begun to listen.
    for (int i = 0; i < 5000 && !Http->is_running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return 1;
}

int ScoreServerPort(void)
{
    return BoundPort;
}

void StopScoreServer(void)
{
    if (Http == NULL)
        return;
    Http->stop();
    ServeThread.join();
    delete Http;
    Http = NULL;
    CloseScoreStore();
}
