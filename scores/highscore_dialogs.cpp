// The "Save Highscore" name dialog at a game's end and the "HighScore Table"
// dialog. Both are modal on the window thread; the block is read from the
// registry each time and written back whole when it changes.
#include <windows.h>

#include <stdio.h>
#include <string.h>
#include <time.h>

#include "app/shell_handles.h"
#include "game/score_board.h"
#include "game/shell.h"
#include "resources/resource_ids.h"
#include "scores/highscore_block.h"
#include "scores/highscore_store.h"
#include "scores/score_service.h"

enum {
    DialogDropPixels = 32
};

static const char InvalidBlockText[] =
    "The highscore data is invalid and will be reset. This could be caused by a new version of "
    "Pellorin beeing used or illegal tampering of the register data!";
static const char InvalidBlockCaption[] = "Warning";
static const char ClearListText[] =
    "The local highscore table will be cleared! Are you sure you want to continue?";
static const char ClearListCaption[] = "Warning!";

// The name typed in the last "Save Highscore" dialog ended with OK.
static char enteredName[HighScoreNameMax + 1];

// Neither template is centred: each opens at the owner's client origin and
// moves itself below the status line.
static void MoveDialogDown(HWND dialog)
{
    RECT frame;
    if (!GetWindowRect(dialog, &frame))
        return;
    MoveWindow(dialog, frame.left, frame.top + DialogDropPixels, frame.right - frame.left,
               frame.bottom - frame.top, FALSE);
}

static void ShowBlock(HWND dialog, const unsigned char *block)
{
    for (int i = 0; i < HighScoreEntryCount; ++i) {
        char text[HighScoreNameSlotSize];
        ReadEntryName(block, i, text, sizeof text);
        SetDlgItemTextA(dialog, IDC_HS_NAME_BASE + i, text);
        // Unsigned: a score past 2^31 keeps its digits instead of a minus sign.
        snprintf(text, sizeof text, "%08lu", (unsigned long)ReadEntryScore(block, i));
        SetDlgItemTextA(dialog, IDC_HS_SCORE_BASE + i, text);
        snprintf(text, sizeof text, "%02u", ReadEntryLevel(block, i));
        SetDlgItemTextA(dialog, IDC_HS_LEVEL_BASE + i, text);
    }
}

static int ResetHighScores(void)
{
    unsigned char block[HighScoreBlockSize];
    memcpy(block, DefaultHighScoreBlock, sizeof block);
    return WriteHighScoreBlock(block);
}

static void InitTableDialog(HWND dialog)
{
    MoveDialogDown(dialog);
    unsigned char block[HighScoreBlockSize];
    BlockOutcome outcome = ReadHighScoreBlock(block);
    if (outcome == BlockOutcome::Valid) {
        ShowBlock(dialog, block);
    } else if (outcome == BlockOutcome::Invalid) {
        ResetHighScores();
        MessageBoxA(dialog, InvalidBlockText, InvalidBlockCaption, MB_OK);
    }
}

static void ClearList(HWND dialog)
{
    if (MessageBoxA(dialog, ClearListText, ClearListCaption, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    if (ResetHighScores())
        ShowBlock(dialog, DefaultHighScoreBlock);
}

// The stored bytes go out as they are, scrambled and unchecked.
static void UploadStoredBlock(void)
{
    // Zeroed so that a short stored value never sends stale stack bytes.
    unsigned char stored[HighScoreBlockSize] = {0};
    if (ReadStoredHighScores(stored))
        UploadHighScores(stored);
}

static INT_PTR TableCommand(HWND dialog, WPARAM wParam)
{
    switch (LOWORD(wParam)) {
    case IDOK:
    case IDCANCEL:
        EndDialog(dialog, (INT_PTR)wParam);
        return TRUE;
    case IDC_HS_CLEAR:
        ClearList(dialog);
        return TRUE;
    case IDC_HS_UPLOAD:
        UploadStoredBlock();
        return TRUE;
    case IDC_HS_VIEW_LIST:
        OpenHighScorePage();
        return TRUE;
    }
    return FALSE;
}

static INT_PTR CALLBACK HighScoreTableProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        InitTableDialog(dialog);
        return TRUE;
    case WM_COMMAND:
        return TableCommand(dialog, wParam);
    }
    return FALSE;
}

static void InitNameDialog(HWND dialog)
{
    MoveDialogDown(dialog);
    HWND edit = GetDlgItem(dialog, IDC_SAVE_NAME);
    if (edit)
        SetFocus(edit);
}

// At most 14 characters are kept; longer text is cut.
static void TakeEnteredName(HWND dialog)
{
    if (GetDlgItemTextA(dialog, IDC_SAVE_NAME, enteredName, sizeof enteredName) == 0)
        enteredName[0] = 0;
}

static INT_PTR CALLBACK SaveHighScoreProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        InitNameDialog(dialog);
        return FALSE;  // the focus is set
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            TakeEnteredName(dialog);
            EndDialog(dialog, (INT_PTR)wParam);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, (INT_PTR)wParam);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

void ShowHighScoreTable(void)
{
    DialogBoxParamA(GetAppInstance(), MAKEINTRESOURCEA(IDD_HIGHSCORE_TABLE), GetMainWindow(), HighScoreTableProc, 0);
}

void RunHighScoreEntry(const ScoreBoard *board)
{
    if (board == NULL)
        return;
    unsigned char block[HighScoreBlockSize];
    int place = 0;
    if (ReadHighScoreBlock(block) == BlockOutcome::Valid)
        place = FindPlace(block, board->score);
    else
        memcpy(block, DefaultHighScoreBlock, sizeof block);
    if (place >= HighScoreEntryCount)
        return;

    INT_PTR result = DialogBoxParamA(GetAppInstance(), MAKEINTRESOURCEA(IDD_SAVE_HIGHSCORE), GetMainWindow(),
                                     SaveHighScoreProc, 0);
    if (result != IDOK)
        return;

    InsertHighScore(block, place, enteredName, (unsigned)board->level & 0xFF, board->score,
                    (uint32_t)time(NULL));
    WriteHighScoreBlock(block);
    ShowHighScoreTable();
}
