// The user's settings: seven values under one registry key, and their
// in-memory copy for the rest of the program.
#ifndef PELLORIN_SETTINGS_STORE_H
#define PELLORIN_SETTINGS_STORE_H

#include <windows.h>
#include <stdint.h>

enum SettingValue {
    HighScoreValue = 0,
    MusicEnabledValue = 1,
    GameServerValue = 2,
    MusicIndexValue = 3,
    KeyMappingValue = 4,
    KeyRepeatRateValue = 5,
    KeyRepeatDelayValue = 6
};

enum {
    KeyMapSize = 5,
    GameServerSize = 64
};

struct Settings {
    char gameServer[GameServerSize];
    uint32_t musicIndex;
    uint16_t keyMap[KeyMapSize];
    uint32_t keyRepeatRate;
    uint32_t keyRepeatDelay;
    HWND ownerWindow;
};

extern const char DefaultGameServer[];

int OpenSettingsKey(HKEY *key);
int WriteSetting(SettingValue value, const void *data, DWORD size);
int ReadSetting(SettingValue value, void *buffer, DWORD size);
// The same, telling how many bytes the stored value had.
int ReadSettingBytes(SettingValue value, void *buffer, DWORD size, DWORD *delivered);

void LoadSettings(HWND window);
int ReadMusicEnabled(void);
int WriteMusicEnabled(int flag);

// The one in-memory record; the Settings dialog replaces its values on OK.
Settings *GetSettings(void);
const char *GetGameServer(void);
uint32_t GetMusicIndex(void);
uint32_t GetKeyRepeatRate(void);
uint32_t GetKeyRepeatDelay(void);
uint16_t DefaultKeyCode(int index);

#endif
