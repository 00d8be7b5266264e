"""The end-to-end harness checked against its own small window program:
finding windows, message boxes at start and later, the menu read through the
hook DLL, X and SendInput keys, screenshots and status text, a second copy
watched from start to end, and a registry value written at exit."""
from e2e_game import blocks_of, read_board, shows_status
from e2e_run import run_steps
from e2e_windows import (dialog_controls, menu_items, shot, wait_for_main_window,
                         wait_until_closed)
from e2e_wine import (CheckFailed, export_registry, fail, focus_window, inspect, inspect_records,
                      parse_records, press_keys, program_output, start_inspect, start_program,
                      wait_for_exit, wait_until, windows_path)

SAMPLE_CLASS = "PellorinE2eSample"
SAMPLE_KEY = "HKCU\\Software\\Tovrin-Works\\PellorinE2eSample"

SAMPLE_MENU = [
    # level id      type         checked grayed text
    ("0", "65535", "string",    "0",    "0",   ""),
    ("0", None,    "popup",     "0",    "0",   "&File"),
    ("1", "100",   "string",    "1",    "0",   "&Toggle\tT"),
    ("1", None,    "separator", None,   None,  ""),
    ("1", "101",   "string",    "0",    "1",   "&Locked"),
    ("1", "102",   "string",    "0",    "0",   "&Box...\tB"),
    ("1", "103",   "string",    "0",    "0",   "&Quit\tEsc"),
]


def start_box_is_reported_then_accepted(context):
    program = start_program(context.session, context.exe, "box")
    context.program = program
    try:
        wait_for_main_window(context, program, SAMPLE_CLASS)
    except CheckFailed as problem:
        if "Sample box" not in str(problem) or "Hello from the sample" not in str(problem):
            fail("the report does not name the box: %s" % problem)
    else:
        fail("the message box at start was not reported")
    wait_for_main_window(context, program, SAMPLE_CLASS, accept_boxes=("Sample box",))
    if context.start_boxes != ["Sample box"]:
        fail("accepted boxes: %s" % context.start_boxes)


def window_geometry_and_menu(context):
    info = inspect(context.session, "window-info", context.window["hwnd"])[1].splitlines()
    style = parse_records(info[1])[0]["style"]
    if int(style, 16) & 0x00CA0000 != 0x00CA0000:
        fail("style %s" % style)
    if (context.rect["width"], context.rect["height"]) != ("200", "432"):
        fail("client area %sx%s" % (context.rect["width"], context.rect["height"]))
    items = menu_items(context.session, context.window)
    seen = [(i["level"], i["id"], i["type"], i["checked"], i["grayed"], i["text"]) for i in items]
    expected_shape = [tuple(s if e is None else e for s, e in zip(got, want))
                      for got, want in zip(seen, SAMPLE_MENU)]
    if len(seen) != len(SAMPLE_MENU) or seen != expected_shape:
        fail("menu read back as %s" % seen)


def block_at(context, cell):
    def probe():
        blocks = blocks_of(read_board(shot(context)))
        context.last_blocks = blocks
        return blocks == {cell: 0}

    wait_until("the block at %s" % (cell,), probe, 5, detail=lambda: context.last_blocks)


def keys_move_the_block(context):
    block_at(context, (3, 0))
    focus_window(context.session, context.window)
    press_keys(context.session, context.window, "Right", "Right", "Down")
    block_at(context, (5, 1))
    inspect(context.session, "send-keys", "left")
    block_at(context, (4, 1))


def status_text_is_exact(context):
    image = shot(context)
    if not shows_status(context.session, image, "Sample: Ready"):
        fail("the status text differs from its rendering (see %s)" % image.path)
    if shows_status(context.session, image, "Sample: Read"):
        fail("a shorter text matched as well")


def second_copy_ends_without_a_window(context):
    record = inspect_records(context.session, "run", 15000, windows_path(context.exe))[-1]
    if (record["ended"], record["exit_code"], record["windows"]) != ("1", "0", "0"):
        fail("second copy: %s" % record)


def message_box_on_key(context):
    press_keys(context.session, context.window, "b")
    record = parse_records(inspect(context.session, "message-box", 10000)[1])[0]
    if (record["caption"], record["text"]) != ("Sample box", "Hello from the sample"):
        fail("message box %s" % record)
    controls = dialog_controls(context.session, record)
    if not any(c["id"] == "1" and c["text"] == "OK" and c["focus"] == "1" for c in controls):
        fail("no focused OK button in %s" % controls)
    inspect(context.session, "set-text", record["hwnd"], 0xFFFF, "Changed from outside")
    if parse_records(inspect(context.session, "message-box", 10000)[1])[0]["text"] != "Changed from outside":
        fail("set-text did not change the message text")
    inspect(context.session, "message-box", 10000, 1)
    wait_until_closed(context.session, record)


def toggle_key_flips_the_check_mark(context):
    focus_window(context.session, context.window)
    press_keys(context.session, context.window, "t")

    def unchecked():
        return [i for i in menu_items(context.session, context.window) if i.get("id") == "100"][0]["checked"] == "0"

    wait_until("the Toggle item unchecked", unchecked, 5)


def escape_ends_and_saves(context):
    waiter = start_inspect(context.session, "wait-exit", context.window["pid"], 20000)
    wait_until("wait-exit to hold the process", lambda: "waiting=1" in program_output(waiter), 10)
    press_keys(context.session, context.window, "Escape")
    code = wait_for_exit(context.program, 20)
    if code != 0:
        fail("exit code %d" % code)
    if wait_for_exit(waiter, 20) != 0 or "exited=1\texit_code=0" not in program_output(waiter):
        fail("wait-exit printed %r" % program_output(waiter))
    values = export_registry(context.session, SAMPLE_KEY)
    if values is None or values.get("Moves") != 4:
        fail("registry values %s" % values)


STEPS = [
    ("a message box at start is reported with its text, or accepted", start_box_is_reported_then_accepted),
    ("window style, client size and the menu through the hook", window_geometry_and_menu),
    ("X keys and SendInput keys move the block on the screenshots", keys_move_the_block),
    ("the status text matches its rendering exactly", status_text_is_exact),
    ("a second copy ends with code 0 and no window", second_copy_ends_without_a_window),
    ("a message box is read, its text set, and closed with its OK button", message_box_on_key),
    ("a key flips a menu check mark", toggle_key_flips_the_check_mark),
    ("Esc ends the program with code 0 (also seen by wait-exit) and its registry value", escape_ends_and_saves),
]

if __name__ == "__main__":
    run_steps("e2e_harness_sample", __doc__, STEPS)
