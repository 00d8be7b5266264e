/* Small helpers shared by the inspector's commands: argument parsing and
   printing of tab-separated key=value records. */
#ifndef PELLORIN_INSPECTOR_TEXT_H
#define PELLORIN_INSPECTOR_TEXT_H

#include <windows.h>
#include <stddef.h>

/* Parses "0x1a2b" or decimal into *out; 1 on success. */
int ParseNumber(const char *text, unsigned long long *out);
int ParseWindow(const char *text, HWND *out);

/* Appends escaped text (\\, \t, \n, \r) to a buffer of the given size. */
void EscapeText(const char *text, char *out, size_t outSize);

/* Prints "hwnd=0x...". */
void PrintWindowHandle(const char *key, HWND window);

/* Reads a control's text from any process with WM_GETTEXT (edit controls
   keep theirs privately), with a time-out so that a hung program never
   blocks the inspector; 1 on success. */
int ReadWindowText(HWND window, char *out, int outSize);

/* A top-level window's caption as the window manager keeps it: no message
   is sent, so a window that is being destroyed cannot hold the caller up. */
void ReadCaption(HWND window, char *out, int outSize);

/* The Wine X11 window id of a top-level window, 0 when there is none. */
unsigned long long X11WindowId(HWND window);

/* Prints one line describing a top-level window: hwnd, class, title, pid,
   tid, visible, enabled, owner, xid. */
void PrintWindowRecord(HWND window);

/* Milliseconds since an arbitrary start, for time-outs. */
unsigned long long NowMs(void);

#endif
