#include "server_instances.h"

#include <arpa/inet.h>
#include <fcntl.h>
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

#include "http_client.h"

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

// 1 serving, 0 exited (the port may have been taken meanwhile), -1 no answer.
static int StartOnFreePort(const char *program, const std::string &database, const std::string &logFile,
                           ServerInstance *instance)
{
    instance->port = FreePort();
    instance->log = logFile;
    std::string port = std::to_string(instance->port);
    std::vector<const char *> argv = { program, "--port", port.c_str(), "--database", database.c_str(),
                                       "--prefix", "pellorin", "--upload-rate", "0", NULL };
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

HttpAnswer HttpRequest(int port, const char *method, const std::string &path, const std::string &body, int source,
                       int timeoutMs)
{
    HttpAnswer answer = { -1, "" };
    std::string from = "127.0.0." + std::to_string(source);
    int fd = ConnectToServer(port, source != 0 ? from.c_str() : NULL, timeoutMs / 1000.0);
    if (fd < 0)
        return answer;
    HttpReply reply;
    if (SendAll(fd, FormatRequest(method, path.c_str(), body, "Connection: close\r\n")) &&
        ReadReply(fd, &reply, strcmp(method, "HEAD") == 0)) {
        answer.status = reply.status;
        answer.body = reply.body;
    }
    close(fd);
    return answer;
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
