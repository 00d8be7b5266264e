// Modal code driven as a person would, from a second thread: the dialog or
// message box runs on the test's thread while a script on a driver thread
// finds its windows, clicks, types and reads. The driver never calls
// GoogleTest: it notes what went wrong, and the test checks the notes once
// the modal code has returned.
#ifndef PELLORIN_TEST_DIALOG_DRIVER_H
#define PELLORIN_TEST_DIALOG_DRIVER_H

#include <windows.h>

#include <string.h>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/wait_until.h"

static const DWORD DriveWaitMs = 10000;
// The static control that holds a message box's text.
static const int MessageBoxTextId = 0xFFFF;

struct Drive {
    DWORD modalThread = 0;
    HWND dialog = NULL;  // the window the script works on, where it keeps one
    std::atomic<bool> modalDone{false};
    std::vector<std::string> problems;
};

// Notes a problem; 0, so that a script step can return it.
inline int Fail(Drive &drive, const std::string &what)
{
    drive.problems.push_back(what);
    return 0;
}

template <typename Condition>
inline int Await(Drive &drive, Condition condition, const std::string &what)
{
    if (WaitUntil(condition, DriveWaitMs))
        return 1;
    return Fail(drive, "timed out waiting for " + what);
}

// Every problem noted, one a line; empty when there was none.
inline std::string Problems(const Drive &drive)
{
    std::string all;
    for (const std::string &problem : drive.problems)
        all += problem + "\n";
    return all;
}

inline int IsDialogClass(HWND window)
{
    char name[16] = "";
    return GetClassNameA(window, name, sizeof name) > 0 && strcmp(name, "#32770") == 0;
}

// The visible dialog or message box with this title, once it is shown;
// NULL when none is shown within the wait.
inline HWND WaitForDialog(const char *title)
{
    HWND dialog = NULL;
    WaitUntil([&] {
        dialog = FindWindowA("#32770", title);
        return dialog != NULL && IsWindowVisible(dialog);
    }, DriveWaitMs);
    return dialog != NULL && IsWindowVisible(dialog) ? dialog : NULL;
}

inline int WaitForWindowGone(HWND window)
{
    return WaitUntil([&] { return !IsWindow(window); }, DriveWaitMs);
}

inline BOOL CALLBACK FindOwnDialogProc(HWND window, LPARAM found)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId() && IsWindowVisible(window) && IsDialogClass(window)) {
        *(HWND *)found = window;
        return FALSE;
    }
    return TRUE;
}

// A visible dialog or message box of this process, whatever its title.
inline HWND FindOwnDialog(void)
{
    HWND found = NULL;
    EnumWindows(FindOwnDialogProc, (LPARAM)&found);
    return found;
}

// Posted, not sent: a click that opens a message box would keep a sent
// message from returning until the box is closed.
inline int PostClick(HWND dialog, int id)
{
    HWND button = GetDlgItem(dialog, id);
    return button != NULL && PostMessageA(button, BM_CLICK, 0, 0);
}

inline std::string ItemText(HWND dialog, int id)
{
    char text[16384] = "";
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

inline BOOL CALLBACK CancelDialogProc(HWND window, LPARAM)
{
    if (IsDialogClass(window))
        PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    return TRUE;
}

// Runs modal() on this thread and script(drive) on a driver thread. The
// modal code must return once the script is done; when it does not, or the
// script noted a problem, whatever is left open is cancelled, so the test
// always goes on.
template <typename Script, typename Modal>
inline void RunDriven(Drive &drive, Script script, Modal modal)
{
    drive.modalThread = GetCurrentThreadId();
    std::thread driver([&] {
        script(drive);
        if (drive.problems.empty() && !WaitUntil([&] { return drive.modalDone.load(); }, DriveWaitMs))
            Fail(drive, "the modal code did not return");
        WaitUntil([&] {
            EnumThreadWindows(drive.modalThread, CancelDialogProc, 0);
            return drive.modalDone.load();
        }, 2 * DriveWaitMs);
    });
    modal();
    drive.modalDone = true;
    driver.join();
}

#endif
