// The settings store against the real registry of a throw-away Wine prefix.
#include <windows.h>
#include <gtest/gtest.h>

#include <string.h>
#include <string>
#include <vector>

#include "input/settings_store.h"
#include "input/settings_store_seams.h"
#include "tests/input/settings_key.h"

class SettingsStore : public ::testing::Test {
protected:
    void SetUp() override { DeleteSettingsKey(); }

    static void Store(const char *name, DWORD type, const void *data, DWORD size)
    {
        StoreSettingsValue(name, type, data, size);
    }
    static void StoreNumber(const char *name, DWORD number) { Store(name, REG_DWORD, &number, sizeof number); }

    static int ValueCount() { return SettingsValueCount(); }
};

TEST_F(SettingsStore, FirstRunTakesEveryDefaultAndWritesNothing)
{
    LoadSettings();
    const Settings *s = GetSettings();
    EXPECT_STREQ(s->gameServer, "localhost:8080/pellorin");
    EXPECT_EQ(s->musicIndex, 0u);
    EXPECT_EQ(s->keyRepeatRate, 50u);
    EXPECT_EQ(s->keyRepeatDelay, 120u);
    EXPECT_EQ(ReadMusicEnabled(), 1);
    // A standard layout: Left, Right, Up, Down arrows (extended) and Space.
    const uint16_t expected[KeyMapSize] = { 0x14B, 0x14D, 0x148, 0x150, 0x039 };
    for (int i = 0; i < KeyMapSize; i++) {
        EXPECT_EQ(s->keyMap[i], expected[i]) << "entry " << i;
        EXPECT_EQ(DefaultKeyCode(i), expected[i]) << "entry " << i;
    }
    EXPECT_EQ(ValueCount(), 0) << "the key exists but holds no values";
}

TEST_F(SettingsStore, RepeatTimesAreClampedToTenToFiveHundred)
{
    static const struct { DWORD stored; DWORD loaded; } cases[] = {
        /* stored       loaded */
        { 0,            10 },
        { 5,            10 },
        { 10,           10 },
        { 11,           11 },
        { 499,          499 },
        { 500,          500 },
        { 501,          500 },
        { 0xFFFFFFFF,   500 },
    };
    for (const auto &c : cases) {
        StoreNumber("KeyRepeatRate", c.stored);
        StoreNumber("KeyRepeatDelay", c.stored);
        LoadSettings();
        EXPECT_EQ(GetKeyRepeatRate(), c.loaded) << "stored " << c.stored;
        EXPECT_EQ(GetKeyRepeatDelay(), c.loaded) << "stored " << c.stored;
    }
}

TEST_F(SettingsStore, MusicIndexOutOfRangeLoadsAsZero)
{
    static const struct { DWORD stored; DWORD loaded; } cases[] = {
        { 1, 1 }, { 2, 0 }, { 0xFFFFFFFF, 0 }, { 0, 0 },
    };
    for (const auto &c : cases) {
        StoreNumber("MusicIndex", c.stored);
        LoadSettings();
        EXPECT_EQ(GetMusicIndex(), c.loaded) << "stored " << c.stored;
    }
}

TEST_F(SettingsStore, MusicEnabledIsOnUnlessStoredAsZero)
{
    EXPECT_EQ(ReadMusicEnabled(), 1);
    StoreNumber("MusicEnabled", 0);
    EXPECT_EQ(ReadMusicEnabled(), 0);
    StoreNumber("MusicEnabled", 7);
    EXPECT_EQ(ReadMusicEnabled(), 1);

    EXPECT_EQ(WriteMusicEnabled(0), 1);
    EXPECT_EQ(ReadMusicEnabled(), 0);
    EXPECT_EQ(WriteMusicEnabled(5), 1);
    DWORD stored = 0;
    ASSERT_EQ(ReadSetting(MusicEnabledValue, &stored, sizeof stored), 1);
    EXPECT_EQ(stored, 1u);
}

TEST_F(SettingsStore, GameServerLengthLimits)
{
    std::string longest(63, 'h');
    Store("GameServer", REG_SZ, longest.c_str(), 64);
    LoadSettings();
    EXPECT_EQ(std::string(GetGameServer()), longest);

    std::string tooLong(64, 'x');
    Store("GameServer", REG_SZ, tooLong.c_str(), 65);
    LoadSettings();
    EXPECT_STREQ(GetGameServer(), "localhost:8080/pellorin");

    // Stored without a terminating zero: read as far as it goes.
    Store("GameServer", REG_BINARY, "example.org/x", 13);
    LoadSettings();
    EXPECT_STREQ(GetGameServer(), "example.org/x");

    // Exactly 64 bytes and no terminator: cut at 63 characters.
    Store("GameServer", REG_BINARY, tooLong.c_str(), 64);
    LoadSettings();
    EXPECT_EQ(std::string(GetGameServer()), std::string(63, 'x'));
}

TEST_F(SettingsStore, KeyMappingShortAndOversizedValues)
{
    const BYTE sixBytes[] = { 0x1E, 0x00, 0x20, 0x00, 0x1C, 0x01 };
    Store("KeyMapping", REG_BINARY, sixBytes, sizeof sixBytes);
    LoadSettings();
    const Settings *s = GetSettings();
    EXPECT_EQ(s->keyMap[0], 0x01E);
    EXPECT_EQ(s->keyMap[1], 0x020);
    EXPECT_EQ(s->keyMap[2], 0x11C);
    EXPECT_EQ(s->keyMap[3], 0);
    EXPECT_EQ(s->keyMap[4], 0);

    const BYTE twelveBytes[12] = { 0x10 };
    Store("KeyMapping", REG_BINARY, twelveBytes, sizeof twelveBytes);
    LoadSettings();
    EXPECT_EQ(s->keyMap[0], 0x14B) << "oversized value falls back to the defaults";
    EXPECT_EQ(s->keyMap[4], 0x039);

    // A DWORD stored with five bytes is oversized too.
    const BYTE fiveBytes[5] = { 77, 0, 0, 0, 0 };
    Store("KeyRepeatRate", REG_BINARY, fiveBytes, sizeof fiveBytes);
    LoadSettings();
    EXPECT_EQ(GetKeyRepeatRate(), 50u);
}

TEST_F(SettingsStore, WritesAreVisibleToTheNextRead)
{
    const char server[] = "scores.example/pellorin";
    ASSERT_EQ(WriteSetting(GameServerValue, server, sizeof server), 1);
    DWORD rate = 77;
    ASSERT_EQ(WriteSetting(KeyRepeatRateValue, &rate, sizeof rate), 1);
    char buffer[GameServerSize] = {};
    ASSERT_EQ(ReadSetting(GameServerValue, buffer, sizeof buffer), 1);
    EXPECT_STREQ(buffer, server);
    LoadSettings();
    EXPECT_EQ(GetKeyRepeatRate(), 77u);
    EXPECT_STREQ(GetGameServer(), server);

    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, KeyPath, 0, KEY_READ, &key), ERROR_SUCCESS);
    DWORD type = 0;
    RegQueryValueExA(key, "GameServer", NULL, &type, NULL, NULL);
    EXPECT_EQ(type, (DWORD)REG_SZ);
    RegQueryValueExA(key, "KeyRepeatRate", NULL, &type, NULL, NULL);
    EXPECT_EQ(type, (DWORD)REG_DWORD);
    RegCloseKey(key);
}
