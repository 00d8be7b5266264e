"""Remapping a game key in the Settings dialog as a player does: the dialog
opens from the Game menu's command, a mouse click on the Move Left field
makes it wait for a key, the A key is taken and named, OK stores the new
KeyMapping in the registry, and in the next game A moves the piece left
while the Left arrow no longer does."""
from e2e_game import IDM_SETTINGS, SETTINGS_KEY, f2_starts_a_game_with_the_previewed_piece, follow, press, start_game
from e2e_resources import IDC_KEY_DROP, IDC_KEY_MOVE_LEFT
from e2e_run import run_steps
from e2e_windows import dialog_controls, wait_for_dialog, wait_until_closed
from e2e_wine import (export_registry, fail, focus_window, inspect, parse_records, press_keys,
                      wait_until, xdotool)

KEY_FIELDS = range(IDC_KEY_MOVE_LEFT, IDC_KEY_DROP + 1)
IDOK = 1
# KeyMapping after A (scan code 0x1E) replaces Left: the other four keys keep
# their defaults (Right, Up, Down extended; Space).
REMAPPED_KEYS = bytes.fromhex("1E00" "4D01" "4801" "5001" "3900")


def control_texts(context, dialog):
    return {int(c["id"]): c["text"] for c in dialog_controls(context.session, dialog)}


def control_record(context, dialog, control_id):
    for control in dialog_controls(context.session, dialog):
        if int(control["id"]) == control_id:
            return control
    fail("the dialog has no control %d" % control_id)


def mouse_click(context, dialog, control_id):
    """A left click with the real pointer at the centre of the control's
    screen rectangle (Wine's screen is the X root window)."""
    hwnd = control_record(context, dialog, control_id)["hwnd"]
    details = parse_records(inspect(context.session, "window-info", hwnd)[1].splitlines()[1])[0]
    left, top, right, bottom = (int(v) for v in details["window_rect"].split(","))
    xdotool(context.session, "mousemove", (left + right) // 2, (top + bottom) // 2, "click", 1)


def wait_for_field_text(context, text, what):
    seen = {}

    def probe():
        seen["texts"] = control_texts(context, context.dialog)
        return seen["texts"].get(IDC_KEY_MOVE_LEFT) == text

    wait_until(what, probe, 5, detail=lambda: {i: seen["texts"].get(i) for i in KEY_FIELDS})
    return seen["texts"]


def settings_dialog_opens_from_the_menu_command(context):
    inspect(context.session, "command", context.window["hwnd"], IDM_SETTINGS)
    context.dialog = wait_for_dialog(context.session, "Settings")
    if context.dialog["owner"] != context.window["hwnd"]:
        fail("the Settings dialog's owner is %s" % context.dialog["owner"])
    context.before = control_texts(context, context.dialog)
    if not all(context.before.get(i) for i in KEY_FIELDS):
        fail("key fields without a key name: %s" % {i: context.before.get(i) for i in KEY_FIELDS})


def click_on_move_left_and_press_a(context):
    focus_window(context.session, context.dialog)
    mouse_click(context, context.dialog, IDC_KEY_MOVE_LEFT)
    wait_for_field_text(context, "Press a key", "the Move Left field waiting (\"Press a key\")")
    press_keys(context.session, context.dialog, "a")
    after = wait_for_field_text(context, "A", "the Move Left field naming the A key")
    changed = {i: (context.before.get(i), after.get(i)) for i in KEY_FIELDS[1:]
               if after.get(i) != context.before.get(i)}
    if changed:
        fail("other key fields changed (before, after): %s" % changed)


def ok_stores_the_new_key_mapping(context):
    mouse_click(context, context.dialog, IDOK)
    wait_until_closed(context.session, context.dialog)
    values = export_registry(context.session, SETTINGS_KEY) or {}
    stored = values.get("KeyMapping")
    if stored != REMAPPED_KEYS:
        fail("KeyMapping is %s, wants %s" % (None if stored is None else stored.hex(" "),
                                              REMAPPED_KEYS.hex(" ")))


def a_moves_the_piece_left_and_left_arrow_does_not(context):
    f2_starts_a_game_with_the_previewed_piece(context)
    rotation, column, row = context.place
    press(context, "a")
    follow(context, "the piece one column left after A", lambda p: p[:2] == (rotation, column - 1) and p[2] >= row)
    # Keys are handled in order: once Right has moved the piece, Left has had
    # its turn, so a piece one column right of the A place shows Left did nothing.
    rotation, column, row = context.place
    press(context, "Left", "Right")
    follow(context, "the piece one column right after Left, Right (Left ignored)",
           lambda p: p[:2] == (rotation, column + 1) and p[2] >= row)


STEPS = [
    ("the main window appears, with no message box", start_game),
    ("the Settings dialog opens from the menu command, owned by the main window", settings_dialog_opens_from_the_menu_command),
    ("a click on Move Left waits for a key, A is taken and named", click_on_move_left_and_press_a),
    ("OK closes the dialog and stores KeyMapping 1E 00 ...", ok_stores_the_new_key_mapping),
    ("in a new game A moves the piece left, the Left arrow no longer does", a_moves_the_piece_left_and_left_arrow_does_not),
]

if __name__ == "__main__":
    run_steps("e2e_settings_remap", __doc__, STEPS)
