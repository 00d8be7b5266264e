"""What the end-to-end tests know about the game's window and picture:
class and title, the menu, the block colours and piece shapes, and how a
screenshot of the client area is read back into board cells."""
import os
import re
import time

from e2e_resources import (IDM_ABOUT, IDM_HELP, IDM_HIGH_SCORE, IDM_MUSIC, IDM_NEW_GAME, IDM_PAUSE,  # noqa: F401
                           IDM_QUIT, IDM_SETTINGS)
from e2e_screen import parse_text_image, pixel, same_area
from e2e_windows import menu_item, shot, visible_dialogs, wait_for_main_window
from e2e_wine import (export_registry, fail, focus_window, inspect, press_keys, start_program, wait_for_exit,
                      wait_until)

GAME_CLASS = "PellorinWndClass"
GAME_TITLE = "Pellorin"
SETTINGS_KEY = "HKCU\\Software\\Tovrin-Works\\Pellorin"


def read_screen_layout():
    """{name: pixels} from the renderer's layout table, whose entries read
    "Name = number," one to a line."""
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "app", "screen_layout.h")
    with open(path) as header:
        layout = {name: int(value) for name, value in re.findall(r"^\s*(\w+)\s*=\s*(-?\d+)\s*,", header.read(), re.M)}
    if not layout:
        raise RuntimeError("no layout entries in %s" % path)
    return layout


LAYOUT = read_screen_layout()
CLIENT_WIDTH, CLIENT_HEIGHT = LAYOUT["ClientWidth"], LAYOUT["ClientHeight"]
BOARD_X, BOARD_Y, CELL = LAYOUT["BoardOriginX"], LAYOUT["BoardOriginY"], LAYOUT["CellPixels"]
COLUMNS, ROWS = 10, 20
PREVIEW_X, PREVIEW_Y, PREVIEW_CELL = LAYOUT["PreviewX"], LAYOUT["PreviewY"], LAYOUT["PreviewCellPixels"]
SCORE_LINE_X, SCORE_LINE_Y = LAYOUT["ScoreLineX"], LAYOUT["ScoreLineY"]
# The status line's text image: left of the preview, above the score line.
STATUS_WIDTH, STATUS_HEIGHT = PREVIEW_X - LAYOUT["StatusX"], SCORE_LINE_Y - LAYOUT["StatusY"]


# Block shades per colour index: border (x 0.4) and face (x 0.8).
BLOCK_SHADES = [
    # border           face
    ((102, 0, 0),     (204, 0, 0)),
    ((0, 102, 0),     (0, 204, 0)),
    ((25, 50, 102),   (50, 101, 204)),
    ((102, 102, 0),   (204, 204, 0)),
    ((0, 102, 102),   (0, 204, 204)),
    ((102, 0, 102),   (204, 0, 204)),
    ((102, 50, 25),   (204, 101, 50)),
]
BORDER_INDEX = {border: index for index, (border, _) in enumerate(BLOCK_SHADES)}

# The seven shapes in their four rotations, grid rows top to bottom.
SHAPE_GRIDS = [
    # rotation 0                      1                            2                            3
    [["....", ".XX.", ".XX.", "...."], ["....", ".XX.", ".XX.", "...."], ["....", ".XX.", ".XX.", "...."], ["....", ".XX.", ".XX.", "...."]],
    [["....", "XXXX", "....", "...."], ["..X.", "..X.", "..X.", "..X."], ["....", "XXXX", "....", "...."], ["..X.", "..X.", "..X.", "..X."]],
    [["....", "..XX", ".XX.", "...."], ["..X.", "..XX", "...X", "...."], ["....", "..XX", ".XX.", "...."], ["..X.", "..XX", "...X", "...."]],
    [["....", ".XX.", "..XX", "...."], ["...X", "..XX", "..X.", "...."], ["....", ".XX.", "..XX", "...."], ["...X", "..XX", "..X.", "...."]],
    [["....", ".XXX", "..X.", "...."], ["..X.", "..XX", "..X.", "...."], ["..X.", ".XXX", "....", "...."], ["..X.", ".XX.", "..X.", "...."]],
    [["....", ".XXX", ".X..", "...."], ["..X.", "..X.", "..XX", "...."], ["...X", ".XXX", "....", "...."], [".XX.", "..X.", "..X.", "...."]],
    [["....", ".XXX", "...X", "...."], ["..XX", "..X.", "..X.", "...."], [".X..", ".XXX", "....", "...."], ["..X.", "..X.", ".XX.", "...."]],
]
SPAWN_COLUMN, SPAWN_ROW = 3, -1

# The Game menu, top to bottom: text, id, checked, grayed (None: not looked at).
GAME_MENU = [
    # text               id              checked grayed
    ("&New Game\tF2",    IDM_NEW_GAME,   0,      0),
    ("",                 None,           None,   None),
    ("&Pause\tP",        IDM_PAUSE,      0,      0),
    ("&Music\tM",        IDM_MUSIC,      None,   None),
    ("",                 None,           None,   None),
    ("&High Score...",   IDM_HIGH_SCORE, 0,      0),
    ("&Settings...",     IDM_SETTINGS,   0,      0),
    ("",                 None,           None,   None),
    ("&Help\tF1",        IDM_HELP,       0,      0),
    ("",                 None,           None,   None),
    ("&About...",        IDM_ABOUT,      0,      0),
    ("",                 None,           None,   None),
    ("&Quit\tEsc",       IDM_QUIT,       0,      0),
]


def piece_cells(shape, rotation, column, row):
    grid = SHAPE_GRIDS[shape][rotation % 4]
    return frozenset((column + x, row + y) for y in range(4) for x in range(4) if grid[y][x] == "X")


def cell_kind(image, column, row):
    """('block', colour) for a bevelled block: its whole one-pixel border in
    one border shade and the face shade of that colour at its centre;
    ('tile', None) for an empty-cell tile: only greys, white at the centre;
    ('other', description) for anything else."""
    x0, y0 = BOARD_X + CELL * column, BOARD_Y + CELL * row
    corner = pixel(image, x0, y0)
    index = BORDER_INDEX.get(corner)
    if index is not None:
        border, face = BLOCK_SHADES[index]
        last = CELL - 1
        edges = [pixel(image, x0 + i, y0 + j) for i in range(CELL) for j in (0, last)]
        edges += [pixel(image, x0 + j, y0 + i) for i in range(CELL) for j in (0, last)]
        if all(p == border for p in edges) and pixel(image, x0 + CELL // 2, y0 + CELL // 2) == face:
            return ("block", index)
    greys = all(len(set(pixel(image, x0 + x, y0 + y))) == 1 for y in range(CELL) for x in range(CELL))
    if greys and pixel(image, x0 + CELL // 2, y0 + CELL // 2) == (255, 255, 255):
        return ("tile", None)
    return ("other", "corner %s centre %s" % (corner, pixel(image, x0 + CELL // 2, y0 + CELL // 2)))


def read_board(image):
    """{(column, row): kind} for the whole board."""
    return {(c, r): cell_kind(image, c, r) for r in range(ROWS) for c in range(COLUMNS)}


def blocks_of(board):
    return {cell: kind[1] for cell, kind in board.items() if kind[0] == "block"}


def odd_cells(board):
    return {cell: kind[1] for cell, kind in board.items() if kind[0] == "other"}


def read_preview(image):
    """The shape index shown by the next-shape preview, or None: every 7 x 7
    grid cell of the shape in rotation 0 starts with a border pixel of the
    shape's colour and every other grid cell is white."""
    for shape in range(7):
        border = BLOCK_SHADES[shape][0]
        grid = SHAPE_GRIDS[shape][0]
        if all(pixel(image, PREVIEW_X + PREVIEW_CELL * x, PREVIEW_Y + PREVIEW_CELL * y) ==
               (border if grid[y][x] == "X" else (255, 255, 255)) for y in range(4) for x in range(4)):
            return shape
    return None


def locate_piece(cells, colour):
    """(rotation, column, row) of a piece of shape colour whose cells are
    exactly the given ones, or None."""
    if len(cells) != 4:
        return None
    columns = [c for c, _ in cells]
    rows = [r for _, r in cells]
    for rotation in range(4):
        for column in range(min(columns) - 3, min(columns) + 1):
            for row in range(min(rows) - 3, min(rows) + 1):
                if piece_cells(colour, rotation, column, row) == cells:
                    return (rotation, column, row)
    return None


_status_images = {}


def status_image(session, text):
    """How the status text is drawn in this Wine session (stock GUI font,
    opaque white background), rendered by the inspector."""
    if text not in _status_images:
        _status_images[text] = parse_text_image(
            inspect(session, "text-image", text, STATUS_WIDTH, STATUS_HEIGHT)[1])
    return _status_images[text]


def shows_status(session, image, text):
    return same_area(image, LAYOUT["StatusX"], LAYOUT["StatusY"], status_image(session, text))


def current_piece(context, colour):
    """(image, (rotation, column, row)) of the falling piece of a known colour
    on a board that otherwise holds only `context.locked` cells, or
    (image, None)."""
    image = shot(context)
    blocks = blocks_of(read_board(image))
    moving = frozenset(cell for cell, index in blocks.items()
                       if cell not in context.locked and index == colour)
    return image, locate_piece(moving, colour)


def wait_for_piece(context, colour, what, accept, timeout=5.0):
    """Waits until the falling piece's place satisfies accept(place)."""
    seen = {}

    def probe():
        image, place = current_piece(context, colour)
        seen["place"] = place
        seen["file"] = image.path
        return place if place is not None and accept(place) else None

    return wait_until(what, probe, timeout, detail=lambda: "%s in %s" % (seen.get("place"), seen.get("file")))


def start_game(context):
    """Starts the game in the session and waits for its main window; a
    message box at start fails unless named by --accept-start-box."""
    context.program = start_program(context.session, context.exe)
    context.locked = frozenset()
    wait_for_main_window(context, context.program, GAME_CLASS,
                         accept_boxes=tuple(context.arguments.accept_start_box),
                         timeout=getattr(context, "start_timeout", 30))


def music_item_expected(context):
    """(checked, grayed) of the Music item after start-up: unchecked and
    grayed when the music system reported that it could not start."""
    if "Error enabling music" in context.start_boxes:
        return ("0", "1")
    return ("1", "0")


def item_state(context, item_id):
    item = menu_item(context.session, context.window, item_id)
    return (item["checked"], item["grayed"])


def quit_and_read_settings(context, how):
    """Ends the game by how() and gives its exit code and the settings key's values."""
    how()
    code = wait_for_exit(context.program, 20)
    return code, export_registry(context.session, SETTINGS_KEY)


# ---- Playing ----------------------------------------------------------------

GRAVITY_SECONDS = 0.5   # the first level's fall interval
SQUARE = 0


def press(context, *keys):
    press_keys(context.session, context.window, *keys)


def previewed_shape(context):
    def probe():
        shape = read_preview(shot(context))
        return None if shape is None else (shape,)

    return wait_until("a next-shape preview", probe, 5)[0]


def spawned_piece(context, shape, pressed_at):
    """Waits for the board to hold nothing but a piece of shape in its spawn
    rotation and column, no lower than gravity can have taken it since the
    key was pressed, and for the status to read Playing."""
    seen = {}

    def probe():
        image = shot(context)
        board = read_board(image)
        blocks = blocks_of(board)
        rows_fallen = int((time.monotonic() - pressed_at) / GRAVITY_SECONDS)
        seen.update(file=image.path, blocks=sorted(blocks.items()), odd=sorted(odd_cells(board).items())[:4])
        if not shows_status(context.session, image, "Status: Playing") or seen["odd"]:
            return None
        if len(blocks) != 4 or set(blocks.values()) != {shape}:
            return None
        for row in range(SPAWN_ROW, SPAWN_ROW + rows_fallen + 1):
            if frozenset(blocks) == piece_cells(shape, 0, SPAWN_COLUMN, row):
                return (0, SPAWN_COLUMN, row)
        return None

    return wait_until("a %d-shape piece at the spawn place on a cleared board" % shape, probe, 5,
                      detail=lambda: seen)


def f2_starts_a_game_with_the_previewed_piece(context):
    focus_window(context.session, context.window)
    # The square looks the same in every rotation; start again until the
    # piece is one whose rotation shows (the preview tells what comes next).
    for _ in range(12):
        shape = previewed_shape(context)
        pressed_at = time.monotonic()
        press(context, "F2")
        context.place = spawned_piece(context, shape, pressed_at)
        context.shape = shape
        if shape != SQUARE:
            return
    fail("a dozen new games all began with the square")


def follow(context, what, accept, timeout=5.0):
    context.place = wait_for_piece(context, context.shape, what, accept, timeout)


def play_to_the_name_dialog(context, max_drops=120):
    """F2, then Space (an instant drop) until the stack reaches the top and
    the "Save Highscore" dialog appears; gives that dialog."""
    focus_window(context.session, context.window)
    press_keys(context.session, context.window, "F2")
    for _ in range(max_drops):
        for dialog in visible_dialogs(context.session):
            if dialog["title"] == "Save Highscore" and dialog["xid"] != "0x0":
                return dialog
        press_keys(context.session, context.window, "space")
    fail("no \"Save Highscore\" dialog after %d drops" % max_drops)
