#include "http_client.h"

#include <arpa/inet.h>
#include <errno.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

int ConnectToServer(int port, const char *source, double seconds)
{
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    struct timeval timeout = { (time_t)seconds, (suseconds_t)((seconds - (time_t)seconds) * 1e6) };
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    int yes = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    struct sockaddr_in address = {};
    address.sin_family = AF_INET;
    if (source != NULL) {
        inet_pton(AF_INET, source, &address.sin_addr);
        if (bind(fd, (struct sockaddr *)&address, sizeof address) != 0) {
            close(fd);
            return -1;
        }
    }
    address.sin_port = htons((uint16_t)port);
    inet_pton(AF_INET, "127.0.0.1", &address.sin_addr);
    if (connect(fd, (struct sockaddr *)&address, sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

int SendAll(int fd, const std::string &data)
{
    size_t sent = 0;
    while (sent < data.size()) {
        ssize_t n = send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) {
            if (n < 0 && errno == EINTR)
                continue;
            return 0;
        }
        sent += (size_t)n;
    }
    return 1;
}

static int ReadMore(int fd, std::string *buffer)
{
    char chunk[4096];
    ssize_t n;
    do {
        n = recv(fd, chunk, sizeof chunk, 0);
    } while (n < 0 && errno == EINTR);
    if (n <= 0)
        return 0;
    buffer->append(chunk, (size_t)n);
    return 1;
}

std::string ReplyHeader(const HttpReply &reply, const char *name)
{
    size_t at = reply.head.find("\r\n");
    size_t length = strlen(name);
    while (at != std::string::npos && at + 2 < reply.head.size()) {
        size_t start = at + 2;
        size_t end = reply.head.find("\r\n", start);
        if (end == std::string::npos)
            end = reply.head.size();
        if (end - start > length && reply.head[start + length] == ':' &&
            strncasecmp(reply.head.c_str() + start, name, length) == 0) {
            size_t value = start + length + 1;
            while (value < end && reply.head[value] == ' ')
                ++value;
            return reply.head.substr(value, end - value);
        }
        at = end;
    }
    return "";
}

int ReadReply(int fd, HttpReply *reply, bool head)
{
    reply->status = -1;
    reply->head.clear();
    reply->body.clear();
    std::string buffer;
    size_t headEnd;
    while ((headEnd = buffer.find("\r\n\r\n")) == std::string::npos) {
        if (buffer.size() > 65536 || !ReadMore(fd, &buffer))
            return 0;
    }
    reply->head = buffer.substr(0, headEnd);
    std::string rest = buffer.substr(headEnd + 4);
    if (reply->head.compare(0, 5, "HTTP/") != 0 || reply->head.size() < 12)
        return 0;
    std::string length = ReplyHeader(*reply, "Content-Length");
    size_t want = length.empty() || head ? 0 : (size_t)strtoul(length.c_str(), NULL, 10);
    while (rest.size() < want) {
        if (!ReadMore(fd, &rest))
            return 0;
    }
    reply->body = rest.substr(0, want);
    reply->status = atoi(reply->head.c_str() + 9);
    return 1;
}

int ServerClosed(int fd, double seconds)
{
    struct pollfd p = { fd, POLLIN, 0 };
    char byte[256];
    for (;;) {
        int ready = poll(&p, 1, (int)(seconds * 1000));
        if (ready <= 0)
            return 0;
        ssize_t n = recv(fd, byte, sizeof byte, MSG_DONTWAIT);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR))
            return 1;
    }
}

std::string FormatRequest(const char *method, const char *path, const std::string &body,
                          const std::string &extraHeaders)
{
    std::string request = std::string(method) + " " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n";
    if (!body.empty() || strcmp(method, "POST") == 0) {
        request += "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
                   std::to_string(body.size()) + "\r\n";
    }
    return request + extraHeaders + "\r\n" + body;
}

int Exchange(int port, const std::string &request, HttpReply *reply, const char *source)
{
    HttpReply local;
    if (reply == NULL)
        reply = &local;
    reply->status = -1;
    int fd = ConnectToServer(port, source);
    if (fd < 0)
        return -1;
    if (SendAll(fd, request))
        ReadReply(fd, reply, request.compare(0, 5, "HEAD ") == 0);
    close(fd);
    return reply->status;
}
