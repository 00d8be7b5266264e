#include "server_instances.h"

#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <regex>
#include <thread>

#include "highscore_block.h"
#include "highscore_block_seams.h"
#include "upload_form.h"
#include "upload_form_seams.h"

static int FreePort(void)
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = -1;
    if (bind(fd, (sockaddr *)&address, sizeof address) == 0 && getsockname(fd, (sockaddr *)&address, &length) == 0)
        port = ntohs(address.sin_port);
    close(fd);
    return port;
}

std::string ReadWholeFile(const std::string &path)
{
    std::string text;
    FILE *f = fopen(path.c_str(), "r");
    if (f == NULL)
        return text;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0)
        text.append(buffer, n);
    fclose(f);
    return text;
}

static int HasUploadRate(const char *program)
{
    std::string command = std::string("'") + program + "' --help 2>&1";
    FILE *pipe = popen(command.c_str(), "r");
    std::string text;
    char buffer[1024];
    size_t n;
    while (pipe != NULL && (n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        text.append(buffer, n);
    if (pipe != NULL)
        pclose(pipe);
    return text.find("--upload-rate") != std::string::npos;
}

// 1 serving, 0 exited (the port may have been taken meanwhile), -1 no answer.
static int StartOnFreePort(const char *program, const std::string &database, const std::string &logFile,
                           ServerInstance *instance)
{
    static int rateOption = -1;
    if (rateOption < 0)
        rateOption = HasUploadRate(program);
    instance->port = FreePort();
    instance->log = logFile;
    std::string port = std::to_string(instance->port);
    std::vector<const char *> argv = { program, "--port", port.c_str(), "--database", database.c_str(),
                                       "--prefix", "pellorin" };
    if (rateOption) {
        argv.push_back("--upload-rate");
        argv.push_back("0");
    }
    argv.push_back(NULL);
    instance->pid = fork();
    if (instance->pid == 0) {
        int fd = open(logFile.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        dup2(fd, 1);
        dup2(fd, 2);
        execv(program, (char **)argv.data());
        _exit(127);
    }
    if (instance->pid < 0)
        return 0;
    for (int i = 0; i < 200; ++i) {
        if (HttpRequest(instance->port, "GET", "/pellorin/pellorin.asp", "", 0, 1000).status == 200)
            return 1;
        int status;
        if (waitpid(instance->pid, &status, WNOHANG) == instance->pid) {
            instance->pid = -1;
            return 0;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    StopInstance(instance, SIGKILL);
    return -1;
}

int StartInstance(const char *program, const std::string &database, const std::string &logFile,
                  ServerInstance *instance)
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        int started = StartOnFreePort(program, database, logFile, instance);
        if (started != 0)
            return started > 0;
    }
    return 0;
}

void StopInstance(ServerInstance *instance, int signal)
{
    if (instance->pid <= 0)
        return;
    kill(instance->pid, signal);
    int status;
    waitpid(instance->pid, &status, 0);
    instance->pid = -1;
}

static long long NowMs(void)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Waits until fd is ready for events or the deadline passes; 1/0.
static int WaitFor(int fd, short events, long long deadline)
{
    long long left = deadline - NowMs();
    if (left <= 0)
        return 0;
    pollfd p = { fd, events, 0 };
    return poll(&p, 1, (int)left) == 1;
}

HttpAnswer HttpRequest(int port, const char *method, const std::string &path, const std::string &body, int source,
                       int timeoutMs)
{
    HttpAnswer answer = { -1, "" };
    long long deadline = NowMs() + timeoutMs;
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return answer;
    if (source != 0) {
        sockaddr_in from = {};
        from.sin_family = AF_INET;
        from.sin_addr.s_addr = htonl(0x7f000000u | (unsigned)source);
        bind(fd, (sockaddr *)&from, sizeof from);
    }
    sockaddr_in to = {};
    to.sin_family = AF_INET;
    to.sin_port = htons((uint16_t)port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string request = std::string(method) + " " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n";
    if (strcmp(method, "POST") == 0)
        request += "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
                   std::to_string(body.size()) + "\r\n";
    request += "\r\n" + body;
    int connected = connect(fd, (sockaddr *)&to, sizeof to) == 0 || errno == EINPROGRESS;
    if (connected && WaitFor(fd, POLLOUT, deadline)) {
        int error = 0;
        socklen_t length = sizeof error;
        getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
        connected = error == 0;
    } else {
        connected = 0;
    }
    size_t sent = 0;
    while (connected && sent < request.size() && WaitFor(fd, POLLOUT, deadline)) {
        ssize_t n = send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            break;
        sent += (size_t)n;
    }
    std::string reply;
    char buffer[8192];
    while (sent == request.size() && WaitFor(fd, POLLIN, deadline)) {
        ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        reply.append(buffer, (size_t)n);
    }
    close(fd);
    size_t head = reply.find("\r\n\r\n");
    if (reply.compare(0, 9, "HTTP/1.1 ") != 0 || head == std::string::npos)
        return answer;
    answer.status = atoi(reply.c_str() + 9);
    answer.body = reply.substr(head + 4);
    if (reply.find("Transfer-Encoding: chunked") < head) {
        std::string plain;
        size_t at = head + 4;
        for (;;) {
            size_t size = strtoul(reply.c_str() + at, NULL, 16);
            size_t start = reply.find("\r\n", at);
            if (size == 0 || start == std::string::npos)
                break;
            plain += reply.substr(start + 2, size);
            at = start + 2 + size + 2;
        }
        answer.body = plain;
    }
    return answer;
}

std::string UploadBody(const std::vector<UploadResult> &results)
{
    unsigned char block[HighScoreBlockSize];
    memcpy(block, DefaultHighScoreBlock, sizeof block);
    for (size_t i = 0; i < results.size(); ++i) {
        WriteEntryName(block, (int)i, results[i].name.c_str());
        WriteEntryLevel(block, (int)i, results[i].level);
        WriteEntryScore(block, (int)i, results[i].score);
        WriteEntryTime(block, (int)i, results[i].time);
    }
    SetBlockChecksum(block);
    ScrambleBlock(block, sizeof block);
    return FormatUploadForm(block);
}

std::vector<std::string> ListedRows(const std::string &page)
{
    static const std::regex row("<tr><td class=\"n\">\\d+</td><td>(.*?)</td><td class=\"n\">(\\d+)</td>"
                                "<td class=\"n\">(\\d+)</td><td>([^<]*)</td></tr>");
    std::vector<std::string> rows;
    for (std::sregex_iterator i(page.begin(), page.end(), row), end; i != end; ++i) {
        const std::smatch &m = *i;
        rows.push_back(m[1].str() + "|" + m[2].str() + "|" + m[3].str() + "|" + m[4].str());
    }
    return rows;
}
