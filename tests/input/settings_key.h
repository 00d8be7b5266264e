// The program's registry key as the Windows suites arrange and inspect it.
#ifndef PELLORIN_TEST_SETTINGS_KEY_H
#define PELLORIN_TEST_SETTINGS_KEY_H

#include <windows.h>
#include <gtest/gtest.h>

static const char KeyPath[] = "Software\\Tovrin-Works\\Pellorin";

inline void DeleteSettingsKey(void)
{
    RegDeleteTreeA(HKEY_CURRENT_USER, KeyPath);
}

// Stores one value under the key, creating it, as another program would.
inline void StoreSettingsValue(const char *name, DWORD type, const void *data, DWORD size)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, KeyPath, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, name, 0, type, (const BYTE *)data, size), ERROR_SUCCESS);
    RegCloseKey(key);
}

// How many values the key holds; -1 when it does not exist.
inline int SettingsValueCount(void)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, KeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return -1;
    DWORD values = 0;
    RegQueryInfoKeyA(key, NULL, NULL, NULL, NULL, NULL, NULL, &values, NULL, NULL, NULL, NULL);
    RegCloseKey(key);
    return (int)values;
}

#endif
