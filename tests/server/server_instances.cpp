#include "server_instances.h"

#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <regex>

#include "http_client.h"
#include "server_spawn.h"

enum { StartTimeoutMs = 10000 };

int StartInstance(const char *program, const std::string &database, const std::string &logFile,
                  ServerInstance *instance)
{
    instance->log = logFile;
    instance->port = -1;
    std::vector<std::string> words = { program, "--port", "0", "--database", database,
                                       "--prefix", "pellorin", "--upload-rate", "0" };
    // Its output so far, so that the port read is the new start's.
    size_t from = ReadWholeFile(logFile).size();
    // Started by threads that end before the servers do.
    instance->pid = SpawnServer(words, logFile, false);
    if (instance->pid < 0)
        return 0;
    int port = AwaitListeningPort(&instance->pid, logFile, from, StartTimeoutMs);
    if (port > 0) {
        instance->port = port;
        return 1;
    }
    StopServer(&instance->pid, SIGKILL);
    return 0;
}

void StopInstance(ServerInstance *instance, int signal)
{
    StopServer(&instance->pid, signal);
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
