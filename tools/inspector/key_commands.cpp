/* send-keys: key presses through SendInput with scan codes, which reach
   both the foreground window's messages and DirectInput. A key is named
   (table below) or given as a key code: scan code in bits 0..7, 0x100 for
   an extended key. "down:KEY" and "up:KEY" send half a press. */
#include <windows.h>
#include <stdio.h>
#include <string.h>

#include "inspector_commands.h"
#include "inspector_text.h"

struct KeyName {
    const char *name;
    unsigned keyCode;
};

static const KeyName KeyNameTable[] = {
    /* name        key code */
    {"esc",        0x01},  {"escape",    0x01},
    {"1",          0x02},  {"2",         0x03},  {"3",     0x04},  {"4",      0x05},
    {"5",          0x06},  {"6",         0x07},  {"7",     0x08},  {"8",      0x09},
    {"9",          0x0A},  {"0",         0x0B},
    {"backspace",  0x0E},  {"tab",       0x0F},
    {"q",          0x10},  {"w",         0x11},  {"e",     0x12},  {"r",      0x13},
    {"t",          0x14},  {"y",         0x15},  {"u",     0x16},  {"i",      0x17},
    {"o",          0x18},  {"p",         0x19},  {"enter", 0x1C},  {"return", 0x1C},
    {"lctrl",      0x1D},
    {"a",          0x1E},  {"s",         0x1F},  {"d",     0x20},  {"f",      0x21},
    {"g",          0x22},  {"h",         0x23},  {"j",     0x24},  {"k",      0x25},
    {"l",          0x26},  {"lshift",    0x2A},
    {"z",          0x2C},  {"x",         0x2D},  {"c",     0x2E},  {"v",      0x2F},
    {"b",          0x30},  {"n",         0x31},  {"m",     0x32},  {"rshift", 0x36},
    {"lalt",       0x38},  {"space",     0x39},
    {"f1",         0x3B},  {"f2",        0x3C},  {"f3",    0x3D},  {"f4",     0x3E},
    {"f5",         0x3F},  {"f6",        0x40},  {"f7",    0x41},  {"f8",     0x42},
    {"f9",         0x43},  {"f10",       0x44},  {"f11",   0x57},  {"f12",    0x58},
    {"rctrl",      0x11D}, {"ralt",      0x138},
    {"home",       0x147}, {"up",        0x148}, {"pgup",  0x149}, {"left",   0x14B},
    {"right",      0x14D}, {"end",       0x14F}, {"down",  0x150}, {"pgdn",   0x151},
    {"insert",     0x152}, {"delete",    0x153},
};

static int LookUpKey(const char *text, unsigned *keyCode)
{
    size_t i;
    unsigned long long value = 0;
    for (i = 0; i < sizeof(KeyNameTable) / sizeof(KeyNameTable[0]); ++i) {
        if (_stricmp(text, KeyNameTable[i].name) == 0) {
            *keyCode = KeyNameTable[i].keyCode;
            return 1;
        }
    }
    if (!ParseNumber(text, &value) || value == 0 || value > 0x1FF) return 0;
    *keyCode = (unsigned)value;
    return 1;
}

/* Windows derives the virtual key from the scan code; Wine takes it from
   wVk, so it is filled in too, or window messages would carry key 0. */
static void FillKeyInput(INPUT *input, unsigned keyCode, int release)
{
    UINT scan = (keyCode & 0xFF) | ((keyCode & 0x100) ? 0xE000 : 0);
    memset(input, 0, sizeof(*input));
    input->type = INPUT_KEYBOARD;
    input->ki.wVk = (WORD)MapVirtualKeyA(scan, MAPVK_VSC_TO_VK_EX);
    input->ki.wScan = (WORD)(keyCode & 0xFF);
    input->ki.dwFlags = KEYEVENTF_SCANCODE;
    if (keyCode & 0x100) input->ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
    if (release) input->ki.dwFlags |= KEYEVENTF_KEYUP;
}

/* One token: "KEY" (press and release), "down:KEY" or "up:KEY". */
static int SendKeyToken(const char *token)
{
    INPUT inputs[2];
    unsigned keyCode = 0;
    UINT count = 0;
    int press = 1;
    int release = 1;
    if (strncmp(token, "down:", 5) == 0) {
        token += 5;
        release = 0;
    } else if (strncmp(token, "up:", 3) == 0) {
        token += 3;
        press = 0;
    }
    if (!LookUpKey(token, &keyCode)) {
        fprintf(stderr, "send-keys: unknown key \"%s\"\n", token);
        return 0;
    }
    if (press) FillKeyInput(&inputs[count++], keyCode, 0);
    if (release) FillKeyInput(&inputs[count++], keyCode, 1);
    return SendInput(count, inputs, sizeof(INPUT)) == count;
}

int CmdSendKeys(int argc, char **argv)
{
    int i;
    if (argc < 1) return 2;
    for (i = 0; i < argc; ++i) {
        if (!SendKeyToken(argv[i])) return 1;
    }
    printf("sent=%d\n", argc);
    return 0;
}
