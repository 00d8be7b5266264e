"""Working with a program's windows through the inspector: waiting for the
main window (and reporting message boxes that come instead), menus, dialogs
and client-area screenshots."""
from e2e_screen import client_shot, crop, grab_screen, pixel, save_ppm
from e2e_wine import (fail, focus_window, inspect, inspect_records, parse_records, program_output,
                      wait_until, xdotool)


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


def wait_for_main_window(context, program, window_class, accept_boxes=(), timeout=30):
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

    window = wait_until("a window of class %s" % window_class, probe, timeout, interval=0.1)
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


# ---- A menu read from the screen ---------------------------------------------
# A 64-bit inspector cannot load its hook into a 32-bit program, so the menu
# of a 32-bit program is read as a player reads it: the popup opened from the
# keyboard, the wanted item highlighted with Down, and the check mark looked
# for in the highlighted row left of the item's text.

CHECK_COLUMN_WIDTH = 14   # from the highlight's left edge; the text starts further right
MIN_HIGHLIGHT_ROWS = 8    # taller than any separator line
SCREEN_CORNER = (1023, 767)   # with-xvfb's screen: beside every window


def open_popups(session):
    return [w for w in inspect_records(session, "list-windows") if w["class"] == "#32768" and w["visible"] == "1"]


def window_rect(session, hwnd):
    details = parse_records(inspect(session, "window-info", hwnd)[1].splitlines()[1])[0]
    left, top, right, bottom = (int(v) for v in details["window_rect"].split(","))
    return left, top, right - left, bottom - top


def highlighted_row(image):
    """(top, height, left, colour) of the popup's highlighted item: the
    tallest run of rows whose pixel near the right edge has one colour other
    than the popup's own background; None when no item is highlighted."""
    background = pixel(image, 2, 2) if image.width > 2 and image.height > 2 else None
    x = image.width - 8
    best, run_top, run_colour = None, None, None
    for y in range(image.height + 1):
        colour = pixel(image, x, y) if y < image.height else None
        if colour != run_colour:
            if run_colour not in (None, background) and y - run_top >= MIN_HIGHLIGHT_ROWS:
                if best is None or y - run_top > best[1]:
                    best = (run_top, y - run_top, run_colour)
            run_top, run_colour = y, colour
    if best is None:
        return None
    top, height, colour = best
    middle = top + height // 2
    left = next(i for i in range(image.width) if pixel(image, i, middle) == colour)
    return top, height, left, colour


def check_mark_shown(image, row):
    top, height, left, colour = row
    return any(pixel(image, x, y) != colour for y in range(top + 1, top + height - 1)
               for x in range(left, min(left + CHECK_COLUMN_WIDTH, image.width)))


def popup_shot(session, popup):
    path, screen = grab_screen(session)
    left, top, width, height = popup["rect"]
    image = crop(screen, left, top, width, height)
    save_ppm(image, path)
    image.path = path
    return image


def menu_item_checked_on_screen(context, menu_key, position):
    """Whether item `position` (counted from 0 among the items that are not
    separators) of the menu bar's popup opened with Alt+menu_key shows a
    check mark. The popup is closed again with a click beside it, which
    ends the menu without reaching the program."""
    session, window = context.session, context.window
    if open_popups(session):
        fail("a popup menu is already open")
    focus_window(session, window)
    xdotool(session, "windowfocus", window["xid"], "key", "alt+" + menu_key)
    popup = wait_until("the popup menu open", lambda: open_popups(session), 5)[0]
    popup["rect"] = window_rect(session, popup["hwnd"])
    seen = {}

    def highlight():
        image = popup_shot(session, popup)
        seen.update(file=image.path, row=highlighted_row(image))
        return (image, seen["row"]) if seen["row"] else None

    first_top = wait_until("the first menu item highlighted", highlight, 5, detail=lambda: seen)[1][0]
    result = {}
    if position:
        xdotool(session, "key", "--delay", "40", *(["Down"] * position))

    def moved_and_still():
        image, row = highlight() or (None, None)
        if row is None or (position and row[0] == first_top):
            result.clear()
            return False
        if result.get("row") == row:
            return True
        result.update(row=row, image=image)
        return False

    try:
        wait_until("the highlight on menu item %d" % position, moved_and_still, 5, detail=lambda: seen)
        return check_mark_shown(result["image"], result["row"])
    finally:
        xdotool(session, "mousemove", SCREEN_CORNER[0], SCREEN_CORNER[1], "click", "1")
        wait_until("the popup menu closed", lambda: not open_popups(session), 5)
