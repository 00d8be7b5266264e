// The settings store's own reading step, for its tests.
#ifndef PELLORIN_SETTINGS_STORE_SEAMS_H
#define PELLORIN_SETTINGS_STORE_SEAMS_H

#include "settings_store.h"

int ReadSetting(SettingValue value, void *buffer, DWORD size);

#endif
