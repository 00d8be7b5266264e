// Keyboard reading and auto-repeat. The device buffers press and release
// transitions and signals an event that the main loop waits on; a press of a
// mapped key is dispatched at once and arms the repeat delay, whose expiry
// starts the periodic repeat of the same command.
#include "keyboard.h"
#include "keyboard_seams.h"

#include "game/session.h"
#include "game/timer_slots.h"
#include "settings_store.h"

enum {
    KeyBufferItems = 10,
    ReacquireAttempts = 100
};

// KeyMap position to command; positions 2 and 3 cross over.
static const GameCommand KeyIndexCommands[KeyMapSize] = {
    /* index 0 Move Left   */ MoveLeft,
    /* index 1 Move Right  */ MoveRight,
    /* index 2 Rotate CCW  */ RotateCcw,
    /* index 3 Move Down   */ MoveDown,
    /* index 4 Drop        */ Drop,
};

static IDirectInput8A *directInput;
static IDirectInputDevice8A *keyboardDevice;
static HANDLE keyboardEvent;
// 0 after an acquisition failed: the device then never signals its event,
// so reading cannot notice it; the window's activation and key messages
// try again.
static int deviceAcquired;
static int repeatActive;
static GameCommand repeatCommand = None;

uint16_t KeyCodeFromDik(DWORD dik)
{
    dik &= 0xFFFF;
    if (dik & 0x80)
        return (uint16_t)((dik & 0x7F) | 0x100);
    return (uint16_t)dik;
}

int FindKeyIndex(uint16_t keyCode, int *index)
{
    const uint16_t *keyMap = GetSettings()->keyMap;
    for (int i = 0; i < KeyMapSize; i++) {
        if ((keyMap[i] & KeyCodeMask) == (keyCode & KeyCodeMask)) {
            *index = i;
            return 1;
        }
    }
    return 0;
}

static GameCommand KeyIndexToCommand(int index)
{
    if (index < 0 || index >= KeyMapSize)
        return None;
    return KeyIndexCommands[index];
}

static void OnKeyRepeatTimer(int32_t slot);

static void StopRepeat(void)
{
    StopTimerSlot(RepeatRateSlot);
    StopTimerSlot(RepeatDelaySlot);
}

static void OnKeyPress(GameCommand command)
{
    DispatchCommand(command);
    if (repeatActive)
        StopRepeat();
    ArmTimerSlot(RepeatDelaySlot, GetKeyRepeatDelay(), OneShot, OnKeyRepeatTimer);
    repeatCommand = command;
    repeatActive = 1;
}

static void OnKeyRelease(GameCommand command)
{
    if (repeatActive && command == repeatCommand) {
        StopRepeat();
        repeatActive = 0;
    }
}

void ProcessKeyItems(const DIDEVICEOBJECTDATA *items, DWORD count)
{
    for (DWORD i = 0; i < count; i++) {
        int index;
        if (!FindKeyIndex(KeyCodeFromDik(items[i].dwOfs), &index))
            continue;
        GameCommand command = KeyIndexToCommand(index);
        if (items[i].dwData & 0x80)
            OnKeyPress(command);
        else
            OnKeyRelease(command);
    }
}

static void OnKeyRepeatTimer(int32_t slot)
{
    if (slot == RepeatDelaySlot)
        ArmTimerSlot(RepeatRateSlot, GetKeyRepeatRate(), Periodic, OnKeyRepeatTimer);
    else if (slot == RepeatRateSlot)
        DispatchCommand(repeatCommand);
}

int InitKeyboard(HINSTANCE instance, HWND window)
{
    repeatActive = 0;

    if (FAILED(DirectInput8Create(instance, DIRECTINPUT_VERSION, IID_IDirectInput8A,
                                  (void **)&directInput, NULL))) {
        directInput = NULL;
        return 0;
    }
    if (FAILED(directInput->CreateDevice(GUID_SysKeyboard, &keyboardDevice, NULL))) {
        keyboardDevice = NULL;
        return 0;
    }
    keyboardDevice->SetDataFormat(&c_dfDIKeyboard);
    keyboardDevice->SetCooperativeLevel(window, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND);

    DIPROPDWORD bufferSize;
    bufferSize.diph.dwSize = sizeof(DIPROPDWORD);
    bufferSize.diph.dwHeaderSize = sizeof(DIPROPHEADER);
    bufferSize.diph.dwObj = 0;
    bufferSize.diph.dwHow = DIPH_DEVICE;
    bufferSize.dwData = KeyBufferItems;
    keyboardDevice->SetProperty(DIPROP_BUFFERSIZE, &bufferSize.diph);

    if (!keyboardEvent)
        keyboardEvent = CreateEventA(NULL, FALSE, FALSE, NULL);
    keyboardDevice->SetEventNotification(keyboardEvent);

    deviceAcquired = keyboardDevice->Acquire() == DI_OK;
    return deviceAcquired;
}

// Bounded: a device that stays lost must not hang the window thread.
static void AcquireDevice(void)
{
    HRESULT result = DIERR_INPUTLOST;
    for (int attempt = 0; attempt < ReacquireAttempts && result == DIERR_INPUTLOST; attempt++)
        result = keyboardDevice->Acquire();
    deviceAcquired = SUCCEEDED(result);
}

void ReacquireKeyboard(void)
{
    if (keyboardDevice)
        AcquireDevice();
}

void RetryKeyboardAcquire(void)
{
    if (keyboardDevice && !deviceAcquired)
        AcquireDevice();
}

HANDLE GetKeyboardEvent(void)
{
    return keyboardEvent;
}

void ReadKeyboard(void)
{
    if (!keyboardDevice)
        return;
    DIDEVICEOBJECTDATA items[KeyBufferItems];
    DWORD count = KeyBufferItems;
    HRESULT result = keyboardDevice->GetDeviceData(sizeof(DIDEVICEOBJECTDATA), items, &count, 0);
    if (result == DIERR_INPUTLOST || result == DIERR_NOTACQUIRED) {
        AcquireDevice();
        return;
    }
    if (result != DI_OK && result != DI_BUFFEROVERFLOW)
        return;
    ProcessKeyItems(items, count);
}

void ReleaseKeyboard(void)
{
    if (!directInput)
        return;
    if (keyboardDevice) {
        keyboardDevice->Unacquire();
        keyboardDevice->Release();
        keyboardDevice = NULL;
    }
    deviceAcquired = 0;
    directInput->Release();
    directInput = NULL;
}
