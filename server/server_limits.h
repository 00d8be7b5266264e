// What one client may ask of the server. Every request is bounded in memory
// and time whatever its framing, and one address cannot take every
// connection.
#ifndef PELLORIN_SERVER_LIMITS_H
#define PELLORIN_SERVER_LIMITS_H

enum {
    RequestLineLimit = 8192,        // bytes of method, target and version
    HeaderLineLimit = 8192,         // bytes of one header line
    HeaderCountLimit = 64,
    RequestHeadLimit = 16384,       // bytes of the request line and every header line
    // The library's memory for one connection: the head is read into it, so
    // a head that does not fit is refused before it is ever complete.
    ConnectionMemoryLimit = 32768,
    RequestBodyLimit = 4096,        // an upload is 518 bytes
    RequestSeconds = 10,            // to receive one request whole, head and body
    IdleSeconds = 5,                // a kept-alive connection may idle this long
    ConnectionsPerAddress = 32,
    ConnectionLimit = 1024,
    ServingThreads = 2,             // event loops, one a core
    StoringThreads = 128            // uploads that can wait on one commit at once
};

#endif
