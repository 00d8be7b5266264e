#include "server_log.h"

#include <stdarg.h>
#include <stdio.h>
#include <sys/time.h>
#include <time.h>

#include <mutex>

static std::mutex logLock;

void LogLine(const char *format, ...)
{
    struct timeval now;
    gettimeofday(&now, NULL);
    struct tm utc;
    gmtime_r(&now.tv_sec, &utc);
    char stamp[32];
    strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S", &utc);

    std::lock_guard<std::mutex> lock(logLock);
    printf("%s.%03dZ ", stamp, (int)(now.tv_usec / 1000));
    va_list args;
    va_start(args, format);
    vprintf(format, args);
    va_end(args);
    putchar('\n');
    fflush(stdout);
}
