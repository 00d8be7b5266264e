// A deadline for receiving each request whole, head and body, however the
// bytes trickle in: the time runs from the connection's start, or from the
// end of its previous request, until the request is in. A connection past
// its deadline is shut down; the HTTP library then sees it closed.
#ifndef PELLORIN_CONNECTION_WATCH_H
#define PELLORIN_CONNECTION_WATCH_H

struct WatchedConnection;

int StartConnectionWatch(double seconds);
void StopConnectionWatch(void);

// Watches the socket fd (a duplicate is kept, so the number cannot be
// reused while it is watched). NULL when out of descriptors.
WatchedConnection *WatchConnection(int fd);
// The current request is in: no deadline until the next one begins.
void RequestReceived(WatchedConnection *connection);
// The current request is answered: the next one's time begins.
void RequestFinished(WatchedConnection *connection);
// 1 when the deadline cut this connection off.
int ConnectionCutOff(WatchedConnection *connection);
void ForgetConnection(WatchedConnection *connection);

#endif
