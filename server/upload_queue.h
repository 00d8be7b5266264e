// Checked uploads waiting for the store. A fixed set of threads hands them
// to StoreEntries, which returns only once they are on disk; the threads
// that serve connections never wait for a disk sync. Uploads that wait
// together are committed together.
#ifndef PELLORIN_UPLOAD_QUEUE_H
#define PELLORIN_UPLOAD_QUEUE_H

#include "client_address.h"
#include "upload_form.h"

struct QueuedUpload {
    ScoreEntry entries[HighScoreEntryCount];
    int count;
    char address[AddressTextSize];
    int stored;    // what StoreEntries returned; -1 when the queue was stopping
    int standing;  // what StoreEntries set
    void (*done)(QueuedUpload *upload);  // called on a queue thread afterwards
    void *context;
};

int StartUploadQueue(int threads);
// The upload must stay in place until its done is called. 0 (and done is
// never called) once the queue is stopping.
int QueueUpload(QueuedUpload *upload);
// Stores what is already queued, then ends the threads.
void StopUploadQueue(void);

#endif
