// Client addresses as the server names and counts them.
#ifndef PELLORIN_CLIENT_ADDRESS_H
#define PELLORIN_CLIENT_ADDRESS_H

#include <stddef.h>
#include <sys/socket.h>

enum {
    AddressTextSize = 64  // room for any IPv6 text and its terminator
};

// The canonical text of an IPv4 or IPv6 socket address; an IPv4-mapped IPv6
// address is written as IPv4. 1/0.
int SocketAddressText(const struct sockaddr *address, char *text, size_t size);

// The client that a reverse proxy saw, from its X-Forwarded-For value: the
// last entry, the one the proxy itself appended. Entries before it are the
// client's own claims and are never used. text := that entry in canonical
// form; 0 when it is not a valid IPv4 or IPv6 address.
int ForwardedClient(const char *header, size_t length, char *text, size_t size);

// The key a client's uploads are counted under: the IPv4 address itself, or
// the /64 prefix of an IPv6 address (one subscriber usually holds a whole
// /64, so counting single IPv6 addresses would count nothing).
void RateKey(const char *address, char *key, size_t size);

#endif
