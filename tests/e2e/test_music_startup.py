"""Music at start-up: with MusicEnabled stored as 0 nothing plays and the
Music item is unchecked but enabled, M checks it and the exit saves 1; with
the music system unavailable (a build without its sound tracks) one message
box says so, the Music item is gray and unchecked, M still flips its mark and
the exit saves MusicEnabled from it."""
import os

from e2e_game import IDM_MUSIC, SETTINGS_KEY, item_state, quit_and_read_settings, start_game
from e2e_run import run_steps
from e2e_windows import message_box_text, wait_for_main_window
from e2e_wine import fail, focus_window, inspect_records, press_keys, run_wine_tool, start_program, wait_until

MUSIC_ERROR_CAPTION = "Error enabling music"
MUSIC_ERROR_TEXT = "The music system could not be initialized and will be disabled!"


def store_music_disabled(context):
    code, output = run_wine_tool(context.session, ["reg", "add", SETTINGS_KEY, "/v", "MusicEnabled",
                                                   "/t", "REG_DWORD", "/d", "0", "/f"])
    if code != 0:
        fail("reg add: %s" % output)


def music_disabled_starts_nothing(context):
    start_game(context)
    if item_state(context, IDM_MUSIC) != ("0", "0"):
        fail("Music item (checked, grayed) is %s, wants unchecked and enabled" % (item_state(context, IDM_MUSIC),))


def press_m_then_quit(context, grayed):
    """M checks the Music item (gray or not); Esc must then save MusicEnabled 1."""
    focus_window(context.session, context.window)
    press_keys(context.session, context.window, "m")
    wait_until("the Music item checked", lambda: item_state(context, IDM_MUSIC) == ("1", grayed), 5)
    code, values = quit_and_read_settings(context, lambda: press_keys(context.session, context.window, "Escape"))
    if code != 0 or values is None or values.get("MusicEnabled") != 1:
        fail("exit code %d, MusicEnabled %s" % (code, None if values is None else values.get("MusicEnabled")))


def m_switches_music_on_and_exit_saves_it(context):
    press_m_then_quit(context, "0")


def unavailable_music_is_reported_once(context):
    exe = os.environ.get("PELLORIN_EXE_WITHOUT_MUSIC", "")
    if not os.path.isfile(exe):
        fail("no program without sound tracks: %r" % exe)
    context.program = start_program(context.session, exe)
    boxes = []

    def read_box():
        for record in inspect_records(context.session, "list-windows"):
            if record["visible"] == "1" and record["class"] == "#32770":
                boxes.append(message_box_text(context.session, record))
                return True
        return False

    wait_until("the music message box", read_box, 30)
    if boxes[0] != "caption \"%s\", text \"%s\"" % (MUSIC_ERROR_CAPTION, MUSIC_ERROR_TEXT):
        fail("message box at start: %s" % boxes[0])
    wait_for_main_window(context, context.program, "PellorinWndClass", accept_boxes=(MUSIC_ERROR_CAPTION,))
    if context.start_boxes != [MUSIC_ERROR_CAPTION]:
        fail("boxes pressed at start: %s" % context.start_boxes)
    if item_state(context, IDM_MUSIC) != ("0", "1"):
        fail("Music item (checked, grayed) is %s, wants unchecked and gray" % (item_state(context, IDM_MUSIC),))


def m_still_flips_the_gray_item_and_exit_saves_it(context):
    press_m_then_quit(context, "1")
    if any(r["visible"] == "1" and r["class"] == "#32770" for r in inspect_records(context.session, "list-windows")):
        fail("a message box is still open")


STEPS = [
    ("MusicEnabled stored as 0", store_music_disabled),
    ("start: no message box, Music unchecked and enabled", music_disabled_starts_nothing),
    ("M checks Music; Esc saves MusicEnabled 1", m_switches_music_on_and_exit_saves_it),
    ("without sound tracks: one \"Error enabling music\" box, Music gray and unchecked",
     unavailable_music_is_reported_once),
    ("M flips the gray item; Esc saves MusicEnabled from it", m_still_flips_the_gray_item_and_exit_saves_it),
]

if __name__ == "__main__":
    run_steps("e2e_music_startup", __doc__, STEPS)
