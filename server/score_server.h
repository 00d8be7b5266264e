// The HTTP side of the score server: {prefix}/highscore.asp takes uploads
// (POST) and shows the global list (GET), {prefix}/pellorin.asp the help,
// {prefix}/health whether the database answers.
#ifndef PELLORIN_SCORE_SERVER_H
#define PELLORIN_SCORE_SERVER_H

#include <string>

struct ServerOptions {
    std::string address;   // bind address, IPv4 or IPv6
    int port;              // 0: any free port
    std::string database;  // SQLite file
    std::string prefix;    // path in front of the pages, without slashes
    int uploadRate;        // uploads a minute from one client; 0: no limit
    int uploadBurst;       // uploads one client may send at once
    bool trustProxy;       // the client is the last X-Forwarded-For entry
};

void DefaultServerOptions(ServerOptions *options);

// Opens the database, binds and starts serving on threads of its own.
// 1 when serving, 0 when the database or the port failed (nothing left open).
int StartScoreServer(const ServerOptions *options);
// The port actually bound.
int ScoreServerPort(void);
// Stops serving, stores the uploads already taken, closes the database.
void StopScoreServer(void);

#endif
