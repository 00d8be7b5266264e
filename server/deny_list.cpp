#include "deny_list.h"

#include <arpa/inet.h>
#include <stdio.h>
#include <string.h>

static const unsigned char MappedPrefix[12] = { 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff };

static int IsMapped(const unsigned char bytes[16])
{
    return memcmp(bytes, MappedPrefix, sizeof MappedPrefix) == 0;
}

// inet_pton is strict already (no spaces, no zone, four decimal parts).
int ParseAddress(const char *text, unsigned char bytes[16])
{
    unsigned char four[4];
    if (inet_pton(AF_INET, text, four) == 1) {
        memcpy(bytes, MappedPrefix, sizeof MappedPrefix);
        memcpy(bytes + 12, four, 4);
        return 1;
    }
    return inet_pton(AF_INET6, text, bytes) == 1 ? 1 : 0;
}

static int ParsePrefixLength(const char *text, int limit, int *bits)
{
    if (text[0] == 0 || (text[0] == '0' && text[1] != 0))
        return 0;
    int value = 0;
    for (const char *c = text; *c != 0; ++c) {
        if (*c < '0' || *c > '9' || c - text >= 3)
            return 0;
        value = value * 10 + (*c - '0');
    }
    if (value > limit)
        return 0;
    *bits = value;
    return 1;
}

int ParseRange(const char *text, AddressRange *range, const char **problem)
{
    char address[64];
    const char *slash = strchr(text, '/');
    size_t length = slash != NULL ? (size_t)(slash - text) : strlen(text);
    if (length >= sizeof address) {
        *problem = "is not an IPv4 or IPv6 address";
        return 0;
    }
    memcpy(address, text, length);
    address[length] = 0;
    unsigned char four[4];
    int v4 = inet_pton(AF_INET, address, four) == 1;
    if (!ParseAddress(address, range->bytes)) {
        *problem = "is not an IPv4 or IPv6 address";
        return 0;
    }
    int limit = v4 ? 32 : 128;
    int bits = limit;
    if (slash != NULL && !ParsePrefixLength(slash + 1, limit, &bits)) {
        *problem = v4 ? "has a prefix length that is not 0 to 32" : "has a prefix length that is not 0 to 128";
        return 0;
    }
    range->bits = v4 ? bits + 96 : bits;
    for (int i = range->bits; i < 128; ++i) {
        if (range->bytes[i / 8] & (0x80 >> (i % 8))) {
            *problem = "has bits set after its prefix length (use the range's first address)";
            return 0;
        }
    }
    return 1;
}

void FormatRange(const AddressRange *range, char *text, size_t size)
{
    char address[StoredAddressSize];
    int v4 = IsMapped(range->bytes) && range->bits >= 96;
    if (v4)
        inet_ntop(AF_INET, range->bytes + 12, address, sizeof address);
    else
        inet_ntop(AF_INET6, range->bytes, address, sizeof address);
    if (range->bits == 128)
        snprintf(text, size, "%s", address);
    else
        snprintf(text, size, "%s/%d", address, v4 ? range->bits - 96 : range->bits);
}

void NormalizeAddress(const char *text, char *out, size_t size)
{
    AddressRange one;
    if (ParseAddress(text, one.bytes)) {
        one.bits = 128;
        FormatRange(&one, out, size);
    } else {
        snprintf(out, size, "%s", text);
    }
}

int RangeContains(const AddressRange *range, const unsigned char bytes[16])
{
    int whole = range->bits / 8;
    if (memcmp(range->bytes, bytes, (size_t)whole) != 0)
        return 0;
    int rest = range->bits % 8;
    if (rest == 0)
        return 1;
    unsigned char mask = (unsigned char)(0xff << (8 - rest));
    return (range->bytes[whole] & mask) == (bytes[whole] & mask);
}
