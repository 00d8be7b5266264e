// The real server program as a child process on a free loopback port, with
// a database in a fresh directory: its memory can be read from /proc, and
// it can be killed outright. It runs in a session of its own.
#ifndef PELLORIN_SERVER_PROCESS_H
#define PELLORIN_SERVER_PROCESS_H

#include <sys/types.h>

#include <string>
#include <vector>

struct ServerProcess {
    pid_t pid;
    int port;
    std::string directory;  // holds scores.db and server.out
};

// Makes the directory (when directory is empty) and starts the server with
// the extra options; waits up to 10 s for it to print its port. 1/0.
int StartServerProcess(ServerProcess *server, const std::vector<std::string> &options);
// SIGTERM (or SIGKILL when kill is set), then waits up to 10 s for it to
// end (then kills it). Its wait status; -1 when it had to be killed.
int StopServerProcess(ServerProcess *server, bool kill = false);
// Removes the directory.
void RemoveServerFiles(ServerProcess *server);
// What the server wrote to its standard output so far.
std::string ServerOutput(const ServerProcess *server);
// Resident memory of the process in kB, -1 when unknown.
long ResidentKilobytes(pid_t pid);

#endif
