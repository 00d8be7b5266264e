#include "test_postgres.h"

#include <libpq-fe.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static std::string directory;

static std::string AsOwner(const std::string &command)
{
    std::string prefix = getuid() == 0 ? "runuser -u nobody -- " : "";
    return prefix + command;
}

static int Shell(const std::string &command)
{
    int status = system(command.c_str());
    if (status != 0)
        fprintf(stderr, "test postgres: failed (%d): %s\n", status, command.c_str());
    return status == 0;
}

static int StartServer(void)
{
    return Shell(AsOwner(std::string(PELLORIN_PG_BINDIR) + "/pg_ctl -D " + directory + "/data -l " + directory +
                         "/server.log -w -t 60 -o \"-k " + directory +
                         " -c listen_addresses='' -c max_connections=80 -c shared_buffers=32MB\" start >/dev/null"));
}

static int StopServer(void)
{
    return Shell(AsOwner(std::string(PELLORIN_PG_BINDIR) + "/pg_ctl -D " + directory +
                         "/data -w -t 60 -m fast stop >/dev/null"));
}

int StartTestPostgres(void)
{
    char path[] = "/tmp/pellorin-pg.XXXXXX";
    if (mkdtemp(path) == NULL)
        return 0;
    directory = path;
    if (getuid() == 0 && !Shell("chown nobody '" + directory + "'"))
        return 0;
    if (!Shell(AsOwner(std::string(PELLORIN_PG_BINDIR) + "/initdb -D " + directory +
                       "/data -U pellorin --auth=trust -E UTF8 --no-locale --no-sync >" + directory +
                       "/initdb.log 2>&1"))) {
        Shell("cat " + directory + "/initdb.log >&2");
        return 0;
    }
    if (!StartServer()) {
        Shell("cat " + directory + "/server.log >&2");
        return 0;
    }
    return 1;
}

void StopTestPostgres(void)
{
    if (directory.empty())
        return;
    StopServer();
    Shell("rm -rf '" + directory + "'");
    directory.clear();
}

int PauseTestPostgres(void)
{
    return StopServer();
}

int ResumeTestPostgres(void)
{
    return StartServer();
}

std::string TestDatabaseUri(const char *name)
{
    return std::string("postgresql://pellorin@/") + name + "?host=" + directory;
}

std::string QueryTestDatabase(const char *name, const char *sql)
{
    std::string uri = TestDatabaseUri(name);
    PGconn *c = PQconnectdb(uri.c_str());
    std::string value;
    if (PQstatus(c) == CONNECTION_OK) {
        PGresult *r = PQexec(c, sql);
        ExecStatusType status = PQresultStatus(r);
        if (status == PGRES_TUPLES_OK && PQntuples(r) > 0)
            value = PQgetvalue(r, 0, 0);
        else if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
            fprintf(stderr, "test postgres: %s: %s", sql, PQerrorMessage(c));
        PQclear(r);
    } else {
        fprintf(stderr, "test postgres: %s", PQerrorMessage(c));
    }
    PQfinish(c);
    return value;
}

std::string CreateTestDatabase(const char *name)
{
    std::string sql = std::string("CREATE DATABASE ") + name;
    QueryTestDatabase("postgres", sql.c_str());
    return TestDatabaseUri(name);
}
