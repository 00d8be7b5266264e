"""The game as players get it: the 32-bit build (the one shipped, since
DirectMusic's performance layer exists only for 32-bit programs) in a 64-bit
prefix, driven by the 64-bit inspector and xdotool. Each 32-bit start may
cost a minute where the machine emulates i386, so one launch plays the whole
session: the first frame, the Music check mark, F2 and the DirectInput keys,
a game dropped to its end, the name entered into the table, the upload to
the real score server and its verdict, M flipping the Music item, Settings
opened and closed, and Esc quitting with MusicEnabled and HighScore stored.
Menus are read from the screen: a 64-bit hook cannot enter the game."""
import os
import subprocess
import sys

import test_upload as upload
from e2e_game import (IDM_SETTINGS, SETTINGS_KEY, f2_starts_a_game_with_the_previewed_piece, press,
                      quit_and_read_settings, shows_status, start_game)
from e2e_run import SKIPPED, run_steps
from e2e_windows import menu_item_checked_on_screen, shot, wait_for_dialog, wait_until_closed
from e2e_wine import fail, focus_window, inspect, is_32bit_exe, press_keys, wait_until
from test_game_play import arrows_shift_the_piece, up_rotates_the_piece
from test_game_start import first_frame_board_status_and_preview

# Under qemu the 32-bit program's window comes about a minute after launch.
START_TIMEOUT = 240
GAME_MENU_KEY = "g"
MUSIC_POSITION = 2   # New Game, Pause, Music: separators are not counted
I386_LOADER = "/lib/ld-linux.so.2"

# The stored HighScore block: XOR-scrambled with a 16-byte key; names in
# 16-byte slots from offset 2, levels (one byte) from 162, scores (four
# bytes, little-endian) from 172.
SCRAMBLE_KEY = bytes.fromhex("3CA1075E92D4186BF04E2A87C359E611")
NAMES_AT, NAME_SLOT, LEVELS_AT, SCORES_AT, BLOCK_SIZE = 2, 16, 162, 172, 254


def start_the_shipped_game(context):
    if not is_32bit_exe(context.exe):
        fail("%s is not a 32-bit program" % context.exe)
    loader = subprocess.run([I386_LOADER, "--version"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    if loader.returncode != 0:
        fail("32-bit programs cannot start on this machine (scripts/setup registers qemu-i386 for them)")
    context.start_timeout = START_TIMEOUT
    start_game(context)


def music_checked(context):
    return menu_item_checked_on_screen(context, GAME_MENU_KEY, MUSIC_POSITION)


def music_is_checked_at_start(context):
    if not music_checked(context):
        fail("the Music item is not checked at start")


def close_the_table_to_the_finished_game(context):
    inspect(context.session, "click", context.table["hwnd"], 1)
    wait_until_closed(context.session, context.table)
    wait_until("\"Status: Game Over\"",
               lambda: shows_status(context.session, shot(context), "Status: Game Over"), 5)


def m_flips_the_music_item(context):
    focus_window(context.session, context.window)
    press(context, "m")
    # The reader opens and closes the menu each time: wait for the redrawn state.
    wait_until("the Music item unchecked", lambda: not music_checked(context), 10)


def settings_opens_and_closes_on_escape(context):
    inspect(context.session, "command", context.window["hwnd"], IDM_SETTINGS)
    dialog = wait_for_dialog(context.session, "Settings")
    if dialog["owner"] != context.window["hwnd"]:
        fail("the Settings dialog's owner is %s" % dialog["owner"])
    focus_window(context.session, dialog)
    press_keys(context.session, dialog, "Escape")
    wait_until_closed(context.session, dialog)


def unscrambled(block):
    return bytes(b ^ SCRAMBLE_KEY[i % len(SCRAMBLE_KEY)] for i, b in enumerate(block))


def escape_quits_and_stores_music_and_scores(context):
    focus_window(context.session, context.window)
    code, values = quit_and_read_settings(context, lambda: press(context, "Escape"))
    if code != 0:
        fail("exit code %d" % code)
    values = values or {}
    if values.get("MusicEnabled") != 0:
        fail("MusicEnabled is %s, the Music item was unchecked" % values.get("MusicEnabled"))
    block = values.get("HighScore")
    if not isinstance(block, bytes) or len(block) != BLOCK_SIZE:
        fail("HighScore is %r" % block)
    plain = unscrambled(block)
    name = plain[NAMES_AT:NAMES_AT + NAME_SLOT].split(b"\0")[0].decode("latin-1")
    level = plain[LEVELS_AT]
    score = int.from_bytes(plain[SCORES_AT:SCORES_AT + 4], "little")
    if (name, level, score) != (upload.PLAYER, context.level, context.score):
        fail("first stored entry %r, level %d, score %d; the table showed %r, level %d, score %d"
             % (name, level, score, upload.PLAYER, context.level, context.score))


STEPS = [
    ("the score server starts on a free loopback port", upload.start_score_server),
    ("GameServer and the browser point at the test", upload.point_the_game_and_the_browser_at_the_test),
    ("the 32-bit game shows its main window, with no message box", start_the_shipped_game),
    ("first frame: full random board, \"Status: Ready\", next-shape preview", first_frame_board_status_and_preview),
    ("the Music item is checked at start", music_is_checked_at_start),
    ("F2 starts a game: the previewed piece at the top of a cleared board", f2_starts_a_game_with_the_previewed_piece),
    ("Left and Right (X keys and SendInput) shift the piece", arrows_shift_the_piece),
    ("Up rotates the piece", up_rotates_the_piece),
    ("F2 and Space until \"Save Highscore\" appears", upload.play_until_save_highscore),
    ("the entered name heads the HighScore Table", upload.enter_the_name_and_see_the_table),
    ("Upload to Server: \"Success! Your Scores are Uploaded\"", upload.upload_reports_success),
    ("closing the table shows \"Status: Game Over\"", close_the_table_to_the_finished_game),
    ("M unchecks the Music item", m_flips_the_music_item),
    ("Settings opens from the menu command and closes on Esc", settings_opens_and_closes_on_escape),
    ("Esc quits with code 0, MusicEnabled 0 and the entry in HighScore", escape_quits_and_stores_music_and_scores),
]


def main():
    upload.SERVER["program"] = upload.server_program()
    if upload.SERVER["program"] is None:
        print("SKIP: no pellorin-score-server (build the native preset first)")
        sys.exit(SKIPPED)
    artifacts = sys.argv[sys.argv.index("--artifacts") + 1] if "--artifacts" in sys.argv[:-1] else None
    name = os.path.basename(artifacts) if artifacts else "e2e_shipped_win32"
    failed = True
    try:
        run_steps(name, __doc__, STEPS)
    except SystemExit as end:
        failed = end.code not in (0, SKIPPED)
        raise
    finally:
        upload.stop_server(artifacts if failed else None)


if __name__ == "__main__":
    main()
