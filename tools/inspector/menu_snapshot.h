/* Names shared by the inspector and its menu hook DLL. The hook runs inside
   the inspected program's window thread, where the menu can be read, and
   writes one text line per menu item into a named shared memory block. */
#ifndef PELLORIN_INSPECTOR_MENU_SNAPSHOT_H
#define PELLORIN_INSPECTOR_MENU_SNAPSHOT_H

#define MENU_SNAPSHOT_MAPPING  "PellorinInspectorMenuSnapshot"
#define MENU_SNAPSHOT_MESSAGE  "PellorinInspectorMenuDump"
#define MENU_SNAPSHOT_SIZE     65536
#define MENU_HOOK_DLL_NAME     "menu_hook.dll"
#define MENU_HOOK_PROC_NAME    "MenuHookProc"

/* Block layout: a 32-bit "ready" word (1 once the hook has written the text),
   then the zero-terminated text from MENU_SNAPSHOT_TEXT_OFFSET on. */
#define MENU_SNAPSHOT_TEXT_OFFSET 16

#endif
