#include "client_address.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <stdio.h>
#include <string.h>

static int Ipv6Text(const struct in6_addr *address, char *text, size_t size)
{
    if (IN6_IS_ADDR_V4MAPPED(address))
        return inet_ntop(AF_INET, &address->s6_addr[12], text, (socklen_t)size) != NULL;
    return inet_ntop(AF_INET6, address, text, (socklen_t)size) != NULL;
}

int SocketAddressText(const struct sockaddr *address, char *text, size_t size)
{
    if (address == NULL)
        return 0;
    if (address->sa_family == AF_INET)
        return inet_ntop(AF_INET, &((const struct sockaddr_in *)address)->sin_addr, text, (socklen_t)size) != NULL;
    if (address->sa_family == AF_INET6)
        return Ipv6Text(&((const struct sockaddr_in6 *)address)->sin6_addr, text, size);
    return 0;
}

static int IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

int ForwardedClient(const char *header, size_t length, char *text, size_t size)
{
    size_t start = length;
    while (start > 0 && header[start - 1] != ',')
        --start;
    size_t end = length;
    while (start < end && IsBlank(header[start]))
        ++start;
    while (end > start && IsBlank(header[end - 1]))
        --end;
    // Some proxies write IPv6 in brackets.
    if (end - start >= 2 && header[start] == '[' && header[end - 1] == ']') {
        ++start;
        --end;
    }
    char entry[AddressTextSize];
    if (end == start || end - start >= sizeof entry)
        return 0;
    memcpy(entry, header + start, end - start);
    entry[end - start] = 0;
    struct in_addr v4;
    if (inet_pton(AF_INET, entry, &v4) == 1)
        return inet_ntop(AF_INET, &v4, text, (socklen_t)size) != NULL;
    struct in6_addr v6;
    if (inet_pton(AF_INET6, entry, &v6) == 1)
        return Ipv6Text(&v6, text, size);
    return 0;
}

void RateKey(const char *address, char *key, size_t size)
{
    struct in6_addr v6;
    if (strchr(address, ':') != NULL && inet_pton(AF_INET6, address, &v6) == 1) {
        memset(&v6.s6_addr[8], 0, 8);
        char prefix[AddressTextSize];
        if (inet_ntop(AF_INET6, &v6, prefix, sizeof prefix) != NULL) {
            snprintf(key, size, "%s/64", prefix);
            return;
        }
    }
    snprintf(key, size, "%s", address);
}
