"""The high-score path at a game's end, on a fresh prefix: dropping pieces
with Space until the board is full brings the "Save Highscore" dialog; a
name typed there (cut to 14 characters) goes first into the "HighScore
Table" with the game's score and level, and the block is stored as 254
bytes; Clear List asks first (No keeps the table, Yes resets it to ten
"Not Used" entries); at the next game's end Cancel stores nothing and
opens no table."""
from e2e_game import (IDM_ABOUT, SCORE_LINE_X, SCORE_LINE_Y, SETTINGS_KEY, play_to_the_name_dialog, shows_status,
                      start_game, status_image)
from e2e_resources import IDC_HS_CLEAR, IDC_HS_LEVEL_BASE, IDC_HS_NAME_BASE, IDC_HS_SCORE_BASE, IDC_SAVE_NAME
from e2e_run import run_steps
from e2e_screen import same_area
from e2e_windows import (dialog_controls, shot, static_texts, visible_dialogs, wait_for_dialog,
                         wait_until_closed)
from e2e_wine import (export_registry, fail, focus_window, inspect, press_keys, wait_until)

IDOK, IDCANCEL, IDYES, IDNO = 1, 2, 6, 7
TYPED_NAME = "tovrin pellorinson"   # 18 characters; 14 are kept
CLEAR_TEXT = "The local highscore table will be cleared! Are you sure you want to continue?"


def control_texts(context, dialog):
    return {int(c["id"]): c["text"] for c in dialog_controls(context.session, dialog)}


def dialog_titled(context, title):
    for dialog in visible_dialogs(context.session):
        if dialog["title"] == title and dialog["xid"] != "0x0":
            return dialog
    return None


def stored_block(context):
    values = export_registry(context.session, SETTINGS_KEY) or {}
    return values.get("HighScore")


def board_fills_and_the_name_dialog_appears(context):
    if stored_block(context) is not None:
        fail("the fresh prefix already holds a HighScore value")
    context.name_dialog = play_to_the_name_dialog(context)


def typed_name_is_cut_and_heads_the_table(context):
    dialog = context.name_dialog
    # Spaces pressed while the dialog came up may have reached its edit.
    inspect(context.session, "set-text", dialog["hwnd"], IDC_SAVE_NAME, "")
    focus_window(context.session, dialog)
    press_keys(context.session, dialog, *["space" if c == " " else c for c in TYPED_NAME])
    wait_until("the typed name in the edit", lambda: control_texts(context, dialog).get(IDC_SAVE_NAME) == TYPED_NAME,
               5, detail=lambda: control_texts(context, dialog).get(IDC_SAVE_NAME))
    inspect(context.session, "click", dialog["hwnd"], IDOK)
    context.table = wait_for_dialog(context.session, "HighScore Table")
    texts = control_texts(context, context.table)
    names = [texts.get(IDC_HS_NAME_BASE + i) for i in range(10)]
    scores = [texts.get(IDC_HS_SCORE_BASE + i) for i in range(10)]
    if names != [TYPED_NAME[:14]] + ["Not Used"] * 9:
        fail("names %s" % names)
    if scores[1:] != ["00000000"] * 9:
        fail("scores %s" % scores)
    score, level = scores[0], texts.get(IDC_HS_LEVEL_BASE)
    if len(score) != 8 or not score.isdigit() or int(score) == 0 or len(level) != 2 or not level.isdigit():
        fail("first entry: score \"%s\", level \"%s\"" % (score, level))
    context.score_line = "Score: %d  Level: %d" % (int(score), int(level))
    context.names = names
    context.block = stored_block(context)
    if context.block is None or len(context.block) != 254:
        fail("HighScore is %s" % (None if context.block is None else "%d bytes" % len(context.block)))


def shows_game_over_with_score(context, score_line):
    """Whether the status reads Game Over and the score line, drawn like the
    status line just below it, reads score_line."""
    image = shot(context)
    return (shows_status(context.session, image, "Status: Game Over") and
            same_area(image, SCORE_LINE_X, SCORE_LINE_Y, status_image(context.session, score_line)))


def press_clear_list(context):
    inspect(context.session, "click", context.table["hwnd"], IDC_HS_CLEAR)
    box = wait_for_dialog(context.session, "Warning!")
    controls = dialog_controls(context.session, box)
    buttons = sorted((int(c["id"]), c["text"]) for c in controls if c["class"].lower() == "button")
    if buttons != [(IDYES, "&Yes"), (IDNO, "&No")] or static_texts(controls) != [CLEAR_TEXT]:
        fail("Clear List box: buttons %s, texts %s" % (buttons, static_texts(controls)))
    return box


def clear_list_answered_no_keeps_the_table(context):
    box = press_clear_list(context)
    inspect(context.session, "click", box["hwnd"], IDNO)
    wait_until_closed(context.session, box)
    names = [control_texts(context, context.table).get(IDC_HS_NAME_BASE + i) for i in range(10)]
    if names != context.names:
        fail("names after No: %s" % names)
    if stored_block(context) != context.block:
        fail("HighScore changed after No")


def clear_list_answered_yes_resets_the_table(context):
    box = press_clear_list(context)
    inspect(context.session, "click", box["hwnd"], IDYES)
    wait_until_closed(context.session, box)
    seen = {}

    def probe():
        texts = control_texts(context, context.table)
        seen["names"] = [texts.get(IDC_HS_NAME_BASE + i) for i in range(10)]
        seen["scores"] = [texts.get(IDC_HS_SCORE_BASE + i) for i in range(10)]
        return seen["names"] == ["Not Used"] * 10 and seen["scores"] == ["00000000"] * 10

    wait_until("ten \"Not Used\" entries with score 00000000", probe, 5, detail=lambda: seen)
    context.block = stored_block(context)
    if context.block is None or len(context.block) != 254:
        fail("HighScore after Clear List is %s" % context.block)
    inspect(context.session, "click", context.table["hwnd"], IDOK)
    wait_until_closed(context.session, context.table)
    # The dialogs covered the status and score lines of the finished game.
    line = context.score_line
    wait_until("\"Status: Game Over\" and the score line \"%s\"" % line,
               lambda: shows_game_over_with_score(context, line), 5)


def cancel_at_the_next_game_end_stores_nothing(context):
    context.name_dialog = play_to_the_name_dialog(context)
    inspect(context.session, "click", context.name_dialog["hwnd"], IDCANCEL)
    wait_until_closed(context.session, context.name_dialog)
    # The posted command is handled only once the game is back in its own
    # loop, or from inside a table dialog's loop had one opened.
    inspect(context.session, "command", context.window["hwnd"], IDM_ABOUT)
    about = wait_for_dialog(context.session, "About Pellorin")
    titles = [d["title"] for d in visible_dialogs(context.session)]
    if "HighScore Table" in titles:
        fail("a table opened after Cancel: %s" % titles)
    inspect(context.session, "click", about["hwnd"], IDOK)
    wait_until_closed(context.session, about)
    if stored_block(context) != context.block:
        fail("HighScore changed after Cancel")


STEPS = [
    ("the main window appears, with no message box", start_game),
    ("Space drops fill the board: \"Save Highscore\" and \"Status: Game Over\"", board_fills_and_the_name_dialog_appears),
    ("the typed name, cut to 14 characters, heads the table with the game's score; 254 bytes stored",
     typed_name_is_cut_and_heads_the_table),
    ("Clear List answered No keeps the table and the stored block", clear_list_answered_no_keeps_the_table),
    ("Clear List answered Yes shows ten \"Not Used\" entries; Close shows the game's end with its score", clear_list_answered_yes_resets_the_table),
    ("at the next game's end Cancel stores nothing and opens no table", cancel_at_the_next_game_end_stores_nothing),
]

if __name__ == "__main__":
    run_steps("e2e_high_scores", __doc__, STEPS)
