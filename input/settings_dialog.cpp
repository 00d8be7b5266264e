// The Settings dialog. The controls show the in-memory Settings when it opens;
// the key fields edit the pending key map; OK stores every value and updates the
// in-memory copy with each store; Cancel leaves everything as it was.
#include "settings_dialog.h"
#include "settings_dialog_seams.h"

#include <windows.h>
#include <commctrl.h>
#include <stdio.h>
#include <string.h>

#include "app/shell_handles.h"
#include "key_capture.h"
#include "music/music_player.h"
#include "resources/resource_ids.h"
#include "settings_store.h"

static const COLORREF KeyFieldTextColour = RGB(0, 0, 255);

enum {
    RepeatTickFrequency = 50,
    RepeatLineSize = 5,
    RepeatPageSize = 50,
    DialogOk = 1,
    DialogCancel = 2
};

static int commonControlsReady;

// The trackbar class belongs to the common controls, which must be
// registered before the dialog is created, whatever the start-up did.
static void PrepareCommonControls(void)
{
    if (commonControlsReady)
        return;
    INITCOMMONCONTROLSEX classes;
    classes.dwSize = sizeof classes;
    classes.dwICC = ICC_BAR_CLASSES;
    commonControlsReady = InitCommonControlsEx(&classes) ? 1 : 0;
}

static INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

int RunSettingsDialog(void)
{
    PrepareCommonControls();
    return (int)DialogBoxParamA(GetAppInstance(), MAKEINTRESOURCEA(IDD_SETTINGS), GetMainWindow(), SettingsDialogProc, 0);
}

void ShowSettingsDialog(void)
{
    RunSettingsDialog();
}

static void ShowNumber(HWND dialog, int id, int number)
{
    char text[16];
    snprintf(text, sizeof text, "%d", number);
    SetDlgItemTextA(dialog, id, text);
}

static int SliderPosition(HWND dialog, int id)
{
    return (int)SendDlgItemMessageA(dialog, id, TBM_GETPOS, 0, 0);
}

static void SetSliderPosition(HWND dialog, int id, int position)
{
    SendDlgItemMessageA(dialog, id, TBM_SETPOS, TRUE, position);
}

static void SetUpRepeatSlider(HWND dialog, int id, uint32_t position)
{
    HWND slider = GetDlgItem(dialog, id);
    SendMessageA(slider, TBM_SETRANGE, TRUE, MAKELPARAM(RepeatMin, RepeatMax));
    SendMessageA(slider, TBM_SETTICFREQ, RepeatTickFrequency, 0);
    SendMessageA(slider, TBM_SETLINESIZE, 0, RepeatLineSize);
    SendMessageA(slider, TBM_SETPAGESIZE, 0, RepeatPageSize);
    SendMessageA(slider, TBM_SETPOS, TRUE, (LPARAM)position);
}

static void ShowRepeatLabels(HWND dialog)
{
    ShowNumber(dialog, IDC_RATE_LABEL, SliderPosition(dialog, IDC_RATE_SLIDER));
    ShowNumber(dialog, IDC_DELAY_LABEL, SliderPosition(dialog, IDC_DELAY_SLIDER));
}

static void FillDialog(HWND dialog)
{
    const Settings *settings = GetSettings();
    uint16_t *pending = GetPendingKeyMap();

    CheckRadioButton(dialog, IDC_TRACK0, IDC_TRACK1, IDC_TRACK_BASE + (int)settings->musicIndex);
    SetDlgItemTextA(dialog, IDC_GAME_SERVER, settings->gameServer);
    SetFocus(GetDlgItem(dialog, IDC_GAME_SERVER));
    for (int n = 0; n < KeyMapSize; n++) {
        char name[KeyNameSize];
        FullKeyName(settings->keyMap[n], name);
        MakeActiveStatic(GetDlgItem(dialog, IDC_KEY_FIELD_BASE + n), name);
        pending[n] = settings->keyMap[n];
    }
    SetUpRepeatSlider(dialog, IDC_DELAY_SLIDER, settings->keyRepeatDelay);
    ShowNumber(dialog, IDC_DELAY_LABEL, (int)settings->keyRepeatDelay);
    SetUpRepeatSlider(dialog, IDC_RATE_SLIDER, settings->keyRepeatRate);
    ShowNumber(dialog, IDC_RATE_LABEL, (int)settings->keyRepeatRate);
}

// Each value is stored and put into the in-memory Settings together; write
// failures leave the new values in memory for the rest of the run.
static void StoreSettings(HWND dialog)
{
    Settings *settings = GetSettings();

    GetDlgItemTextA(dialog, IDC_GAME_SERVER, settings->gameServer, GameServerSize);
    settings->gameServer[GameServerSize - 1] = '\0';
    WriteSetting(GameServerValue, settings->gameServer, (DWORD)strlen(settings->gameServer) + 1);

    uint32_t track = IsDlgButtonChecked(dialog, IDC_TRACK0) == BST_CHECKED ? 0 : 1;
    if (track != settings->musicIndex) {
        settings->musicIndex = track;
        WriteSetting(MusicIndexValue, &settings->musicIndex, sizeof settings->musicIndex);
        RestartMusic();
    }

    memcpy(settings->keyMap, GetPendingKeyMap(), sizeof settings->keyMap);
    WriteSetting(KeyMappingValue, settings->keyMap, sizeof settings->keyMap);

    settings->keyRepeatDelay = (uint32_t)SliderPosition(dialog, IDC_DELAY_SLIDER);
    WriteSetting(KeyRepeatDelayValue, &settings->keyRepeatDelay, sizeof settings->keyRepeatDelay);

    settings->keyRepeatRate = (uint32_t)SliderPosition(dialog, IDC_RATE_SLIDER);
    WriteSetting(KeyRepeatRateValue, &settings->keyRepeatRate, sizeof settings->keyRepeatRate);
}

// Only the controls change; OK stores them.
static void RestoreDefaults(HWND dialog)
{
    uint16_t *pending = GetPendingKeyMap();

    CheckRadioButton(dialog, IDC_TRACK0, IDC_TRACK1, IDC_TRACK0);
    SetDlgItemTextA(dialog, IDC_GAME_SERVER, DefaultGameServer);
    for (int n = 0; n < KeyMapSize; n++) {
        char name[KeyNameSize];
        pending[n] = DefaultKeyCode(n);
        FullKeyName(pending[n], name);
        SetDlgItemTextA(dialog, IDC_KEY_FIELD_BASE + n, name);
    }
    SetSliderPosition(dialog, IDC_DELAY_SLIDER, DefaultRepeatDelay);
    SetSliderPosition(dialog, IDC_RATE_SLIDER, DefaultRepeatRate);
    SendMessageA(dialog, WM_HSCROLL, 0, 0);
}

static INT_PTR OnCommand(HWND dialog, int id)
{
    switch (id) {
    case IDOK:
        StoreSettings(dialog);
        EndDialog(dialog, DialogOk);
        return 1;
    case IDCANCEL:
        EndDialog(dialog, DialogCancel);
        return 1;
    case IDC_RESTORE_DEFAULTS:
        RestoreDefaults(dialog);
        return 1;
    }
    return 0;
}

// Key fields, idle or waiting, draw their text in blue.
static INT_PTR ColourKeyField(HDC dc, HWND control)
{
    if (!IsKeyField(control))
        return 0;
    SetTextColor(dc, KeyFieldTextColour);
    SetBkMode(dc, TRANSPARENT);
    return (INT_PTR)GetSysColorBrush(COLOR_BTNFACE);
}

static INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        FillDialog(dialog);
        return 0;
    case WM_HSCROLL:
        ShowRepeatLabels(dialog);
        return 0;
    case WM_COMMAND:
        return OnCommand(dialog, LOWORD(wParam));
    case WM_CTLCOLORSTATIC:
        return ColourKeyField((HDC)wParam, (HWND)lParam);
    }
    return 0;
}
