#include "server_process.h"

#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

static void Pause(int ms)
{
    struct timespec t = { ms / 1000, (ms % 1000) * 1000000L };
    nanosleep(&t, NULL);
}

std::string ServerOutput(const ServerProcess *server)
{
    std::string text;
    FILE *f = fopen((server->directory + "/server.out").c_str(), "rb");
    if (f == NULL)
        return text;
    char chunk[4096];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, f)) > 0)
        text.append(chunk, n);
    fclose(f);
    return text;
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
    server->pid = fork();
    if (server->pid < 0)
        return 0;
    if (server->pid == 0) {
        // The server ends with the test, whatever happens to the test. A
        // session of its own gives it a scheduling group of its own.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        setsid();
        int out = open(output.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        dup2(out, 1);
        dup2(out, 2);
        std::vector<char *> argv;
        for (std::string &w : words)
            argv.push_back(&w[0]);
        argv.push_back(NULL);
        execv(argv[0], argv.data());
        _exit(127);
    }
    for (int i = 0; i < 1000; ++i) {
        std::string text = ServerOutput(server);
        size_t at = text.rfind("listening on http://127.0.0.1:");
        if (at != std::string::npos) {
            server->port = atoi(text.c_str() + at + strlen("listening on http://127.0.0.1:"));
            return 1;
        }
        if (waitpid(server->pid, NULL, WNOHANG) == server->pid) {
            server->pid = -1;
            return 0;
        }
        Pause(10);
    }
    StopServerProcess(server, true);
    return 0;
}

int StopServerProcess(ServerProcess *server, bool kill)
{
    if (server->pid <= 0)
        return -1;
    ::kill(server->pid, kill ? SIGKILL : SIGTERM);
    int status = 0;
    for (int i = 0; i < 1000; ++i) {
        if (waitpid(server->pid, &status, WNOHANG) == server->pid) {
            server->pid = -1;
            return status;
        }
        Pause(10);
    }
    ::kill(server->pid, SIGKILL);
    waitpid(server->pid, NULL, 0);
    server->pid = -1;
    return -1;
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
