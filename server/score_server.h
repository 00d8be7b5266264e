// The HTTP side of the score server: {prefix}/highscore.asp takes uploads
// (POST) and shows the global list (GET), {prefix}/pellorin.asp the help.
#ifndef PELLORIN_SCORE_SERVER_H
#define PELLORIN_SCORE_SERVER_H

#include <string>

struct ServerOptions {
    std::string address;   // bind address
    int port;              // 0: any free port
    std::string database;  // SQLite file
    std::string prefix;    // path in front of the pages, without slashes
};

void DefaultServerOptions(ServerOptions *options);

// Opens the database, binds and starts serving on a thread of its own.
// 1 when serving, 0 when the database or the port failed (nothing left open).
int StartScoreServer(const ServerOptions *options);
// The port actually bound.
int ScoreServerPort(void);
// Stops serving, waits for the requests in progress, closes the database.
void StopScoreServer(void);

#endif
