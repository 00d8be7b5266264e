// The main window's class name, for the tests that register it again.
#ifndef PELLORIN_MAIN_WINDOW_SEAMS_H
#define PELLORIN_MAIN_WINDOW_SEAMS_H

extern const char MainWindowClassName[];

#endif
