// How the Settings dialog ended, for its tests.
#ifndef PELLORIN_SETTINGS_DIALOG_SEAMS_H
#define PELLORIN_SETTINGS_DIALOG_SEAMS_H

// Runs the dialog as ShowSettingsDialog does; 1 when OK closed it, 2 for Cancel.
int RunSettingsDialog(void);

#endif
