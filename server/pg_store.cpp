#include "server_log.h"
#include "store_backend.h"

static int Open(const char *, int)
{
    LogLine("database: PostgreSQL is not built into this server");
    return 0;
}

const StoreBackend PostgresBackend = { Open };
