// A small HTTP/1.1 client over plain sockets for the server's tests and
// bench: requests are written byte for byte as given, so a test can send
// what no well-behaved client would.
#ifndef PELLORIN_HTTP_CLIENT_H
#define PELLORIN_HTTP_CLIENT_H

#include <string>

struct HttpReply {
    int status;         // -1 when no whole answer came
    std::string head;   // status line and headers
    std::string body;
};

// A connection to 127.0.0.1:port from the loopback address source (NULL:
// the system's choice), reads and writes timing out after seconds. -1 on
// failure.
int ConnectToServer(int port, const char *source = NULL, double seconds = 10);
// 1 when all of data was written.
int SendAll(int fd, const std::string &data);
// Reads one answer: head, then a body of its Content-Length (none for the
// answer to a HEAD request). 1/0.
int ReadReply(int fd, HttpReply *reply, bool head = false);
// 1 when the server has closed the connection (reads end within seconds).
int ServerClosed(int fd, double seconds);

// A request with Host, the body's Content-Length (when body is given or the
// method is POST) and the extra header lines (each ending in \r\n).
std::string FormatRequest(const char *method, const char *path, const std::string &body = "",
                          const std::string &extraHeaders = "");
// One request on a connection of its own; the answer's status, -1 if none.
int Exchange(int port, const std::string &request, HttpReply *reply = NULL, const char *source = NULL);
// The value of a header of the answer, "" when absent.
std::string ReplyHeader(const HttpReply &reply, const char *name);

#endif
