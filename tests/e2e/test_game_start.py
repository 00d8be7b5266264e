"""The game as a player first meets it: the main window's class, title,
style and client size, the menu with its ids and states, the first frame
(a full random board, the Ready status, the next-shape preview), a second
copy that ends at once without a window, the About dialog, and Quit from
the menu saving MusicEnabled."""
from e2e_game import (CLIENT_HEIGHT, CLIENT_WIDTH, GAME_CLASS, GAME_MENU, GAME_TITLE, IDM_ABOUT, IDM_MUSIC, IDM_QUIT,
                      blocks_of, item_state, music_item_expected, odd_cells, quit_and_read_settings,
                      read_board, read_preview, shows_status, start_game)
from e2e_run import run_steps
from e2e_windows import (dialog_controls, icon_statics, menu_items, shot, static_texts, wait_for_dialog,
                         wait_until_closed)
from e2e_wine import (fail, focus_window, inspect, inspect_records, parse_records, press_keys,
                      wait_until, windows_path)

WS_THICKFRAME, WS_MAXIMIZEBOX, WS_SYSMENU = 0x00040000, 0x00010000, 0x00080000
WS_EX_WINDOWEDGE = 0x00000100   # added by the platform for captioned windows


def window_class_title_style_and_size(context):
    lines = inspect(context.session, "window-info", context.window["hwnd"])[1].splitlines()
    window, details = parse_records(lines[0])[0], parse_records(lines[1])[0]
    if (window["class"], window["title"]) != (GAME_CLASS, GAME_TITLE):
        fail("class \"%s\", title \"%s\"" % (window["class"], window["title"]))
    style, exstyle = int(details["style"], 16), int(details["exstyle"], 16)
    if style & 0x00CA0000 != 0x00CA0000 or style & (WS_THICKFRAME | WS_MAXIMIZEBOX):
        fail("style 0x%08x: wants caption, system menu and minimise box, no sizing border or maximise box" % style)
    if exstyle & ~WS_EX_WINDOWEDGE:
        fail("extended style 0x%08x" % exstyle)
    size = (int(context.rect["width"]), int(context.rect["height"]))
    if size != (CLIENT_WIDTH, CLIENT_HEIGHT):
        fail("client area %d x %d" % size)


def menu_texts_ids_and_states(context):
    items = menu_items(context.session, context.window)
    bar = [i for i in items if i.get("level") == "0"]
    game = [i for i in items if i.get("level") == "1"]
    # An item with empty text: Wine reports it as a separator, so only its
    # id and text are looked at.
    if [(i["id"], i["text"]) for i in bar[:1]] != [("65535", "")]:
        fail("first menu bar entry: %s" % bar[:1])
    if len(bar) != 2 or (bar[1]["type"], bar[1]["text"]) != ("popup", "&Game"):
        fail("menu bar: %s" % [(i["type"], i["text"]) for i in bar])
    expected = []
    for text, item_id, checked, grayed in GAME_MENU:
        if item_id == IDM_MUSIC:
            checked, grayed = music_item_expected(context)
        if item_id is None:
            expected.append(("separator", None, None, None, ""))
        else:
            expected.append(("string", str(item_id), str(checked), str(grayed), text))
    seen = [(i["type"], i["id"], i["checked"], i["grayed"], i["text"]) if i["type"] != "separator"
            else ("separator", None, None, None, "") for i in game]
    if seen != expected:
        fail("Game menu:\n  seen     %s\n  expected %s" % (seen, expected))


def first_frame_board_status_and_preview(context):
    seen = {}

    def probe():
        image = shot(context)
        board = read_board(image)
        blocks = blocks_of(board)
        seen.update(file=image.path, blocks=len(blocks), odd=sorted(odd_cells(board).items())[:4],
                    preview=read_preview(image), colours=len(set(blocks.values())),
                    ready=shows_status(context.session, image, "Status: Ready"))
        return seen["blocks"] == 200 and seen["colours"] >= 3 and seen["ready"] and seen["preview"] is not None

    wait_until("a full random board, \"Status: Ready\" and the preview", probe, 10, detail=lambda: seen)


def second_copy_ends_without_a_window(context):
    record = inspect_records(context.session, "run", 20000, windows_path(context.exe))[-1]
    if (record["ended"], record["exit_code"], record["windows"]) != ("1", "0", "0"):
        fail("second copy: %s" % record)
    if int(record["milliseconds"]) > 5000:
        fail("the second copy took %s ms to end" % record["milliseconds"])
    games = [w for w in inspect_records(context.session, "list-windows", GAME_CLASS)]
    if [w["hwnd"] for w in games] != [context.window["hwnd"]] or games[0]["visible"] != "1":
        fail("game windows after the second copy: %s" % games)


def check_about_dialog(context, dialog):
    controls = dialog_controls(context.session, dialog)
    buttons = [c for c in controls if c["class"].lower() == "button"]
    if [(b["id"], b["text"], b["focus"]) for b in buttons] != [("1", "OK", "1")]:
        fail("About buttons (id, text, focus): %s" % [(b["id"], b["text"], b["focus"]) for b in buttons])
    texts = static_texts(controls)
    if len(texts) != 2 or len(icon_statics(controls)) != 1:
        fail("About: text lines %s, %d icons" % (texts, len(icon_statics(controls))))
    style = int(parse_records(inspect(context.session, "window-info", dialog["hwnd"])[1].splitlines()[1])[0]["style"], 16)
    if style & WS_SYSMENU:
        fail("the About dialog has a system menu (style 0x%08x)" % style)
    if dialog["owner"] != context.window["hwnd"]:
        fail("the About dialog's owner is %s" % dialog["owner"])


def close_about_with_key(context, dialog, key):
    focus_window(context.session, dialog)
    press_keys(context.session, dialog, key)
    wait_until_closed(context.session, dialog)
    focus_window(context.session, context.window)


def about_from_the_keyboard_menu_closes_on_escape(context):
    focus_window(context.session, context.window)
    press_keys(context.session, context.window, "alt+g")
    wait_until("the Game menu open", lambda: any(
        w["class"] == "#32768" and w["visible"] == "1" for w in inspect_records(context.session, "list-windows")), 5)
    press_keys(context.session, context.window, "a")
    dialog = wait_for_dialog(context.session, "About Pellorin")
    check_about_dialog(context, dialog)
    close_about_with_key(context, dialog, "Escape")


def about_from_the_menu_command_closes_on_enter(context):
    inspect(context.session, "command", context.window["hwnd"], IDM_ABOUT)
    dialog = wait_for_dialog(context.session, "About Pellorin")
    check_about_dialog(context, dialog)
    close_about_with_key(context, dialog, "Return")


def quit_from_menu_saves_music_state(context):
    music_checked = item_state(context, IDM_MUSIC)[0]
    code, values = quit_and_read_settings(
        context, lambda: inspect(context.session, "command", context.window["hwnd"], IDM_QUIT))
    if code != 0:
        fail("exit code %d" % code)
    if values is None or values.get("MusicEnabled") != int(music_checked):
        fail("MusicEnabled is %s, the Music item was %s" % (None if values is None else values.get("MusicEnabled"),
                                                           "checked" if music_checked == "1" else "unchecked"))


STEPS = [
    ("the main window appears, with no message box", start_game),
    ("class, title, style and a 200 x 432 client area", window_class_title_style_and_size),
    ("menu texts, ids, check marks and gray states", menu_texts_ids_and_states),
    ("first frame: full random board, \"Status: Ready\", next-shape preview", first_frame_board_status_and_preview),
    ("a second copy ends at once with code 0 and shows no window", second_copy_ends_without_a_window),
    ("About from the keyboard menu (Alt+G, A): OK focused, closes on Esc", about_from_the_keyboard_menu_closes_on_escape),
    ("About from the menu command closes on Enter", about_from_the_menu_command_closes_on_enter),
    ("Quit from the menu ends with code 0 and saves MusicEnabled", quit_from_menu_saves_music_state),
]

if __name__ == "__main__":
    run_steps("e2e_game_start", __doc__, STEPS)
