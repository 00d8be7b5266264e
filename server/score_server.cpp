// Routing and replies on libmicrohttpd. The status codes are what the game
// reads: 202 at least one uploaded result stands in the global list, 200
// none does, 400 a malformed upload, 404 an unknown page; anything else is
// shown to the player as text, so every other answer carries a sentence.
//
// The library reads every connection on a few event threads, in memory of
// a fixed size; only an upload to the upload page has its body read, and
// only up to the body limit. A checked upload suspends its connection until
// the store has it on disk, so no thread waits on a sync.
#include "score_server.h"

#include <microhttpd.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>

#include "client_address.h"
#include "connection_watch.h"
#include "score_pages.h"
#include "score_store.h"
#include "server_limits.h"
#include "server_log.h"
#include "sha256.h"
#include "upload_queue.h"
#include "upload_rate.h"

typedef std::chrono::steady_clock Clock;

enum {
    LoggedTargetLimit = 200  // characters of a request target in the log
};

static const char HtmlType[] = "text/html; charset=utf-8";
static const char TextType[] = "text/plain; charset=utf-8";

// Cache-Control of each kind of answer.
static const char ListCaching[] = "public, max-age=5";
static const char HelpCaching[] = "public, max-age=300";
static const char NoCaching[] = "no-store";

struct ConnectionState {
    WatchedConnection *watch;
    char peer[AddressTextSize];
    bool requestOpen;  // a request has begun and not yet ended
};

enum RequestStage { Starting, Routed, ReadingUpload, Storing, Stored, Answered };

struct RequestState {
    Clock::time_point started;
    std::string target;    // as it came, made safe for the log
    size_t targetLength;   // its length as it came
    std::string method;
    std::string path;      // as routed
    bool reading;          // GET or HEAD
    bool post;
    char address[AddressTextSize];
    RequestStage stage;
    int status;
    size_t bytes;
    std::string body;
    struct MHD_Connection *connection;
    QueuedUpload upload;
};

static struct MHD_Daemon *httpDaemon;
static int boundPort;
static std::string uploadPath;
static std::string helpPath;
static std::string healthPath;
static std::string contentPolicy;
static bool trustProxy;
static std::atomic<bool> stopping;

void DefaultServerOptions(ServerOptions *options)
{
    options->address = "127.0.0.1";
    options->port = 8080;
    options->database = "pellorin-scores.db";
    options->prefix = "pellorin";
    options->uploadRate = 6;
    options->uploadBurst = 6;
    options->trustProxy = false;
}

static std::string PagePath(const std::string &prefix, const char *page)
{
    size_t first = prefix.find_first_not_of('/');
    size_t last = prefix.find_last_not_of('/');
    if (first == std::string::npos)
        return std::string("/") + page;
    return "/" + prefix.substr(first, last - first + 1) + "/" + page;
}

// Bytes a log line can hold as they are; everything else as %XX, so that
// a client cannot forge or break lines.
static std::string LogSafe(const char *text, size_t limit, bool spaces = false)
{
    static const char Digits[] = "0123456789ABCDEF";
    std::string out;
    size_t i = 0;
    for (; text[i] != 0 && i < limit; ++i) {
        unsigned char c = (unsigned char)text[i];
        if ((c > 0x20 || (spaces && c == ' ')) && c < 0x7F && c != '%' && c != '"') {
            out += (char)c;
        } else {
            out += '%';
            out += Digits[c >> 4];
            out += Digits[c & 15];
        }
    }
    if (text[i] != 0)
        out += "...";
    return out;
}

static ConnectionState *StateOf(struct MHD_Connection *connection)
{
    const union MHD_ConnectionInfo *info =
        MHD_get_connection_info(connection, MHD_CONNECTION_INFO_SOCKET_CONTEXT);
    return info != NULL ? (ConnectionState *)info->socket_context : NULL;
}

static void AddCommonHeaders(struct MHD_Response *response, const char *caching)
{
    MHD_add_response_header(response, "Content-Security-Policy", contentPolicy.c_str());
    MHD_add_response_header(response, "X-Content-Type-Options", "nosniff");
    MHD_add_response_header(response, "X-Frame-Options", "DENY");
    MHD_add_response_header(response, "Referrer-Policy", "no-referrer");
    MHD_add_response_header(response, "Cache-Control", caching);
}

// Queues the answer; close ends the connection after it (a body left unread
// must not be taken for the next request).
static enum MHD_Result Reply(RequestState *request, int status, const char *type, const std::string &body,
                             const char *caching = NoCaching, bool close = false)
{
    struct MHD_Response *response =
        MHD_create_response_from_buffer(body.size(), (void *)body.data(), MHD_RESPMEM_MUST_COPY);
    if (response == NULL)
        return MHD_NO;
    MHD_add_response_header(response, "Content-Type", type);
    AddCommonHeaders(response, caching);
    if (close)
        MHD_add_response_header(response, "Connection", "close");
    enum MHD_Result queued = MHD_queue_response(request->connection, (unsigned)status, response);
    MHD_destroy_response(response);
    request->stage = Answered;
    request->status = status;
    request->bytes = body.size();
    return queued;
}

static enum MHD_Result ReplyText(RequestState *request, int status, const char *text, bool close = false)
{
    return Reply(request, status, TextType, text, NoCaching, close);
}

// Over the body limit part way through a chunked body: the library takes
// no answer in the middle of a body, so the refusal goes straight onto the
// socket and the connection is dropped. To the game an upload too large is
// a malformed upload (400); anywhere else it is 413.
static enum MHD_Result RefuseLongBody(RequestState *request, int status)
{
    static const char Text[] = "The upload is too large.\n";
    char refusal[512];
    int length = snprintf(refusal, sizeof refusal,
                          "HTTP/1.1 %d %s\r\n"
                          "Content-Type: %s\r\n"
                          "Content-Length: %zu\r\n"
                          "Content-Security-Policy: %s\r\n"
                          "X-Content-Type-Options: nosniff\r\n"
                          "X-Frame-Options: DENY\r\n"
                          "Referrer-Policy: no-referrer\r\n"
                          "Cache-Control: %s\r\n"
                          "Connection: close\r\n"
                          "\r\n%s",
                          status, status == 400 ? "Bad Request" : "Content Too Large", TextType, sizeof Text - 1,
                          contentPolicy.c_str(), NoCaching, Text);
    const union MHD_ConnectionInfo *info =
        MHD_get_connection_info(request->connection, MHD_CONNECTION_INFO_CONNECTION_FD);
    if (info != NULL && length > 0 && length < (int)sizeof refusal &&
        send(info->connect_fd, refusal, (size_t)length, MSG_NOSIGNAL | MSG_DONTWAIT) > 0) {
        request->status = status;
        request->bytes = sizeof Text - 1;
    }
    request->stage = Answered;
    return MHD_NO;
}

struct HeadSize {
    int count;
    size_t total;
    size_t longest;
    const char *forwardedFor;  // the last X-Forwarded-For value
};

static enum MHD_Result MeasureHeader(void *context, enum MHD_ValueKind, const char *key, const char *value)
{
    HeadSize *size = (HeadSize *)context;
    size_t line = strlen(key) + 2 + (value != NULL ? strlen(value) : 0) + 2;
    size->count += 1;
    size->total += line;
    if (line > size->longest)
        size->longest = line;
    if (value != NULL && strcasecmp(key, "X-Forwarded-For") == 0)
        size->forwardedFor = value;
    return MHD_YES;
}

static const char *Header(RequestState *request, const char *name)
{
    return MHD_lookup_connection_value(request->connection, MHD_HEADER_KIND, name);
}

static void ShowList(RequestState *request, bool close)
{
    ScoreEntry entries[GlobalListSize];
    int count = ReadBestEntries(entries, GlobalListSize);
    if (count < 0)
        // The database is down or the server is stopping: a client, or a
        // proxy with other instances, may try again.
        ReplyText(request, 503, "The score list cannot be read just now; try again in a minute.\n", close);
    else
        Reply(request, 200, HtmlType, RenderScoreList(entries, count), ListCaching, close);
}

static void UploadStored(QueuedUpload *upload)
{
    RequestState *request = (RequestState *)upload->context;
    request->stage = Stored;
    MHD_resume_connection(request->connection);
}

static enum MHD_Result FinishUpload(RequestState *request)
{
    ConnectionState *connection = StateOf(request->connection);
    if (connection != NULL && connection->watch != NULL)
        RequestReceived(connection->watch);
    unsigned char block[HighScoreBlockSize];
    if (!ReadUploadForm(request->body, block))
        return ReplyText(request, 400, "The upload is not a valid high-score table.\n");
    QueuedUpload *upload = &request->upload;
    upload->count = CollectEntries(block, upload->entries);
    if (upload->count == 0)
        return ReplyText(request, 200, "No score qualified for the list.\n");
    snprintf(upload->address, sizeof upload->address, "%s", request->address);
    upload->done = UploadStored;
    upload->context = request;
    request->stage = Storing;
    MHD_suspend_connection(request->connection);
    // A server stopping takes no more: a connection left suspended would
    // never be answered, and the library cannot stop with one.
    if (!QueueUpload(upload)) {
        upload->stored = -1;
        request->stage = Stored;
        MHD_resume_connection(request->connection);
    }
    return MHD_YES;
}

static enum MHD_Result AnswerStored(RequestState *request)
{
    if (request->upload.stored < 0)
        return ReplyText(request, 503, "The score server is stopping; try again in a minute.\n", true);
    if (!request->upload.stored)
        return ReplyText(request, 503, "The score server could not store your scores. Please try again later.");
    if (request->upload.standing)
        return ReplyText(request, 202, "Your scores are uploaded.\n");
    return ReplyText(request, 200, "No score qualified for the list.\n");
}

static enum MHD_Result AnswerPage(RequestState *request, bool close)
{
    const std::string &path = request->path;
    bool known = path == uploadPath || path == helpPath || path == healthPath;
    if (request->reading && path == uploadPath) {
        ShowList(request, close);
    } else if (request->reading && path == helpPath) {
        Reply(request, 200, HtmlType, RenderHelpPage(), HelpCaching, close);
    } else if (request->reading && path == healthPath) {
        if (ScoreStoreHealthy())
            ReplyText(request, 200, "ok\n", close);
        else
            ReplyText(request, 503, "The database does not answer.\n", close);
    } else if (known && !request->reading && !request->post) {
        ReplyText(request, 405, "That method is not allowed here.\n", close);
    } else {
        Reply(request, 404, HtmlType, RenderNotFoundPage(), NoCaching, close);
    }
    return request->stage == Answered ? MHD_YES : MHD_NO;
}

// Everything that can be judged from the head alone; an upload that passes
// goes on to have its body read.
static enum MHD_Result BeginRequest(RequestState *request, const char *url, const char *method,
                                    const char *version)
{
    ConnectionState *connection = StateOf(request->connection);
    request->method = LogSafe(method, 16);
    HeadSize head = { 0, 0, 0, NULL };
    MHD_get_connection_values(request->connection, MHD_HEADER_KIND, MeasureHeader, &head);
    if (connection != NULL)
        snprintf(request->address, sizeof request->address, "%s", connection->peer);
    if (trustProxy && head.forwardedFor != NULL) {
        char forwarded[AddressTextSize];
        if (ForwardedClient(head.forwardedFor, strlen(head.forwardedFor), forwarded, sizeof forwarded))
            snprintf(request->address, sizeof request->address, "%s", forwarded);
    }

    const char *length = Header(request, "Content-Length");
    const char *transfer = Header(request, "Transfer-Encoding");
    const char *encoding = Header(request, "Content-Encoding");
    bool hasBody = transfer != NULL || (length != NULL && strcmp(length, "0") != 0);
    size_t requestLine = strlen(method) + 1 + request->targetLength + 1 + strlen(version) + 2;
    if (requestLine > RequestLineLimit)
        return ReplyText(request, 414, "The request target is too long.\n", true);
    if (head.count > HeaderCountLimit || head.longest > HeaderLineLimit ||
        requestLine + head.total > RequestHeadLimit)
        return ReplyText(request, 431, "The request headers are too large.\n", true);
    if (encoding != NULL && strcasecmp(encoding, "identity") != 0)
        return ReplyText(request, 415, "Compressed uploads are not accepted.\n", true);
    if (transfer != NULL && strcasecmp(transfer, "chunked") != 0)
        return ReplyText(request, 501, "That transfer coding is not supported.\n", true);

    // Some clients send the object name without its leading slash.
    std::string path = url[0] == '/' ? url : std::string("/") + url;
    bool reading = strcmp(method, "GET") == 0 || strcmp(method, "HEAD") == 0;
    bool uploading = strcmp(method, "POST") == 0 && path == uploadPath;
    if (length != NULL && strtoull(length, NULL, 10) > RequestBodyLimit)
        return ReplyText(request, uploading ? 400 : 413, "The upload is too large.\n", true);
    if (uploading) {
        // A body whose end the server cannot know is not an upload.
        if (length == NULL && transfer == NULL)
            return ReplyText(request, 400, "The upload has no length.\n", true);
        if (stopping)
            return ReplyText(request, 503, "The score server is stopping; try again in a minute.\n", true);
        if (AddressDenied(request->address))
            return ReplyText(request, 403, "Uploads from your address are not accepted.\n", true);
        char key[AddressTextSize + 4];
        RateKey(request->address, key, sizeof key);
        double now = std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
        if (!TakeUploadToken(key, now))
            return ReplyText(request, 429, "Too many uploads from your address; try again in a minute.\n", true);
        request->stage = ReadingUpload;
        request->body.reserve(RequestBodyLimit);
        return MHD_YES;
    }
    if (connection != NULL && connection->watch != NULL)
        RequestReceived(connection->watch);
    request->path = path;
    request->reading = reading;
    request->post = strcmp(method, "POST") == 0;
    // An answer queued before the body is read ends the connection, as it
    // should when there is a body not to read; without one the answer waits
    // for the library's next call, and the connection can be kept.
    if (hasBody)
        return AnswerPage(request, true);
    request->stage = Routed;
    return MHD_YES;
}

static enum MHD_Result HandleRequest(void *, struct MHD_Connection *connection, const char *url, const char *method,
                                     const char *version, const char *data, size_t *size, void **context)
{
    RequestState *request = (RequestState *)*context;
    if (request == NULL)
        return MHD_NO;
    request->connection = connection;
    switch (request->stage) {
    case Starting:
        return BeginRequest(request, url, method, version);
    case Routed:
        return *size == 0 ? AnswerPage(request, false) : MHD_NO;
    case ReadingUpload:
        if (*size == 0)
            return FinishUpload(request);
        if (request->body.size() + *size > RequestBodyLimit)
            return RefuseLongBody(request, 400);
        request->body.append(data, *size);
        *size = 0;
        return MHD_YES;
    case Stored:
        return AnswerStored(request);
    default:
        // Any body after an answer is not read.
        return *size == 0 ? MHD_YES : MHD_NO;
    }
}

// Called once the request line is in, before its headers: the request's
// record starts here, so that requests refused by the library are logged too.
static void *BeginRecord(void *, const char *uri, struct MHD_Connection *connection)
{
    RequestState *request = new RequestState();
    request->started = Clock::now();
    request->target = LogSafe(uri, LoggedTargetLimit);
    request->targetLength = strlen(uri);
    request->method = "-";
    request->stage = Starting;
    request->connection = connection;
    ConnectionState *state = StateOf(connection);
    if (state != NULL) {
        snprintf(request->address, sizeof request->address, "%s", state->peer);
        state->requestOpen = true;
    }
    return request;
}

static const char *EndReason(enum MHD_RequestTerminationCode code, bool cutOff)
{
    if (cutOff)
        return "not received in time";
    switch (code) {
    case MHD_REQUEST_TERMINATED_COMPLETED_OK: return "";
    case MHD_REQUEST_TERMINATED_TIMEOUT_REACHED: return "idle too long";
    case MHD_REQUEST_TERMINATED_DAEMON_SHUTDOWN: return "server stopping";
    case MHD_REQUEST_TERMINATED_CLIENT_ABORT: return "client closed";
    case MHD_REQUEST_TERMINATED_READ_ERROR: return "read failed";
    default: return "refused";
    }
}

static void EndRecord(void *, struct MHD_Connection *connection, void **context, enum MHD_RequestTerminationCode code)
{
    RequestState *request = (RequestState *)*context;
    if (request == NULL)
        return;
    *context = NULL;
    ConnectionState *state = StateOf(connection);
    bool cutOff = false;
    if (state != NULL) {
        state->requestOpen = false;
        if (state->watch != NULL) {
            cutOff = ConnectionCutOff(state->watch) != 0;
            RequestFinished(state->watch);
        }
    }
    double ms = std::chrono::duration<double, std::milli>(Clock::now() - request->started).count();
    char status[8] = "-";
    if (request->status != 0)
        snprintf(status, sizeof status, "%d", request->status);
    const char *reason = EndReason(code, cutOff);
    LogLine("%s \"%s %s\" %s %zu %.1fms%s%s", request->address, request->method.c_str(), request->target.c_str(),
            status, request->bytes, ms, *reason != 0 ? " " : "", reason);
    delete request;
}

static void ConnectionChanged(void *, struct MHD_Connection *connection, void **context,
                              enum MHD_ConnectionNotificationCode code)
{
    if (code == MHD_CONNECTION_NOTIFY_STARTED) {
        ConnectionState *state = new ConnectionState();
        const union MHD_ConnectionInfo *peer = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
        if (peer == NULL || !SocketAddressText(peer->client_addr, state->peer, sizeof state->peer))
            snprintf(state->peer, sizeof state->peer, "-");
        const union MHD_ConnectionInfo *fd = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
        state->watch = fd != NULL ? WatchConnection(fd->connect_fd) : NULL;
        *context = state;
        return;
    }
    ConnectionState *state = (ConnectionState *)*context;
    if (state == NULL)
        return;
    *context = NULL;
    if (state->watch != NULL) {
        // A request line that never came whole has no record of its own.
        if (ConnectionCutOff(state->watch) && !state->requestOpen)
            LogLine("%s \"- -\" - 0 - not received in time", state->peer);
        ForgetConnection(state->watch);
    }
    delete state;
}

static void LibraryLog(void *, const char *format, va_list args)
{
    char text[512];
    vsnprintf(text, sizeof text, format, args);
    size_t length = strlen(text);
    while (length > 0 && (text[length - 1] == '\n' || text[length - 1] == '\r'))
        text[--length] = 0;
    LogLine("http: %s", LogSafe(text, sizeof text, true).c_str());
}

// Every connection holds two descriptors (the library's and the watch's).
static void AllowDescriptors(void)
{
    struct rlimit limit;
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return;
    rlim_t wanted = 2 * ConnectionLimit + StoringThreads + 256;
    if (limit.rlim_cur < wanted) {
        limit.rlim_cur = limit.rlim_max < wanted ? limit.rlim_max : wanted;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

static int ListenAddress(const ServerOptions *options, struct sockaddr_storage *address, unsigned *flags)
{
    memset(address, 0, sizeof *address);
    struct sockaddr_in *v4 = (struct sockaddr_in *)address;
    struct sockaddr_in6 *v6 = (struct sockaddr_in6 *)address;
    if (inet_pton(AF_INET, options->address.c_str(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons((uint16_t)options->port);
        return 1;
    }
    if (inet_pton(AF_INET6, options->address.c_str(), &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons((uint16_t)options->port);
        *flags |= MHD_USE_IPv6;
        return 1;
    }
    return 0;
}

int StartScoreServer(const ServerOptions *options)
{
    uploadPath = PagePath(options->prefix, "highscore.asp");
    helpPath = PagePath(options->prefix, "pellorin.asp");
    healthPath = PagePath(options->prefix, "health");
    contentPolicy = std::string("default-src 'none'; style-src 'sha256-") + Sha256Base64(PageStyleText()) +
                    "'; base-uri 'none'; form-action 'none'; frame-ancestors 'none'";
    trustProxy = options->trustProxy;
    stopping = false;
    unsigned flags = MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_EPOLL | MHD_ALLOW_SUSPEND_RESUME | MHD_USE_ERROR_LOG;
    struct sockaddr_storage address;
    if (!ListenAddress(options, &address, &flags))
        return 0;
    AllowDescriptors();
    if (!OpenScoreStore(options->database.c_str()))
        return 0;
    ConfigureUploadRate(options->uploadRate, options->uploadBurst);
    StartUploadQueue(StoringThreads);
    StartConnectionWatch(RequestSeconds);
    // Behind a proxy every connection comes from the proxy.
    unsigned perAddress = options->trustProxy ? 0 : ConnectionsPerAddress;
    httpDaemon = MHD_start_daemon(
        flags, (uint16_t)options->port, NULL, NULL, HandleRequest, NULL,
        MHD_OPTION_EXTERNAL_LOGGER, LibraryLog, NULL,
        MHD_OPTION_SOCK_ADDR, (struct sockaddr *)&address,
        MHD_OPTION_THREAD_POOL_SIZE, (unsigned)ServingThreads,
        MHD_OPTION_CONNECTION_LIMIT, (unsigned)ConnectionLimit,
        MHD_OPTION_PER_IP_CONNECTION_LIMIT, perAddress,
        MHD_OPTION_CONNECTION_TIMEOUT, (unsigned)IdleSeconds,
        MHD_OPTION_CONNECTION_MEMORY_LIMIT, (size_t)ConnectionMemoryLimit,
        MHD_OPTION_LISTEN_BACKLOG_SIZE, 1024u,
        MHD_OPTION_LISTENING_ADDRESS_REUSE, 1u,
        MHD_OPTION_NOTIFY_CONNECTION, ConnectionChanged, NULL,
        MHD_OPTION_NOTIFY_COMPLETED, EndRecord, NULL,
        MHD_OPTION_URI_LOG_CALLBACK, BeginRecord, NULL,
        MHD_OPTION_END);
    const union MHD_DaemonInfo *bound = httpDaemon != NULL ? MHD_get_daemon_info(httpDaemon, MHD_DAEMON_INFO_BIND_PORT) : NULL;
    boundPort = bound != NULL ? bound->port : -1;
    if (httpDaemon == NULL || boundPort <= 0) {
        if (httpDaemon != NULL)
            MHD_stop_daemon(httpDaemon);
        httpDaemon = NULL;
        StopConnectionWatch();
        StopUploadQueue();
        CloseScoreStore();
        return 0;
    }
    return 1;
}

int ScoreServerPort(void)
{
    return boundPort;
}

void StopScoreServer(void)
{
    if (httpDaemon == NULL)
        return;
    // The uploads already taken are stored and answered; later ones are
    // turned away.
    stopping = true;
    StopUploadQueue();
    MHD_stop_daemon(httpDaemon);
    httpDaemon = NULL;
    StopConnectionWatch();
    CloseScoreStore();
}
