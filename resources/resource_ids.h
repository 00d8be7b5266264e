/* Resource, control and menu identifiers. Included by the .rc files and by C++. */
#ifndef PELLORIN_RESOURCE_IDS_H
#define PELLORIN_RESOURCE_IDS_H

/* Resources of the module */
#define IDI_PELLORIN            101
#define IDR_MIDI_TRACK1         102   /* sound track 1, type "MIDI" */
#define IDR_MAIN_MENU           103
#define IDD_HIGHSCORE_TABLE     105
#define IDD_SAVE_HIGHSCORE      106
#define IDD_SETTINGS            107
#define IDR_MIDI_TRACK0         109   /* sound track 0, type "MIDI" */
#define IDB_TILE_SHEET          110
#define IDD_ABOUT               111

/* High-score table: code adds the entry index (0..9) to each base */
#define IDC_HS_NAME_BASE        1000
#define IDC_HS_SCORE_BASE       1010
#define IDC_HS_LEVEL_BASE       1020
#define IDC_SAVE_NAME           1030
#define IDC_HS_CLEAR            1031
#define IDC_HS_UPLOAD           1032
#define IDC_HS_VIEW_LIST        1034

/* Settings dialog: the five key fields are contiguous, KeyMap index = id - IDC_KEY_FIELD_BASE;
   so are the two track radios, track = id - IDC_TRACK_BASE */
#define IDC_GAME_SERVER         1033
#define IDC_TRACK_BASE          1035
#define IDC_TRACK0              1035
#define IDC_TRACK1              1036
#define IDC_KEY_FIELD_BASE      1037
#define IDC_KEY_MOVE_LEFT       1037
#define IDC_KEY_MOVE_RIGHT      1038
#define IDC_KEY_ROTATE_CCW      1039
#define IDC_KEY_MOVE_DOWN       1040
#define IDC_KEY_DROP            1041
#define IDC_DELAY_SLIDER        1048
#define IDC_RATE_SLIDER         1049
#define IDC_RESTORE_DEFAULTS    1050
#define IDC_RATE_LABEL          1052
#define IDC_DELAY_LABEL         1053

/* Menu items */
#define IDM_PAUSE               40002
#define IDM_MUSIC               40003
#define IDM_NEW_GAME            40004
#define IDM_HIGH_SCORE          40005
#define IDM_QUIT                40006
#define IDM_SETTINGS            40007
#define IDM_HELP                40008
#define IDM_ABOUT               40009
#define IDM_NONE                65535

#endif
