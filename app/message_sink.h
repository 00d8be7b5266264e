// A message-only window of the calling thread: other threads post to it to
// have work done on that thread.
#ifndef PELLORIN_MESSAGE_SINK_H
#define PELLORIN_MESSAGE_SINK_H

#include <windows.h>

// Registers the class (once per name) and creates the window; NULL on failure.
HWND CreateMessageSink(const char *className, WNDPROC procedure);

#endif
