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
    GameServerSize = 64,
    // A key code: the scan code in the low byte, 0x100 for an extended key.
    KeyCodeMask = 0x1FF,
    // Auto-repeat timing in milliseconds: the stored values are held to
    // the range, and the defaults stand in for missing ones.
    RepeatMin = 10,
    RepeatMax = 500,
    DefaultRepeatRate = 50,
    DefaultRepeatDelay = 120
};

struct Settings {
    char gameServer[GameServerSize];
    uint32_t musicIndex;
    uint16_t keyMap[KeyMapSize];
    uint32_t keyRepeatRate;
    uint32_t keyRepeatDelay;
};

extern const char DefaultGameServer[];

int WriteSetting(SettingValue value, const void *data, DWORD size);
// Reads a value into buffer, telling how many bytes the stored value had.
int ReadSettingBytes(SettingValue value, void *buffer, DWORD size, DWORD *delivered);

void LoadSettings(void);
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
