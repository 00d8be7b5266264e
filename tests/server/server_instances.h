// Score server programs started by a test on a given database and spoken to
// over loopback HTTP, one request a connection.
#ifndef PELLORIN_SERVER_INSTANCES_H
#define PELLORIN_SERVER_INSTANCES_H

#include <sys/types.h>

#include <string>
#include <vector>

#include "server_spawn.h"
#include "upload_bodies.h"

struct ServerInstance {
    pid_t pid;
    int port;
    std::string log;   // its standard output and error
};

// Starts the program on a free loopback port with the database, prefix
// "pellorin" and no upload rate limit, its output appended to logFile, and
// waits until it listens. 1/0.
int StartInstance(const char *program, const std::string &database, const std::string &logFile,
                  ServerInstance *instance);
// SIGTERM (or signal), and a bounded wait for its end.
void StopInstance(ServerInstance *instance, int signal = 15);

struct HttpAnswer {
    int status;        // -1: no answer
    std::string body;
};

// One request from the loopback source address 127.0.0.source (0: any),
// bounded by timeoutMs.
HttpAnswer HttpRequest(int port, const char *method, const std::string &path, const std::string &body,
                       int source = 0, int timeoutMs = 10000);


// The rows of the list page: "name|level|score|date" each.
std::vector<std::string> ListedRows(const std::string &page);


#endif
