// The high-score store and its two dialogs under Wine: the registry is real,
// the dialogs run modally on the test's main thread while a driver thread
// finds them by title, types, clicks and reads their texts.
#include <windows.h>
#include <gtest/gtest.h>

#include <ostream>
#include <string.h>
#include <string>
#include <time.h>
#include <vector>

#include "app/shell_handles.h"
#include "game/score_board.h"
#include "game/shell.h"
#include "input/settings_store.h"
#include "resources/resource_ids.h"
#include "scores/highscore_block.h"
#include "scores/highscore_block_seams.h"
#include "scores/highscore_store.h"
#include "scores/score_service.h"
#include "tests/input/settings_key.h"
#include "tests/support/dialog_driver.h"

static const char TableTitle[] = "HighScore Table";
static const char EntryTitle[] = "Save Highscore";
static const char InvalidText[] =
    "The highscore data is invalid and will be reset. This could be caused by a new version of "
    "Pellorin beeing used or illegal tampering of the register data!";
static const char ClearText[] = "The local highscore table will be cleared! Are you sure you want to continue?";

// The score service, faked: what the table dialog handed over.
static int uploadCount;
static unsigned char uploadedBytes[HighScoreBlockSize];
static int pageCount;

void UploadHighScores(const unsigned char *stored)
{
    ++uploadCount;
    memcpy(uploadedBytes, stored, HighScoreBlockSize);
}

void OpenHighScorePage(void)
{
    ++pageCount;
}

static void PrintTo(BlockOutcome outcome, std::ostream *os)
{
    static const char *const names[] = {"Missing", "Invalid", "Valid"};
    *os << names[(int)outcome];
}

typedef std::vector<unsigned char> Bytes;

static Bytes StoredValue()
{
    HKEY key;
    Bytes bytes;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, KeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return bytes;
    DWORD size = 0;
    if (RegQueryValueExA(key, "HighScore", NULL, NULL, NULL, &size) == ERROR_SUCCESS) {
        bytes.resize(size);
        DWORD type = 0;
        if (size == 0 || RegQueryValueExA(key, "HighScore", NULL, &type, bytes.data(), &size) != ERROR_SUCCESS ||
            type != REG_BINARY)
            bytes.clear();
    }
    RegCloseKey(key);
    return bytes;
}

static void StoreValue(const unsigned char *data, DWORD size)
{
    StoreSettingsValue("HighScore", REG_BINARY, data, size);
}

// The stored form of an unscrambled block: checksum set, then scrambled.
static Bytes StoredForm(const unsigned char *block)
{
    Bytes bytes(block, block + HighScoreBlockSize);
    SetBlockChecksum(bytes.data());
    ScrambleBlock(bytes.data(), bytes.size());
    return bytes;
}

static Bytes DefaultStoredForm()
{
    return StoredForm(DefaultHighScoreBlock);
}

// Stores an unscrambled block as the game stores it; its stored form.
static Bytes StoreBlock(const unsigned char *block)
{
    Bytes stored = StoredForm(block);
    StoreValue(stored.data(), HighScoreBlockSize);
    return stored;
}

// Entry i: "Player<i>", score 1000 - 100 i, level 2 + i.
static void MakeDescendingBlock(unsigned char *block)
{
    memcpy(block, DefaultHighScoreBlock, HighScoreBlockSize);
    for (int i = 0; i < HighScoreEntryCount; ++i) {
        char name[16];
        snprintf(name, sizeof name, "Player%d", i);
        WriteEntryName(block, i, name);
        WriteEntryScore(block, i, (uint32_t)(1000 - 100 * i));
        WriteEntryLevel(block, i, (unsigned)(2 + i));
        WriteEntryTime(block, i, (uint32_t)(1600000000 + i));
    }
}

// The descending table, stored as the game stores it; its stored form.
static Bytes StoreDescendingBlock()
{
    unsigned char block[HighScoreBlockSize];
    MakeDescendingBlock(block);
    return StoreBlock(block);
}

// ---- Driving the dialogs from a second thread ----

struct TableTexts {
    std::vector<std::string> names, scores, levels;
    std::vector<bool> namesAsTyped;  // the name cell draws "&" as itself
};

static TableTexts ReadTable(HWND dialog)
{
    TableTexts t;
    for (int i = 0; i < HighScoreEntryCount; ++i) {
        t.names.push_back(ItemText(dialog, IDC_HS_NAME_BASE + i));
        t.namesAsTyped.push_back((GetWindowLongA(GetDlgItem(dialog, IDC_HS_NAME_BASE + i), GWL_STYLE) & SS_NOPREFIX) != 0);
        t.scores.push_back(ItemText(dialog, IDC_HS_SCORE_BASE + i));
        t.levels.push_back(ItemText(dialog, IDC_HS_LEVEL_BASE + i));
    }
    return t;
}

static int IsDefaultRows(const TableTexts &t, const char *name)
{
    for (int i = 0; i < HighScoreEntryCount; ++i) {
        if (t.names[i] != name || t.scores[i] != "00000000" || t.levels[i] != "01")
            return 0;
    }
    return 1;
}

// Waits for the modal code to return; fails if a dialog appears meanwhile.
static int ExpectNoDialog(Drive &drive)
{
    int opened = 0;
    int returned = WaitUntil([&] {
        if (drive.modalDone)
            return 1;
        opened = FindWindowA("#32770", NULL) != NULL;
        return opened;
    }, DriveWaitMs);
    if (opened)
        return Fail(drive, "a dialog opened");
    if (!returned)
        return Fail(drive, "the modal code did not return");
    return 1;
}

static void ClientOrigin(HWND dialog, POINT *origin)
{
    if (origin) {
        origin->x = 0;
        origin->y = 0;
        ClientToScreen(dialog, origin);
    }
}

static int EnterName(Drive &drive, const char *name, POINT *clientOrigin)
{
    HWND dialog = WaitForDialog(EntryTitle);
    if (!dialog)
        return Fail(drive, "no name dialog");
    ClientOrigin(dialog, clientOrigin);
    if (!SetDlgItemTextA(dialog, IDC_SAVE_NAME, name))
        return Fail(drive, "no name field");
    if (!PostClick(dialog, IDOK))
        return Fail(drive, "no OK button");
    WaitForWindowGone(dialog);
    return 1;
}

// The table dialog once it is shown; NULL, noted, when it is not.
static HWND AwaitTable(Drive &drive)
{
    HWND table = WaitForDialog(TableTitle);
    if (!table)
        Fail(drive, "no table dialog");
    return table;
}

static int ReadAndCloseTable(Drive &drive, TableTexts *texts, POINT *clientOrigin = NULL)
{
    HWND dialog = AwaitTable(drive);
    if (!dialog)
        return 0;
    ClientOrigin(dialog, clientOrigin);
    *texts = ReadTable(dialog);
    PostClick(dialog, IDOK);
    if (!WaitForWindowGone(dialog))
        return Fail(drive, "the table did not close");
    return 1;
}

// Answers a message box by title; gives its text.
static int AnswerMessageBox(Drive &drive, const char *title, int button, std::string *text)
{
    HWND box = WaitForDialog(title);
    if (!box)
        return Fail(drive, std::string("no message box ") + title);
    *text = ItemText(box, MessageBoxTextId);
    if (!PostClick(box, button))
        return Fail(drive, "no button in the message box");
    if (!WaitForWindowGone(box))
        return Fail(drive, "the message box did not close");
    return 1;
}

// ---- Fixture ----

static LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(window, message, wParam, lParam);
}

class Scores : public ::testing::Test {
protected:
    void SetUp() override
    {
        DeleteSettingsKey();
        uploadCount = 0;
        pageCount = 0;
        ASSERT_NE(owner, (HWND)NULL);
        SetShellHandles(owner, instance);
    }

    // One hidden owner for the whole suite: under Wine without a window
    // manager every window taken off the screen costs seconds.
    static void SetUpTestSuite()
    {
        instance = GetModuleHandleA(NULL);
        WNDCLASSA wc = {};
        wc.lpfnWndProc = OwnerProc;
        wc.hInstance = instance;
        wc.lpszClassName = "ScoresTestOwner";
        RegisterClassA(&wc);
        owner = CreateWindowExA(0, "ScoresTestOwner", "Owner", WS_OVERLAPPEDWINDOW, 120, 90, 300, 500, NULL,
                                NULL, instance, NULL);
    }

    static void TearDownTestSuite()
    {
        if (owner)
            DestroyWindow(owner);
        owner = NULL;
    }

    // Runs the game-over path for a score and level, answering the name
    // dialog with name (or Cancel when name is NULL) and reading the table.
    void GameOver(uint32_t score, int32_t level, const char *name, Drive &drive, TableTexts *texts,
                  POINT *clientOrigin = NULL)
    {
        ScoreBoard board = {};
        board.score = score;
        board.level = level;
        RunDriven(
            drive,
            [&](Drive &d) {
                if (name == NULL) {
                    HWND dialog = WaitForDialog(EntryTitle);
                    if (!dialog) {
                        Fail(d, "no name dialog");
                        return;
                    }
                    PostClick(dialog, IDCANCEL);
                    ExpectNoDialogAfter(d, dialog);
                    return;
                }
                if (EnterName(d, name, clientOrigin))
                    ReadAndCloseTable(d, texts);
            },
            [&] { RunHighScoreEntry(&board); });
    }

    static void ExpectNoDialogAfter(Drive &drive, HWND closing)
    {
        WaitForWindowGone(closing);
        ExpectNoDialog(drive);
    }

    static HINSTANCE instance;
    static HWND owner;
};

HINSTANCE Scores::instance;
HWND Scores::owner;

// ---- The store ----

TEST_F(Scores, MissingValueReadsMissing)
{
    unsigned char block[HighScoreBlockSize];
    EXPECT_EQ(ReadHighScoreBlock(block), BlockOutcome::Missing);

    // Longer than a block: the read fails as for a missing value.
    unsigned char longer[HighScoreBlockSize + 1] = {0};
    StoreValue(longer, sizeof longer);
    EXPECT_EQ(ReadHighScoreBlock(block), BlockOutcome::Missing);
}

TEST_F(Scores, WrittenDefaultReadsBackValid)
{
    unsigned char block[HighScoreBlockSize];
    memcpy(block, DefaultHighScoreBlock, sizeof block);
    ASSERT_EQ(WriteHighScoreBlock(block), 1);
    EXPECT_EQ(block[252], 0xE0);
    EXPECT_EQ(block[253], 0x13);
    EXPECT_EQ(StoredValue(), DefaultStoredForm());

    unsigned char read[HighScoreBlockSize] = {0};
    ASSERT_EQ(ReadHighScoreBlock(read), BlockOutcome::Valid);
    EXPECT_EQ(StoredChecksum(read), 0x13E0);
    EXPECT_EQ(memcmp(read, block, sizeof read), 0);
}

// The caller's buffer already holds the rest of a good stored block, so only
// the delivered size can tell that the value stops short.
TEST_F(Scores, ShortValueIsInvalid)
{
    Bytes stored = DefaultStoredForm();
    static const DWORD sizes[] = {1, 2, 200, 252, 253};
    for (DWORD size : sizes) {
        StoreValue(stored.data(), size);
        unsigned char block[HighScoreBlockSize];
        memcpy(block, stored.data(), sizeof block);
        EXPECT_EQ(ReadHighScoreBlock(block), BlockOutcome::Invalid) << size << " bytes";
    }
}

TEST_F(Scores, BadChecksumIsInvalidAndHighBitChangesAreNot)
{
    Bytes stored = DefaultStoredForm();
    unsigned char block[HighScoreBlockSize];

    stored[100] ^= 0x01;
    StoreValue(stored.data(), HighScoreBlockSize);
    EXPECT_EQ(ReadHighScoreBlock(block), BlockOutcome::Invalid);

    stored[100] ^= 0x01 | 0xE0;
    StoreValue(stored.data(), HighScoreBlockSize);
    EXPECT_EQ(ReadHighScoreBlock(block), BlockOutcome::Valid);
}

TEST_F(Scores, NameSlotWithoutTerminatorIsInvalid)
{
    unsigned char block[HighScoreBlockSize];
    memcpy(block, DefaultHighScoreBlock, sizeof block);
    memset(block + HighScoreNamesOffset + 16 * 7, 'x', 16);
    StoreBlock(block);
    unsigned char read[HighScoreBlockSize];
    EXPECT_EQ(ReadHighScoreBlock(read), BlockOutcome::Invalid);
}

// ---- The name dialog at game over ----

TEST_F(Scores, FirstGameTakesFirstPlaceAndShowsTheTable)
{
    Drive drive;
    TableTexts texts;
    POINT dialogOrigin = {};
    uint32_t before = (uint32_t)time(NULL);
    GameOver(0, 3, "Alice", drive, &texts, &dialogOrigin);
    uint32_t after = (uint32_t)time(NULL);
    ASSERT_EQ(Problems(drive), "");

    // Opened at the owner's client origin, then moved 32 pixels down.
    POINT origin = {0, 0};
    ClientToScreen(owner, &origin);
    EXPECT_EQ(dialogOrigin.x, origin.x);
    EXPECT_EQ(dialogOrigin.y, origin.y + 32);

    EXPECT_EQ(texts.names[0], "Alice");
    EXPECT_EQ(texts.scores[0], "00000000");
    EXPECT_EQ(texts.levels[0], "03");
    for (int i = 1; i < HighScoreEntryCount; ++i) {
        EXPECT_EQ(texts.names[i], "Not Used") << "row " << i + 1;
        EXPECT_EQ(texts.scores[i], "00000000") << "row " << i + 1;
        EXPECT_EQ(texts.levels[i], "01") << "row " << i + 1;
    }

    unsigned char block[HighScoreBlockSize];
    ASSERT_EQ(ReadHighScoreBlock(block), BlockOutcome::Valid);
    EXPECT_GE(ReadEntryTime(block, 0), before);
    EXPECT_LE(ReadEntryTime(block, 0), after);
}

TEST_F(Scores, CancelWritesNothingAndShowsNoTable)
{
    Drive drive;
    GameOver(500, 1, NULL, drive, NULL);
    EXPECT_EQ(Problems(drive), "");
    EXPECT_TRUE(StoredValue().empty());

    // A bad stored value stays as it was until the table is opened.
    Bytes bad = DefaultStoredForm();
    bad[10] ^= 0x04;
    StoreValue(bad.data(), HighScoreBlockSize);
    Drive again;
    GameOver(500, 1, NULL, again, NULL);
    EXPECT_EQ(Problems(again), "");
    EXPECT_EQ(StoredValue(), bad);
}

TEST_F(Scores, ScoreBelowAllTenShowsAndWritesNothing)
{
    Bytes stored = StoreDescendingBlock();

    Drive drive;
    ScoreBoard board = {};
    board.score = 99;
    RunDriven(drive, [](Drive &d) { ExpectNoDialog(d); }, [&] { RunHighScoreEntry(&board); });
    EXPECT_EQ(Problems(drive), "");
    EXPECT_EQ(StoredValue(), stored);
}

TEST_F(Scores, EntryIsPlacedAboveEqualScoresAndKeepsUnusedBytes)
{
    unsigned char block[HighScoreBlockSize];
    MakeDescendingBlock(block);
    block[0] = 0xAB;
    block[1] = 0xCD;
    // Bytes behind each terminator: not shown, yet checksummed and uploaded.
    for (int i = 0; i < HighScoreEntryCount; ++i)
        memcpy(block + HighScoreNamesOffset + 16 * i + 12, "tail", 4);
    StoreBlock(block);

    Drive drive;
    TableTexts texts;
    GameOver(900, 0x105, "A much longer name than fits", drive, &texts);
    ASSERT_EQ(Problems(drive), "");

    const char *names[] = {"Player0", "A much longer ", "Player1", "Player2", "Player3",
                           "Player4", "Player5", "Player6", "Player7", "Player8"};
    const char *scores[] = {"00001000", "00000900", "00000900", "00000800", "00000700",
                            "00000600", "00000500", "00000400", "00000300", "00000200"};
    const char *levels[] = {"02", "05", "03", "04", "05", "06", "07", "08", "09", "10"};
    for (int i = 0; i < HighScoreEntryCount; ++i) {
        EXPECT_EQ(texts.names[i], names[i]) << "row " << i + 1;
        EXPECT_EQ(texts.scores[i], scores[i]) << "row " << i + 1;
        EXPECT_EQ(texts.levels[i], levels[i]) << "row " << i + 1;
    }

    unsigned char read[HighScoreBlockSize];
    ASSERT_EQ(ReadHighScoreBlock(read), BlockOutcome::Valid);
    EXPECT_EQ(read[0], 0xAB);
    EXPECT_EQ(read[1], 0xCD);
    for (int i = 0; i < HighScoreEntryCount; ++i) {
        const unsigned char *slot = read + HighScoreNamesOffset + 16 * i;
        if (i == 1) {
            // The cut name ends on byte 14; byte 15 keeps the old content.
            EXPECT_EQ(slot[14], 0);
            EXPECT_EQ(slot[15], 'l');
        } else {
            EXPECT_EQ(memcmp(slot + 12, "tail", 4), 0) << "slot " << i;
        }
    }
}

TEST_F(Scores, EmptyNameIsStoredEmpty)
{
    Drive drive;
    TableTexts texts;
    GameOver(10, 1, "", drive, &texts);
    ASSERT_EQ(Problems(drive), "");
    EXPECT_EQ(texts.names[0], "");
    EXPECT_EQ(texts.scores[0], "00000010");
}

// ---- The table dialog ----

static void ShowTable(Drive &drive, TableTexts *texts, POINT *clientOrigin = NULL)
{
    RunDriven(
        drive, [&](Drive &d) { ReadAndCloseTable(d, texts, clientOrigin); },
        [&] { ShowHighScoreTable(); });
}

TEST_F(Scores, TableWithoutValueShowsTemplateTexts)
{
    Drive drive;
    TableTexts texts;
    POINT dialogOrigin = {};
    ShowTable(drive, &texts, &dialogOrigin);
    ASSERT_EQ(Problems(drive), "");
    EXPECT_TRUE(IsDefaultRows(texts, "Not used"));
    EXPECT_TRUE(StoredValue().empty());

    POINT origin = {0, 0};
    ClientToScreen(owner, &origin);
    EXPECT_EQ(dialogOrigin.x, origin.x);
    EXPECT_EQ(dialogOrigin.y, origin.y + 32);
}

TEST_F(Scores, TableShowsLargeScoresWithAllDigits)
{
    unsigned char block[HighScoreBlockSize];
    memcpy(block, DefaultHighScoreBlock, sizeof block);
    InsertHighScore(block, 0, "Big", 255, 100000000u, 0);
    InsertHighScore(block, 0, "Huge", 99, 3000000000u, 0);
    StoreBlock(block);

    Drive drive;
    TableTexts texts;
    ShowTable(drive, &texts);
    ASSERT_EQ(Problems(drive), "");
    EXPECT_EQ(texts.scores[0], "3000000000");
    EXPECT_EQ(texts.levels[0], "99");
    EXPECT_EQ(texts.scores[1], "100000000");
    EXPECT_EQ(texts.levels[1], "255");
    EXPECT_EQ(texts.names[2], "Not Used");
}

TEST_F(Scores, NamesWithAnAmpersandAreShownAsTyped)
{
    unsigned char block[HighScoreBlockSize];
    memcpy(block, DefaultHighScoreBlock, sizeof block);
    InsertHighScore(block, 0, "Tom && Jerry", 3, 5000, 0);
    InsertHighScore(block, 0, "R&B", 4, 6000, 0);
    StoreBlock(block);

    Drive drive;
    TableTexts texts;
    ShowTable(drive, &texts);
    ASSERT_EQ(Problems(drive), "");
    EXPECT_EQ(texts.names[0], "R&B");
    EXPECT_EQ(texts.names[1], "Tom && Jerry");
    for (int i = 0; i < HighScoreEntryCount; ++i)
        EXPECT_TRUE(texts.namesAsTyped[i]) << "name cell " << i;
}

TEST_F(Scores, TamperedValueIsReportedAndReset)
{
    Bytes bad = DefaultStoredForm();
    bad[30] ^= 0x10;
    StoreValue(bad.data(), HighScoreBlockSize);

    Drive drive;
    TableTexts texts;
    std::string message;
    RunDriven(
        drive,
        [&](Drive &d) {
            if (AnswerMessageBox(d, "Warning", IDOK, &message))
                ReadAndCloseTable(d, &texts);
        },
        [&] { ShowHighScoreTable(); });
    ASSERT_EQ(Problems(drive), "");
    EXPECT_EQ(message, InvalidText);
    EXPECT_TRUE(IsDefaultRows(texts, "Not used"));
    EXPECT_EQ(StoredValue(), DefaultStoredForm());
}

static void ClearList(int answer, Drive &drive, TableTexts *before,
                      TableTexts *after, std::string *question)
{
    RunDriven(
        drive,
        [&](Drive &d) {
            HWND table = AwaitTable(d);
            if (!table)
                return;
            *before = ReadTable(table);
            PostClick(table, IDC_HS_CLEAR);
            if (!AnswerMessageBox(d, "Warning!", answer, question))
                return;
            *after = ReadTable(table);
            PostClick(table, IDOK);
            WaitForWindowGone(table);
        },
        [&] { ShowHighScoreTable(); });
}

TEST_F(Scores, ClearListAnsweredNoChangesNothing)
{
    Bytes stored = StoreDescendingBlock();

    Drive drive;
    TableTexts before, after;
    std::string question;
    ClearList(IDNO, drive, &before, &after, &question);
    ASSERT_EQ(Problems(drive), "");
    EXPECT_EQ(question, ClearText);
    EXPECT_EQ(before.names[0], "Player0");
    EXPECT_EQ(after.names, before.names);
    EXPECT_EQ(after.scores, before.scores);
    EXPECT_EQ(after.levels, before.levels);
    EXPECT_EQ(StoredValue(), stored);
}

TEST_F(Scores, ClearListAnsweredYesStoresTheDefaultTable)
{
    Bytes stored = StoreDescendingBlock();

    Drive drive;
    TableTexts before, after;
    std::string question;
    ClearList(IDYES, drive, &before, &after, &question);
    ASSERT_EQ(Problems(drive), "");
    EXPECT_EQ(before.scores[0], "00001000");
    EXPECT_TRUE(IsDefaultRows(after, "Not Used"));

    Bytes expected(DefaultHighScoreBlock, DefaultHighScoreBlock + HighScoreBlockSize);
    expected[252] = 0xE0;
    expected[253] = 0x13;
    ScrambleBlock(expected.data(), expected.size());
    EXPECT_EQ(StoredValue(), expected);
}

TEST_F(Scores, UploadSendsTheStoredBytesAndViewOpensThePage)
{
    Drive drive;
    RunDriven(
        drive,
        [&](Drive &d) {
            HWND table = AwaitTable(d);
            if (!table)
                return;
            PostClick(table, IDC_HS_UPLOAD);  // nothing stored: nothing sent
            PostClick(table, IDC_HS_VIEW_LIST);
            PostClick(table, IDOK);
            WaitForWindowGone(table);
        },
        [&] { ShowHighScoreTable(); });
    ASSERT_EQ(Problems(drive), "");
    EXPECT_EQ(uploadCount, 0);
    EXPECT_EQ(pageCount, 1);

    // Sent exactly as stored, still scrambled.
    Bytes stored = StoreDescendingBlock();
    Drive again;
    RunDriven(
        again,
        [&](Drive &d) {
            HWND table = AwaitTable(d);
            if (!table)
                return;
            PostClick(table, IDC_HS_UPLOAD);
            PostClick(table, IDOK);
            WaitForWindowGone(table);
        },
        [&] { ShowHighScoreTable(); });
    ASSERT_EQ(Problems(again), "");
    ASSERT_EQ(uploadCount, 1);
    EXPECT_EQ(Bytes(uploadedBytes, uploadedBytes + HighScoreBlockSize), stored);
}
