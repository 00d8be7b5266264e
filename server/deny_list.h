// Client addresses and the ranges of the deny list. Both families are held
// as 16 bytes, IPv4 as its IPv4-mapped IPv6 form, so that a dual-stack
// socket's ::ffff:a.b.c.d meets the IPv4 range a.b.c.d/n.
#ifndef PELLORIN_DENY_LIST_H
#define PELLORIN_DENY_LIST_H

#include <stddef.h>

enum {
    StoredAddressSize = 46   // INET6_ADDRSTRLEN
};

struct AddressRange {
    unsigned char bytes[16];
    int bits;              // leading bits that must match, 0 to 128
};

// Exactly one IPv4 or IPv6 address, nothing around it. 1/0.
int ParseAddress(const char *text, unsigned char bytes[16]);

// An address, or an address, "/" and a prefix length (0 to 32 or 0 to 128,
// decimal, no leading zeros) whose host bits are zero. 0 with problem set
// to a sentence for anything else.
int ParseRange(const char *text, AddressRange *range, const char **problem);

// The canonical text: IPv4 dotted, IPv6 compressed, "/n" unless the range
// is one address.
void FormatRange(const AddressRange *range, char *text, size_t size);

// The canonical text of an address (IPv4-mapped ones as IPv4); text that is
// not an address is copied as it is, cut to fit. Always terminated.
void NormalizeAddress(const char *text, char *out, size_t size);

int RangeContains(const AddressRange *range, const unsigned char bytes[16]);

#endif
