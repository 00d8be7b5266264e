// The server's small parts on their own: client addresses, the upload
// allowance and the style hash of the pages' policy.
#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <string>

#include "client_address.h"
#include "sha256.h"
#include "upload_rate.h"

TEST(ClientAddress, TheLastForwardedEntryIsTheClient)
{
    static const struct {
        const char *header;
        const char *client;  // NULL: not a usable address
    } cases[] = {
        /* header                               client */
        { "192.0.2.1",                           "192.0.2.1" },
        { "10.0.0.1, 192.0.2.1",                 "192.0.2.1" },
        { "192.0.2.1,10.0.0.1",                  "10.0.0.1" },
        { "  192.0.2.1\t",                       "192.0.2.1" },
        { "2001:DB8:0:0::1",                     "2001:db8::1" },
        { "[2001:db8::1]",                       "2001:db8::1" },
        { "::ffff:192.0.2.9",                    "192.0.2.9" },
        { "192.0.2.1, ",                         NULL },
        { "",                                    NULL },
        { "unknown",                             NULL },
        { "192.0.2.1:8080",                      NULL },
        { "192.0.2.256",                         NULL },
        { "1.2.3.4 5.6.7.8",                     NULL },
        { "[2001:db8::1",                        NULL },
        { "2001:db8::1%eth0",                    NULL },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.header);
        char text[AddressTextSize] = "untouched";
        int ok = ForwardedClient(c.header, strlen(c.header), text, sizeof text);
        EXPECT_EQ(ok, c.client != NULL ? 1 : 0);
        if (c.client != NULL) {
            EXPECT_STREQ(text, c.client);
        }
    }
    const std::string longEntry = "10.0.0.1, " + std::string(500, '1');
    char text[AddressTextSize];
    EXPECT_EQ(ForwardedClient(longEntry.c_str(), longEntry.size(), text, sizeof text), 0);
}

TEST(ClientAddress, IPv6ClientsAreCountedByTheirSlash64)
{
    static const struct {
        const char *address;
        const char *key;
    } cases[] = {
        /* address                               key */
        { "192.0.2.1",                            "192.0.2.1" },
        { "2001:db8:1:2:3:4:5:6",                 "2001:db8:1:2::/64" },
        { "2001:db8:1:2::ffff",                   "2001:db8:1:2::/64" },
        { "::1",                                  "::/64" },
        { "-",                                    "-" },
    };
    for (const auto &c : cases) {
        char key[AddressTextSize + 4];
        RateKey(c.address, key, sizeof key);
        EXPECT_STREQ(key, c.key) << c.address;
    }
}

TEST(UploadRate, ABucketRefillsAtTheRateUpToTheBurst)
{
    ConfigureUploadRate(6, 3);  // one token every 10 s
    static const struct {
        double at;
        const char *key;
        int allowed;
    } steps[] = {
        /* at    key   allowed */
        { 0,     "a",  1 },
        { 0,     "a",  1 },
        { 0,     "a",  1 },
        { 0,     "a",  0 },   // the burst is spent
        { 0,     "b",  1 },   // another client is not affected
        { 9.9,   "a",  0 },
        { 10.1,  "a",  1 },   // one token back
        { 10.2,  "a",  0 },
        { 500,   "a",  1 },   // refilled to the burst, no more
        { 500,   "a",  1 },
        { 500,   "a",  1 },
        { 500,   "a",  0 },
    };
    for (const auto &s : steps)
        EXPECT_EQ(TakeUploadToken(s.key, s.at), s.allowed) << s.key << " at " << s.at;
    ConfigureUploadRate(0, 3);
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(TakeUploadToken("a", 0), 1) << "a rate of 0 is no limit";
}

TEST(UploadRate, AFloodOfAddressesStaysBoundedAndLimited)
{
    ConfigureUploadRate(6, 1);
    char key[32];
    for (int i = 0; i < RateTableLimit; ++i) {
        snprintf(key, sizeof key, "k%d", i);
        ASSERT_EQ(TakeUploadToken(key, 0), 1);
    }
    EXPECT_EQ(TrackedClients(), (int)RateTableLimit);
    // With the table full, newcomers share one limited allowance.
    int allowed = 0;
    for (int i = 0; i < 1000; ++i) {
        snprintf(key, sizeof key, "new%d", i);
        allowed += TakeUploadToken(key, 0.5);
    }
    EXPECT_LT(allowed, 100);
    EXPECT_GT(allowed, 0);
    EXPECT_EQ(TrackedClients(), (int)RateTableLimit);
    // Once the old buckets are full again they make room.
    EXPECT_EQ(TakeUploadToken("late", 60), 1);
    EXPECT_EQ(TrackedClients(), 1);
    ConfigureUploadRate(6, 6);
}

TEST(Sha256, KnownDigests)
{
    static const struct {
        std::string text;
        const char *digest;
    } cases[] = {
        { "", "47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU=" },
        { "abc", "ungWv48Bz+pBQUDeXa4iI7ADYaOWF3qctBD/YfIAFa0=" },
        { "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", "JI1qYdIGOLjlwCaTDD5gOaM85Flk/yFn9uzt1BnbBsE=" },
        { std::string(1000, 'a'), "Qe3s5C1j6Nm/UVqbppMuHCDLyfWl0TRkWttdsblzfqM=" },
    };
    for (const auto &c : cases)
        EXPECT_EQ(Sha256Base64(c.text), c.digest) << c.text.size() << " bytes";
}
