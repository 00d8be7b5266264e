"""A keyboard that cannot be opened: the game (a build whose DirectInput
refuses) shows one message box with the information icon, "Direct input
could not be initialised, Pellorin will be closed!" under "Error
initialising the input system", shows no game window, ends with exit code 0
once OK is pressed, and its shutdown has saved MusicEnabled and nothing else."""
from e2e_game import SETTINGS_KEY
from e2e_run import run_steps
from e2e_windows import dialog_controls, icon_statics, message_box_text
from e2e_wine import export_registry, fail, inspect, inspect_records, start_program, wait_for_exit, wait_until

CAPTION = "Error initialising the input system"
TEXT = "Direct input could not be initialised, Pellorin will be closed!"


def visible_windows(context):
    return [r for r in inspect_records(context.session, "list-windows") if r["visible"] == "1"]


def one_box_says_so(context):
    context.program = start_program(context.session, context.exe)

    def box():
        if context.program.process.poll() is not None:
            fail("the program ended with exit code %d before any message" % context.program.process.returncode)
        boxes = [r for r in visible_windows(context) if r["class"] == "#32770"]
        return boxes[0] if boxes else None

    record = wait_until("the input system message box", box, 60)
    said = message_box_text(context.session, record)
    if said != "caption \"%s\", text \"%s\"" % (CAPTION, TEXT):
        fail("message box: %s" % said)
    if not icon_statics(dialog_controls(context.session, record)):
        fail("the message box shows no icon")
    if any(r["class"] == "PellorinWndClass" for r in visible_windows(context)):
        fail("the game window is shown beside the message")
    context.box = record


def ok_ends_the_program_with_code_0(context):
    inspect(context.session, "click", context.box["hwnd"], 1)
    code = wait_for_exit(context.program, 20)
    if code != 0:
        fail("exit code %d" % code)
    # The prefix starts without the key; music starts under Wine, so the
    # shutdown saves MusicEnabled 1, and nothing else was written.
    values = export_registry(context.session, SETTINGS_KEY)
    if values != {"MusicEnabled": 1}:
        fail("the program's key after the exit holds %s, wants MusicEnabled 1 alone" % (values,))


STEPS = [
    ("one \"Error initialising the input system\" box with the information icon", one_box_says_so),
    ("OK ends the program with exit code 0 and MusicEnabled saved", ok_ends_the_program_with_code_0),
]

if __name__ == "__main__":
    run_steps("e2e_keyboard_unavailable", __doc__, STEPS)
