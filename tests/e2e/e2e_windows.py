"""Working with a program's windows through the inspector: waiting for the
main window (and reporting message boxes that come instead), menus, dialogs
and client-area screenshots."""
from e2e_screen import client_shot
from e2e_wine import (fail, inspect, inspect_records, parse_records, program_output,
                      wait_until)


def dialog_controls(session, dialog):
    """The dialog's child controls as records (id, class, text, focus, ...)."""
    return parse_records(inspect(session, "dialog-texts", dialog["hwnd"])[1])[1:]


SS_TYPEMASK, SS_ICON = 0x1F, 0x03
TEXT_STATIC_TYPES = (0x00, 0x01, 0x02, 0x0B, 0x0C)   # left, centre, right, simple, no word wrap


def static_texts(controls):
    """The texts of the text statics (icon statics answer with a resource id)."""
    return [c["text"] for c in controls if c["class"].lower() == "static" and c["text"] and
            int(c["style"], 16) & SS_TYPEMASK in TEXT_STATIC_TYPES]


def icon_statics(controls):
    return [c for c in controls if c["class"].lower() == "static" and int(c["style"], 16) & SS_TYPEMASK == SS_ICON]


def message_box_text(session, box):
    texts = static_texts(dialog_controls(session, box))
    return "caption \"%s\", text \"%s\"" % (box.get("title", ""), " / ".join(texts))


def visible_dialogs(session):
    return inspect_records(session, "list-dialogs")


def wait_for_dialog(session, title, timeout=10):
    def probe():
        for dialog in visible_dialogs(session):
            if dialog["title"] == title and dialog["xid"] != "0x0":
                return dialog
        return None

    return wait_until("a dialog titled \"%s\"" % title, probe, timeout,
                      detail=lambda: [d["title"] for d in visible_dialogs(session)])


def wait_until_closed(session, window, timeout=10):
    def probe():
        return all(record["hwnd"] != window["hwnd"] for record in inspect_records(session, "list-windows"))

    wait_until("window %s to close" % window["hwnd"], probe, timeout)


def wait_for_main_window(context, program, window_class, accept_boxes=()):
    """Waits until the program shows a visible window of window_class with
    its X window. A message box that appears instead fails the check with its
    caption and text, unless its caption is in accept_boxes: then its OK
    button is pressed and the caption kept in context.start_boxes."""
    session = context.session
    context.start_boxes = []
    pressed = set()

    def probe():
        if program.process.poll() is not None:
            fail("the program ended during start-up with exit code %d; output: %s"
                 % (program.process.returncode, program_output(program).strip()[-500:]))
        for record in inspect_records(session, "list-windows"):
            if record["visible"] != "1":
                continue
            if record["class"] == "#32770":
                if record["title"] not in accept_boxes:
                    fail("message box at start: " + message_box_text(session, record))
                if record["hwnd"] not in pressed:
                    pressed.add(record["hwnd"])
                    context.start_boxes.append(record["title"])
                    inspect(session, "click", record["hwnd"], 1)
                continue
            if record["class"] == window_class and record["xid"] != "0x0":
                return record
        return None

    window = wait_until("a window of class %s" % window_class, probe, 30, interval=0.1)
    context.window = window
    context.rect = inspect_records(session, "client-rect", window["hwnd"])[0]
    return window


def menu_items(session, window):
    return inspect_records(session, "menu", window["hwnd"])


def menu_item(session, window, item_id):
    for item in menu_items(session, window):
        if item.get("id") == str(item_id) and item.get("type") == "string":
            return item
    fail("the menu has no item %d" % item_id)


def shot(context):
    """A screenshot of the main window's client area."""
    return client_shot(context.session, context.rect)
