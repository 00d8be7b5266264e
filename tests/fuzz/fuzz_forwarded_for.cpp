// Any X-Forwarded-For value: the client taken from it is canonical (it
// reads back as itself), comes from the last entry alone, fits its buffer,
// and gives a rate key that fits.
#include <assert.h>
#include <stdint.h>
#include <string.h>

#include "client_address.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    char client[AddressTextSize];
    if (!ForwardedClient((const char *)data, size, client, sizeof client))
        return 0;
    assert(strlen(client) < sizeof client);
    char again[AddressTextSize];
    assert(ForwardedClient(client, strlen(client), again, sizeof again) == 1);
    assert(strcmp(client, again) == 0);
    // Only the last entry counts: it alone gives the same client.
    const char *last = (const char *)memrchr(data, ',', size);
    const char *tail = last == NULL ? (const char *)data : last + 1;
    char alone[AddressTextSize];
    assert(ForwardedClient(tail, size - (size_t)(tail - (const char *)data), alone, sizeof alone) == 1);
    assert(strcmp(alone, client) == 0);
    char key[AddressTextSize + 4];
    RateKey(client, key, sizeof key);
    assert(strlen(key) < sizeof key);
    return 0;
}
