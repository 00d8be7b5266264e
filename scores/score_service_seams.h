// The score service's upload state, for its tests.
#ifndef PELLORIN_SCORE_SERVICE_SEAMS_H
#define PELLORIN_SCORE_SERVICE_SEAMS_H

// 1 from the start of an upload until its reply has been shown; another
// upload is not started meanwhile.
int IsUploadPending(void);

#endif
