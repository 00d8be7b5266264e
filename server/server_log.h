// One line of the server's log on standard output, stamped with the UTC time;
// lines from different threads never interleave.
#ifndef PELLORIN_SERVER_LOG_H
#define PELLORIN_SERVER_LOG_H

void LogLine(const char *format, ...) __attribute__((format(printf, 1, 2)));

#endif
