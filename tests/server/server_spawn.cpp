#include "server_spawn.h"

#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

enum { PollMs = 10, StopWaitMs = 10000 };

static const char ListeningOn[] = "listening on http://127.0.0.1:";

static void Pause(int ms)
{
    struct timespec t = { ms / 1000, (ms % 1000) * 1000000L };
    nanosleep(&t, NULL);
}

std::string ReadWholeFile(const std::string &path)
{
    std::string text;
    FILE *f = fopen(path.c_str(), "rb");
    if (f == NULL)
        return text;
    char chunk[4096];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, f)) > 0)
        text.append(chunk, n);
    fclose(f);
    return text;
}

pid_t SpawnServer(const std::vector<std::string> &words, const std::string &output, bool isolated)
{
    if (words.empty())
        return -1;
    std::vector<std::string> copy = words;
    std::vector<char *> argv;
    for (std::string &word : copy)
        argv.push_back(&word[0]);
    argv.push_back(NULL);
    pid_t pid = fork();
    if (pid != 0)
        return pid;
    if (isolated) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        setsid();
    }
    int out = open(output.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    if (out >= 0) {
        dup2(out, 1);
        dup2(out, 2);
    }
    execv(argv[0], argv.data());
    _exit(127);
}

int AwaitListeningPort(pid_t *pid, const std::string &output, size_t from, int timeoutMs)
{
    for (int waited = 0; waited <= timeoutMs; waited += PollMs) {
        std::string text = ReadWholeFile(output);
        size_t at = text.size() > from ? text.find(ListeningOn, from) : std::string::npos;
        if (at != std::string::npos) {
            // Only a whole port counts: the path follows it on the line.
            char *end = NULL;
            long port = strtol(text.c_str() + at + strlen(ListeningOn), &end, 10);
            if (port > 0 && port < 65536 && *end == '/')
                return (int)port;
        }
        if (waitpid(*pid, NULL, WNOHANG) == *pid) {
            *pid = -1;
            return 0;
        }
        Pause(PollMs);
    }
    return -1;
}

int StopServer(pid_t *pid, int signal)
{
    if (*pid <= 0)
        return -1;
    kill(*pid, signal);
    int status = 0;
    for (int waited = 0; waited < StopWaitMs; waited += PollMs) {
        if (waitpid(*pid, &status, WNOHANG) == *pid) {
            *pid = -1;
            return status;
        }
        Pause(PollMs);
    }
    kill(*pid, SIGKILL);
    waitpid(*pid, NULL, 0);
    *pid = -1;
    return -1;
}
