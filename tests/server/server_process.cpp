#include "server_process.h"

#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "server_spawn.h"

enum { StartTimeoutMs = 10000 };

std::string ServerOutput(const ServerProcess *server)
{
    return ReadWholeFile(server->directory + "/server.out");
}

int StartServerProcess(ServerProcess *server, const std::vector<std::string> &options)
{
    if (server->directory.empty()) {
        char directory[] = "/tmp/pellorin-server-process.XXXXXX";
        if (mkdtemp(directory) == NULL)
            return 0;
        server->directory = directory;
    }
    std::string database = server->directory + "/scores.db";
    std::string output = server->directory + "/server.out";
    std::vector<std::string> words = { PELLORIN_SERVER_PROGRAM, "--port", "0", "--database", database };
    words.insert(words.end(), options.begin(), options.end());
    server->port = -1;
    // Each start has an output of its own, so that the port read is the new one.
    int fresh = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fresh < 0)
        return 0;
    close(fresh);
    server->pid = SpawnServer(words, output, true);
    if (server->pid < 0)
        return 0;
    int port = AwaitListeningPort(&server->pid, output, 0, StartTimeoutMs);
    if (port > 0) {
        server->port = port;
        return 1;
    }
    StopServer(&server->pid, SIGKILL);
    return 0;
}

int StopServerProcess(ServerProcess *server, bool kill)
{
    return StopServer(&server->pid, kill ? SIGKILL : SIGTERM);
}

void RemoveServerFiles(ServerProcess *server)
{
    if (server->directory.empty())
        return;
    std::string command = "rm -rf '" + server->directory + "'";
    if (system(command.c_str()) != 0)
        fprintf(stderr, "could not remove %s\n", server->directory.c_str());
    server->directory.clear();
}

long ResidentKilobytes(pid_t pid)
{
    char path[64];
    snprintf(path, sizeof path, "/proc/%d/status", (int)pid);
    FILE *f = fopen(path, "r");
    if (f == NULL)
        return -1;
    char line[256];
    long kb = -1;
    while (fgets(line, sizeof line, f) != NULL) {
        if (strncmp(line, "VmRSS:", 6) == 0)
            kb = strtol(line + 6, NULL, 10);
    }
    fclose(f);
    return kb;
}
