// Key fields: a read-only edit control subclassed through window properties.
// Idle it shows its key's name; under the pointer it turns bold; clicked, it
// shows "Press a key" and takes the next key pressed into the pending key map,
// swapping with the field that held that key, so the working key map never
// holds one key twice. The system reports the pointer leaving a field
// (TrackMouseEvent), so a field never holds the mouse capture: every click
// goes to the control under the pointer, and nothing that takes the capture
// away can leave a field bold.
#include "key_capture.h"
#include "key_capture_seams.h"

#include <stdio.h>
#include <string.h>

#include "resources/resource_ids.h"

static const char OriginalProcProp[] = "_ActiveStatic_Original_Proc_";
static const char OriginalFontProp[] = "_ActiveStatic_Original_Font_";
static const char BoldFontProp[] = "_ActiveStatic_Bold_Font_";
static const char IsActiveProp[] = "_ActiveStatic_IsActive_";
// Present while the pointer is over the field.
static const char HoverProp[] = "_ActiveStatic_Hover_";

enum FieldState {
    FieldIdle = 1,
    FieldWaiting = 2
};

static uint16_t pendingKeyMap[KeyMapSize];
static int captureInProgress;

uint16_t *GetPendingKeyMap(void)
{
    return pendingKeyMap;
}

int CaptureInProgress(void)
{
    return captureInProgress;
}

void ShortKeyName(const char *fullName, uint16_t code, char *text, int size)
{
    if (size <= 0)
        return;
    size_t length = strcspn(fullName, "(");
    if (length == 0) {
        snprintf(text, (size_t)size, "0x%X", code);
        return;
    }
    if (length > (size_t)size - 1)
        length = (size_t)size - 1;
    memcpy(text, fullName, length);
    text[length] = '\0';
}

void FullKeyName(uint16_t code, char *name)
{
    if (!GetKeyNameTextA((LONG)code << 16, name, KeyNameSize))
        name[0] = '\0';
}

void KeyNameText(uint16_t code, char *text, int size)
{
    char fullName[KeyNameSize];
    FullKeyName(code, fullName);
    ShortKeyName(fullName, code, text, size);
}

static int GetFieldState(HWND control)
{
    return (int)(INT_PTR)GetPropA(control, IsActiveProp);
}

int IsKeyField(HWND control)
{
    return GetFieldState(control) != 0;
}

static void SetFieldState(HWND control, FieldState state)
{
    SetPropA(control, IsActiveProp, (HANDLE)(INT_PTR)state);
}

// KeyMap index of a key field, or -1 for any other control.
static int FieldIndex(HWND control)
{
    int index = GetDlgCtrlID(control) - IDC_KEY_FIELD_BASE;
    return index >= 0 && index < KeyMapSize ? index : -1;
}

static WNDPROC OriginalProc(HWND control)
{
    return (WNDPROC)(LONG_PTR)GetPropA(control, OriginalProcProp);
}

static int PointerOver(HWND control)
{
    return GetPropA(control, HoverProp) != NULL;
}

static void ShowFont(HWND control, HFONT font)
{
    SendMessageA(control, WM_SETFONT, (WPARAM)font, FALSE);
    InvalidateRect(control, NULL, FALSE);
}

static void ShowNormal(HWND control)
{
    ShowFont(control, (HFONT)GetPropA(control, OriginalFontProp));
}

// Without a bold copy (font creation failed) the field keeps its own font.
static void ShowBold(HWND control)
{
    HFONT bold = (HFONT)GetPropA(control, BoldFontProp);
    if (bold)
        ShowFont(control, bold);
}

static void ShowKeyName(HWND control, uint16_t code)
{
    char name[KeyNameSize];
    KeyNameText(code, name, sizeof name);
    SetWindowTextA(control, name);
}

static HFONT CreateBoldFont(HFONT font)
{
    LOGFONTA description;
    HGDIOBJ source = font ? (HGDIOBJ)font : GetStockObject(SYSTEM_FONT);
    if (!source || !GetObjectA(source, sizeof description, &description))
        return NULL;
    description.lfWeight = FW_BOLD;
    return CreateFontIndirectA(&description);
}

static LRESULT CALLBACK ActiveStaticProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam);

int MakeActiveStatic(HWND control, const char *text)
{
    if (!control)
        return 0;
    LONG_PTR original = GetWindowLongPtrA(control, GWLP_WNDPROC);
    if (!original || !SetPropA(control, OriginalProcProp, (HANDLE)original))
        return 0;
    SetWindowLongPtrA(control, GWLP_WNDPROC, (LONG_PTR)ActiveStaticProc);
    HFONT font = (HFONT)SendMessageA(control, WM_GETFONT, 0, 0);
    SetPropA(control, OriginalFontProp, (HANDLE)font);
    SetPropA(control, BoldFontProp, (HANDLE)CreateBoldFont(font));
    SetFieldState(control, FieldIdle);
    SetWindowTextA(control, text);
    return 1;
}

// Bold while the pointer is over the field; a waiting field stays bold until
// its wait ends.
static void TrackPointer(HWND control)
{
    if (PointerOver(control))
        return;
    TRACKMOUSEEVENT track = {};
    track.cbSize = sizeof track;
    track.dwFlags = TME_LEAVE;
    track.hwndTrack = control;
    if (!TrackMouseEvent(&track))
        return;
    SetPropA(control, HoverProp, (HANDLE)1);
    ShowBold(control);
}

static void PointerLeft(HWND control)
{
    RemovePropA(control, HoverProp);
    if (GetFieldState(control) == FieldIdle)
        ShowNormal(control);
}

static void StartWaiting(HWND control)
{
    if (captureInProgress)
        return;
    captureInProgress = 1;
    SetFieldState(control, FieldWaiting);
    SetWindowTextA(control, "Press a key");
    SetFocus(control);
}

// An idle field can hold the focus too (the dialog gives it back to the
// field that had it when the dialog is activated again); losing it must not
// clear the flag of another field that is waiting.
static void EndWaiting(HWND control)
{
    int wasWaiting = GetFieldState(control) == FieldWaiting;
    int index = FieldIndex(control);
    if (index >= 0)
        ShowKeyName(control, pendingKeyMap[index]);
    SetFieldState(control, FieldIdle);
    if (!PointerOver(control))
        ShowNormal(control);
    if (wasWaiting)
        captureInProgress = 0;
}

// lParam of a key message: scan code in bits 16-23, extended flag in bit 24.
static void TakeKey(HWND control, LPARAM lParam)
{
    uint16_t code = (uint16_t)(((DWORD)lParam >> 16) & KeyCodeMask);
    int own = FieldIndex(control);
    if (own < 0)
        return;
    for (int i = 0; i < KeyMapSize; i++) {
        if (i == own || pendingKeyMap[i] != code)
            continue;
        pendingKeyMap[i] = pendingKeyMap[own];
        HWND other = GetDlgItem(GetParent(control), IDC_KEY_FIELD_BASE + i);
        if (other && GetFieldState(other)) {
            ShowKeyName(other, pendingKeyMap[i]);
            if (!PointerOver(other))
                ShowNormal(other);
        }
        break;
    }
    pendingKeyMap[own] = code;
    SetFieldState(control, FieldIdle);
    ShowKeyName(control, code);
    if (!PointerOver(control))
        ShowNormal(control);
    captureInProgress = 0;
    SetFocus(GetParent(control));
}

static LRESULT Unsubclass(HWND control, WPARAM wParam, LPARAM lParam)
{
    WNDPROC original = OriginalProc(control);
    SetWindowLongPtrA(control, GWLP_WNDPROC, (LONG_PTR)original);
    RemovePropA(control, OriginalProcProp);
    SendMessageA(control, WM_SETFONT, (WPARAM)GetPropA(control, OriginalFontProp), FALSE);
    RemovePropA(control, OriginalFontProp);
    HFONT bold = (HFONT)RemovePropA(control, BoldFontProp);
    if (bold)
        DeleteObject(bold);
    RemovePropA(control, IsActiveProp);
    RemovePropA(control, HoverProp);
    captureInProgress = 0;
    if (!original)
        return DefWindowProcA(control, WM_DESTROY, wParam, lParam);
    return CallWindowProcA(original, control, WM_DESTROY, wParam, lParam);
}

static LRESULT CALLBACK ActiveStaticProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_MOUSEMOVE:
        TrackPointer(control);
        break;
    case WM_MOUSELEAVE:
        PointerLeft(control);
        break;
    case WM_LBUTTONDOWN:
        StartWaiting(control);
        return 1;
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_SETFOCUS:
        return 1;
    case WM_CONTEXTMENU:
        // The edit control's own menu (Copy, Select All) would open on the
        // button's release or the menu key; a key field offers none.
        return 0;
    case WM_KILLFOCUS:
        EndWaiting(control);
        return 1;
    case WM_GETDLGCODE:
        // An idle field that has the focus (the dialog gives it back on
        // activation) must leave Enter, Esc and Tab to the dialog.
        if (GetFieldState(control) == FieldWaiting)
            return DLGC_WANTALLKEYS;
        break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        if (GetFieldState(control) == FieldWaiting)
            TakeKey(control, lParam);
        break;
    case WM_DESTROY:
        return Unsubclass(control, wParam, lParam);
    }
    WNDPROC original = OriginalProc(control);
    if (!original)
        return DefWindowProcA(control, message, wParam, lParam);
    return CallWindowProcA(original, control, message, wParam, lParam);
}
