// A private PostgreSQL server for the tests: a fresh cluster in a temporary
// directory, owned by an unprivileged user when the tests run as root,
// listening only on a Unix socket in that directory, trust authentication
// for its one role "pellorin". Stopped and removed by StopTestPostgres.
#ifndef PELLORIN_TEST_POSTGRES_H
#define PELLORIN_TEST_POSTGRES_H

#include <string>

// initdb and start; 1/0 (the reason on standard error).
int StartTestPostgres(void);
// Stops the server (fast shutdown) and removes the directory.
void StopTestPostgres(void);

// Stop and start the same cluster again, for outages. 1/0.
int PauseTestPostgres(void);
int ResumeTestPostgres(void);

// A new empty database and its URI.
std::string CreateTestDatabase(const char *name);
// The URI of a database that exists already.
std::string TestDatabaseUri(const char *name);

// One query's first value as text ("" on failure), on database name.
std::string QueryTestDatabase(const char *name, const char *sql);

#endif
