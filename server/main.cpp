// pellorin-score-server: serves the global high-score list and takes the
// game's uploads until SIGINT or SIGTERM.
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "admin_command.h"
#include "score_server.h"
#include "score_store.h"

static const char Usage[] =
    "usage: pellorin-score-server [--port N] [--database FILE|URI] [--prefix PATH] [--address ADDR]\n"
    "                             [--upload-rate N] [--upload-burst N] [--trust-proxy] [--pool N]\n"
    "  --port N          TCP port, 0 for any free one (default 8080)\n"
    "  --database FILE   SQLite file, created if missing (default pellorin-scores.db),\n"
    "                    or a postgresql:// URI of a database shared by several servers\n"
    "  --prefix PATH     path in front of highscore.asp and pellorin.asp (default pellorin)\n"
    "  --address ADDR    address to listen on, IPv4 or IPv6 (default 127.0.0.1; 0.0.0.0 for every interface)\n"
    "  --upload-rate N   uploads a minute from one address, 0 for no limit (default 6)\n"
    "  --upload-burst N  uploads one address may send at once (default 6)\n"
    "  --trust-proxy     behind a reverse proxy: the client is the last X-Forwarded-For entry\n"
    "  --pool N          PostgreSQL connections for reads, 1 to 64 (default 4)\n"
    "       pellorin-score-server admin [--database FILE|URI] COMMAND   (admin --help: moderation)\n";

static int ParseNumber(const char *text, long low, long high, int *number)
{
    char *end = NULL;
    long value = strtol(text, &end, 10);
    if (end == text || *end != 0 || value < low || value > high)
        return 0;
    *number = (int)value;
    return 1;
}

static int ParseOptions(int argc, char **argv, ServerOptions *options)
{
    for (int i = 1; i < argc; ++i) {
        const char *name = argv[i];
        if (strcmp(name, "--trust-proxy") == 0) {
            options->trustProxy = true;
            continue;
        }
        const char *value = i + 1 < argc ? argv[i + 1] : NULL;
        if (strcmp(name, "--help") == 0 || value == NULL)
            return 0;
        if (strcmp(name, "--port") == 0) {
            if (!ParseNumber(value, 0, 65535, &options->port))
                return 0;
        } else if (strcmp(name, "--database") == 0) {
            options->database = value;
        } else if (strcmp(name, "--prefix") == 0) {
            options->prefix = value;
        } else if (strcmp(name, "--address") == 0) {
            options->address = value;
        } else if (strcmp(name, "--pool") == 0) {
            int size = 0;
            if (!ParseNumber(value, 1, 64, &size))
                return 0;
            SetScoreStorePoolSize(size);
        } else if (strcmp(name, "--upload-rate") == 0) {
            if (!ParseNumber(value, 0, 1000000, &options->uploadRate))
                return 0;
        } else if (strcmp(name, "--upload-burst") == 0) {
            if (!ParseNumber(value, 1, 1000000, &options->uploadBurst))
                return 0;
        } else {
            return 0;
        }
        ++i;
    }
    return 1;
}

int main(int argc, char **argv)
{
    if (argc > 1 && strcmp(argv[1], "admin") == 0)
        return RunAdminCommand(argc - 1, argv + 1);
    ServerOptions options;
    DefaultServerOptions(&options);
    if (!ParseOptions(argc, argv, &options)) {
        fputs(Usage, stderr);
        return 2;
    }
    // The signals are taken by sigwait below, not by a handler.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, NULL);
    signal(SIGPIPE, SIG_IGN);

    if (!StartScoreServer(&options)) {
        fprintf(stderr, "pellorin-score-server: cannot open %s or listen on %s:%d\n",
                ScoreStoreDisplayName(options.database.c_str()).c_str(), options.address.c_str(), options.port);
        return 1;
    }
    std::string prefix = options.prefix.empty() ? "" : options.prefix + "/";
    bool v6 = strchr(options.address.c_str(), ':') != NULL;
    std::string host = v6 ? "[" + options.address + "]" : options.address;
    printf("pellorin-score-server: listening on http://%s:%d/%shighscore.asp (database %s)\n", host.c_str(),
           ScoreServerPort(), prefix.c_str(), ScoreStoreDisplayName(options.database.c_str()).c_str());
    printf("pellorin-score-server: the game's server setting is %s:%d%s%s\n", host.c_str(), ScoreServerPort(),
           options.prefix.empty() ? "" : "/", options.prefix.c_str());
    fflush(stdout);
    int received = 0;
    sigwait(&stopSignals, &received);
    StopScoreServer();
    return 0;
}
