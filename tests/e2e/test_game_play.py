"""Playing through the keyboard as a player does: F2 starts a game with the
previewed piece at the top of a cleared board, the arrow keys shift, rotate
and push the piece, Space drops and locks it, P pauses (menu check mark,
status, the piece stops) and resumes, M flips the Music check mark, and Esc
quits with MusicEnabled saved."""
import time

from e2e_game import (GRAVITY_SECONDS, IDM_MUSIC, IDM_PAUSE, SHAPE_GRIDS, SPAWN_COLUMN, SPAWN_ROW,
                      blocks_of, current_piece, f2_starts_a_game_with_the_previewed_piece, follow, item_state,
                      odd_cells, piece_cells, press, quit_and_read_settings, read_board, read_preview,
                      shows_status, start_game)
from e2e_run import run_steps
from e2e_windows import shot
from e2e_wine import fail, hold_for, inspect, wait_until


def arrows_shift_the_piece(context):
    rotation, column, row = context.place
    press(context, "Left")
    follow(context, "the piece one column left", lambda p: p[:2] == (rotation, column - 1) and p[2] >= row)
    # The same keys through SendInput, the harness's other input path.
    inspect(context.session, "send-keys", "right", "right")
    follow(context, "the piece one column right of its start",
           lambda p: p[:2] == (rotation, column + 1) and p[2] >= row)


def up_rotates_the_piece(context):
    # A piece whose grid still reaches above the board cannot turn yet.
    follow(context, "the piece inside the board", lambda p: p[2] >= 0)
    rotation, column, row = context.place
    turned = piece_cells(context.shape, rotation + 1, column, 0)
    press(context, "Up")
    follow(context, "the piece turned a quarter", lambda p: p[1] == column and p[2] >= row and
           piece_cells(context.shape, p[0], column, 0) == turned)


def lowest_row(shape, place):
    rotation, _, row = place
    grid = SHAPE_GRIDS[shape][rotation % 4]
    return row + max(y for y in range(4) if "X" in grid[y])


def down_pushes_the_piece(context):
    # Leave the piece room to fall for a while, so that gravity cannot lock
    # it before the drop that follows.
    presses = min(10, 19 - lowest_row(context.shape, context.place) - 5)
    if presses < 4:
        fail("the piece is already too low to test Down: %s" % (context.place,))
    # Gravity alone needs more than (presses - 1) intervals to take the piece
    # this far, so seeing it there sooner shows the Down key at work.
    budget = (presses - 1) * GRAVITY_SECONDS - 0.1
    started = time.monotonic()
    rotation, column, row = context.place
    press(context, *(["Down"] * presses))
    follow(context, "the piece %d rows lower within %.1f s" % (presses, budget),
           lambda p: p[:2] == (rotation, column) and p[2] >= row + presses,
           timeout=max(0.1, budget - (time.monotonic() - started)))


def space_drops_and_locks_the_piece(context):
    image, place = current_piece(context, context.shape)
    next_shape = read_preview(image)
    if place is None or next_shape is None:
        fail("no piece or preview before the drop (%s)" % image.path)
    if lowest_row(context.shape, place) >= 19:
        fail("the piece came to rest before the drop (%s)" % image.path)
    rotation, column, row = place
    landed = piece_cells(context.shape, rotation, column, row + 19 - lowest_row(context.shape, place))
    pressed_at = time.monotonic()
    press(context, "space")
    seen = {}

    def probe():
        image = shot(context)
        board = read_board(image)
        blocks = blocks_of(board)
        locked = {cell for cell in landed if blocks.get(cell) == context.shape}
        moving = frozenset(cell for cell, index in blocks.items() if cell not in landed and index == next_shape)
        others = set(blocks) - landed - moving
        rows_fallen = int((time.monotonic() - pressed_at) / GRAVITY_SECONDS)
        seen.update(file=image.path, blocks=sorted(blocks.items()), odd=sorted(odd_cells(board).items())[:4])
        return (locked == landed and not others and not seen["odd"] and
                any(moving == piece_cells(next_shape, 0, SPAWN_COLUMN, r)
                    for r in range(SPAWN_ROW, SPAWN_ROW + rows_fallen + 1)))

    wait_until("the piece locked at the bottom and the previewed one spawned", probe, 5, detail=lambda: seen)
    context.locked = frozenset(landed)
    context.shape = next_shape
    context.place = current_piece(context, next_shape)[1]


def p_pauses_and_resumes(context):
    press(context, "p")
    wait_until("the Pause item checked", lambda: item_state(context, IDM_PAUSE) == ("1", "0"), 5)
    wait_until("\"Status: Paused\"", lambda: shows_status(context.session, shot(context), "Status: Paused"), 5)
    _, paused_at = current_piece(context, context.shape)
    if paused_at is None:
        fail("no piece while paused")
    # Three gravity intervals without a move: the game stands still.
    hold_for("the paused piece's place", lambda: current_piece(context, context.shape)[1] == paused_at,
             3 * GRAVITY_SECONDS)
    press(context, "p")
    wait_until("the Pause item unchecked", lambda: item_state(context, IDM_PAUSE) == ("0", "0"), 5)
    follow(context, "the piece falling again", lambda p: p[2] > paused_at[2])
    if not shows_status(context.session, shot(context), "Status: Playing"):
        fail("the status does not read \"Status: Playing\" after resuming")


def m_flips_the_music_check_mark(context):
    before = item_state(context, IDM_MUSIC)
    press(context, "m")
    flipped = ("0" if before[0] == "1" else "1", before[1])
    wait_until("the Music item %s" % ("checked" if flipped[0] == "1" else "unchecked"),
               lambda: item_state(context, IDM_MUSIC) == flipped, 5)
    context.music = int(flipped[0])


def escape_quits_and_saves_music_state(context):
    code, values = quit_and_read_settings(
        context, lambda: press(context, "Escape"))
    if code != 0:
        fail("exit code %d" % code)
    saved = None if values is None else values.get("MusicEnabled")
    if saved != context.music:
        fail("MusicEnabled is %s, the Music item was %s" % (saved, context.music))


STEPS = [
    ("the main window appears, with no message box", start_game),
    ("F2 starts a game: the previewed piece at the top of a cleared board", f2_starts_a_game_with_the_previewed_piece),
    ("Left and Right (X keys and SendInput) shift the piece", arrows_shift_the_piece),
    ("Up rotates the piece", up_rotates_the_piece),
    ("Down pushes the piece faster than gravity", down_pushes_the_piece),
    ("Space drops and locks the piece, the next one spawns", space_drops_and_locks_the_piece),
    ("P pauses (check mark, status, piece stops) and resumes", p_pauses_and_resumes),
    ("M flips the Music check mark", m_flips_the_music_check_mark),
    ("Esc quits with code 0 and saves MusicEnabled", escape_quits_and_saves_music_state),
]

if __name__ == "__main__":
    run_steps("e2e_game_play", __doc__, STEPS)
