// The About box: one OK button that has the focus; any command closes it.
#include <windows.h>

#include "app/shell_handles.h"
#include "game/shell.h"
#include "resources/resource_ids.h"

static INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        SetFocus(GetDlgItem(dialog, IDOK));
        break;
    case WM_COMMAND:
        EndDialog(dialog, 0);
        break;
    }
    // Not handled, so the dialog manager leaves the focus where it was put.
    return 0;
}

void ShowAboutDialog(void)
{
    DialogBoxParamA(GetAppInstance(), MAKEINTRESOURCEA(IDD_ABOUT), GetMainWindow(), AboutDialogProc, 0);
}
