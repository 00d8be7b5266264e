// The score server program as a child process of a test: started with its
// output in a file, known to be serving once it prints the port it listens
// on, and stopped within a bounded time.
#ifndef PELLORIN_SERVER_SPAWN_H
#define PELLORIN_SERVER_SPAWN_H

#include <sys/types.h>

#include <string>
#include <vector>

// Starts words[0] with the rest as arguments, its standard output and error
// appended to output. An isolated child runs in a session of its own (so in
// a scheduling group of its own) and is killed when the calling thread ends,
// whatever happens to the test; servers started by one thread for others to
// use, or measured beside their clients, are not isolated. The pid, or -1.
pid_t SpawnServer(const std::vector<std::string> &words, const std::string &output, bool isolated);

// The port from the first "listening on" line that output gains after its
// first `from` bytes: the port, 0 when the program ended first (*pid becomes
// -1), -1 when none came within timeoutMs.
int AwaitListeningPort(pid_t *pid, const std::string &output, size_t from, int timeoutMs);

// Sends signal, waits up to 10 s for the end (then kills it outright) and
// sets *pid to -1. Its wait status; -1 when it had to be killed or was not
// running.
int StopServer(pid_t *pid, int signal);

std::string ReadWholeFile(const std::string &path);

#endif
