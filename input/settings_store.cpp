// Settings kept as seven values under HKCU\Software\Tovrin-Works\Pellorin.
// Every access opens the key and closes it again; missing or unreadable
// values take their defaults in memory and are not written back.
#include "settings_store.h"
#include "settings_store_seams.h"

#include <string.h>

static const char SettingsKeyPath[] = "Software\\Tovrin-Works\\Pellorin";

const char DefaultGameServer[] = "localhost:8080/pellorin";

struct SettingEntry {
    const char *name;
    DWORD type;
};

// Indexed by SettingValue.
static const SettingEntry SettingTable[] = {
    /* name              type       */
    { "HighScore",       REG_BINARY },
    { "MusicEnabled",    REG_DWORD  },
    { "GameServer",      REG_SZ     },
    { "MusicIndex",      REG_DWORD  },
    { "KeyMapping",      REG_BINARY },
    { "KeyRepeatRate",   REG_DWORD  },
    { "KeyRepeatDelay",  REG_DWORD  },
};

struct DefaultKey {
    WORD virtualKey;
    DWORD extended;
};

// Indexed by KeyMap position: MoveLeft, MoveRight, RotateCcw, MoveDown, Drop.
static const DefaultKey DefaultKeyTable[KeyMapSize] = {
    /* virtual key   extended */
    { VK_LEFT,       1 },
    { VK_RIGHT,      1 },
    { VK_UP,         1 },
    { VK_DOWN,       1 },
    { VK_SPACE,      0 },
};

static Settings settings;

static int OpenSettingsKey(HKEY *key)
{
    LONG result = RegCreateKeyExA(HKEY_CURRENT_USER, SettingsKeyPath, 0, NULL,
                                  REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, NULL, key, NULL);
    return result == ERROR_SUCCESS;
}

int WriteSetting(SettingValue value, const void *data, DWORD size)
{
    HKEY key;
    if (!OpenSettingsKey(&key))
        return 0;
    LONG result = RegSetValueExA(key, SettingTable[value].name, 0, SettingTable[value].type,
                                 (const BYTE *)data, size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

int ReadSettingBytes(SettingValue value, void *buffer, DWORD size, DWORD *delivered)
{
    HKEY key;
    if (!OpenSettingsKey(&key))
        return 0;
    *delivered = size;
    LONG result = RegQueryValueExA(key, SettingTable[value].name, NULL, NULL, (BYTE *)buffer, delivered);
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

int ReadSetting(SettingValue value, void *buffer, DWORD size)
{
    DWORD delivered;
    return ReadSettingBytes(value, buffer, size, &delivered);
}

uint16_t DefaultKeyCode(int index)
{
    const DefaultKey *row = &DefaultKeyTable[index];
    uint16_t code = (uint16_t)MapVirtualKeyA(row->virtualKey, 0);
    if (row->extended)
        code = (uint16_t)(code + 0x100);
    return code;
}

static uint32_t ClampRepeat(uint32_t ms)
{
    if (ms <= RepeatMin)
        return RepeatMin;
    if (ms >= RepeatMax)
        return RepeatMax;
    return ms;
}

// A value shorter than four bytes fills only the front of the number.
static int ReadNumber(SettingValue value, uint32_t *number)
{
    uint32_t read = 0;
    if (!ReadSetting(value, &read, sizeof read))
        return 0;
    *number = read;
    return 1;
}

void LoadSettings(void)
{
    // A short value fills only the front; the rest stays 0 and matches no key.
    memset(settings.keyMap, 0, sizeof settings.keyMap);
    if (!ReadSetting(KeyMappingValue, settings.keyMap, sizeof settings.keyMap)) {
        for (int i = 0; i < KeyMapSize; i++)
            settings.keyMap[i] = DefaultKeyCode(i);
    }

    memset(settings.gameServer, 0, sizeof settings.gameServer);
    if (!ReadSetting(GameServerValue, settings.gameServer, sizeof settings.gameServer)) {
        memset(settings.gameServer, 0, sizeof settings.gameServer);
        strcpy(settings.gameServer, DefaultGameServer);
    }
    settings.gameServer[GameServerSize - 1] = '\0';

    if (!ReadNumber(MusicIndexValue, &settings.musicIndex))
        settings.musicIndex = 0;
    if (settings.musicIndex > 1)
        settings.musicIndex = 0;

    if (ReadNumber(KeyRepeatRateValue, &settings.keyRepeatRate))
        settings.keyRepeatRate = ClampRepeat(settings.keyRepeatRate);
    else
        settings.keyRepeatRate = DefaultRepeatRate;

    if (ReadNumber(KeyRepeatDelayValue, &settings.keyRepeatDelay))
        settings.keyRepeatDelay = ClampRepeat(settings.keyRepeatDelay);
    else
        settings.keyRepeatDelay = DefaultRepeatDelay;
}

int ReadMusicEnabled(void)
{
    uint32_t enabled = 0;
    if (!ReadNumber(MusicEnabledValue, &enabled))
        return 1;
    return enabled != 0;
}

int WriteMusicEnabled(int flag)
{
    DWORD value = flag ? 1 : 0;
    return WriteSetting(MusicEnabledValue, &value, sizeof value);
}

Settings *GetSettings(void)
{
    return &settings;
}

const char *GetGameServer(void)
{
    return settings.gameServer;
}

uint32_t GetMusicIndex(void)
{
    return settings.musicIndex;
}

uint32_t GetKeyRepeatRate(void)
{
    return settings.keyRepeatRate;
}

uint32_t GetKeyRepeatDelay(void)
{
    return settings.keyRepeatDelay;
}
