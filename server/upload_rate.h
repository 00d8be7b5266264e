// How often one client may upload: a token bucket for each client key
// (see RateKey), refilled at the set rate up to the burst.
#ifndef PELLORIN_UPLOAD_RATE_H
#define PELLORIN_UPLOAD_RATE_H

enum {
    RateTableLimit = 65536  // clients tracked at once
};

// perMinute 0 turns the limit off. burst < 1 counts as 1.
void ConfigureUploadRate(int perMinute, int burst);

// 1 when the client under key may upload now (a token is taken), 0 when it
// has to wait. now is in seconds on a monotonic clock. Thread-safe.
int TakeUploadToken(const char *key, double now);

// Clients in the table now.
int TrackedClients(void);

#endif
