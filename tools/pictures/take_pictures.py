"""Plays the real game on the current X screen (an Xvfb of take-pictures)
and saves pictures of it, then renders the score server's list page in
headless Chromium. Each picture is cropped to its window and stripped of
metadata, so that retaking an unchanged picture gives a small, stable file."""
import argparse
import os
import re
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "wine"))
from polling import poll  # noqa: E402
from wine_env import read_wine_env, wine_environment  # noqa: E402

WINE64 = read_wine_env()["PELLORIN_WINE64"]
CHROMIUM = "/usr/bin/chromium"
CHROMIUM_FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                  "--disable-background-networking", "--disable-component-update", "--disable-sync",
                  "--hide-scrollbars"]
IDM_SETTINGS = 40007
IDOK, IDCANCEL, IDC_SAVE_NAME = 1, 2, 1030
STATUS_WIDTH, STATUS_HEIGHT, BOARD_Y, CELL = 160, 15, 32, 20
PLAYERS = ["Mira", "Tobias", "Ines"]
# Sideways moves of the first pieces: a low, uneven stack across the board.
SHIFTS = [-4, 4, -2, 2, 0, -3, 3, -1, 1, -4, 4]


def wait_until(what, probe, timeout, interval=0.1):
    value = poll(probe, timeout, interval)
    if not value:
        sys.exit("take_pictures: timed out waiting for %s" % what)
    return value


class Session:
    def __init__(self, args):
        self.args = args
        self.env = wine_environment(args.prefix)
        self.serial = 0

    def wine(self, *argv, timeout=60):
        """Runs a Wine program with its output in a file (Wine's background
        services inherit pipes and keep them open)."""
        self.serial += 1
        out = os.path.join(self.args.work, "%03d.out" % self.serial)
        with open(out, "wb") as sink:
            code = subprocess.run([WINE64] + [str(a) for a in argv], stdout=sink, stderr=subprocess.STDOUT,
                                  stdin=subprocess.DEVNULL, env=self.env, timeout=timeout).returncode
        with open(out, "rb") as source:
            return code, source.read().decode("latin-1")

    def records(self, *argv, timeout=60):
        code, text = self.wine(self.args.inspector, *argv, timeout=timeout)
        if code != 0:
            sys.exit("take_pictures: inspector %s failed: %s" % (argv[0], text.strip()))
        return [dict(f.split("=", 1) for f in line.split("\t")) for line in text.splitlines() if "=" in line]

    def keys(self, window, *keys):
        subprocess.run(["xdotool", "windowfocus", window["xid"], "key", "--delay", "40"] + list(keys),
                       check=True, timeout=60, env=self.env)

    def focus(self, window):
        self.records("foreground", window["hwnd"])
        subprocess.run(["xdotool", "windowfocus", window["xid"]], check=True, timeout=30, env=self.env)

    def dialog(self, title, timeout=15):
        def probe():
            return next((d for d in self.records("list-dialogs")
                         if d["title"] == title and d["xid"] != "0x0"), None)
        return wait_until('the dialog "%s"' % title, probe, timeout)

    def screen(self):
        data = subprocess.run(["import", "-window", "root", "-depth", "8", "ppm:-"], capture_output=True,
                              check=True, timeout=30, env=self.env).stdout
        header = data.split(b"\n", 3)
        width = int(header[1].split()[0])
        return width, header[3]

    def save(self, window, name):
        """The window as it is on the screen, menu and frame included, below
        its caption: Wine draws the caption buttons with the Marlett font,
        which these machines lack, as stray letters."""
        info = {}
        for record in self.records("window-info", window["hwnd"]):
            info.update(record)
        left, top, right, bottom = map(int, info["window_rect"].split(","))
        left, top = max(left, 0), max(top, 0)
        screen = self.screen()
        probe_x = (left + right) // 2
        caption = crop(screen, probe_x, top + 5, 1, 1)
        below = top + 5
        while below < bottom and crop(screen, probe_x, below, 1, 1) == caption:
            below += 1
        path = os.path.join(self.args.out, name)
        subprocess.run(["import", "-window", "root", "-crop", "%dx%d+%d+%d" % (right - left, bottom - below, left, below),
                        "+repage", "-strip", "-define", "png:compression-level=9", "png:" + path],
                       check=True, timeout=30, env=self.env)
        print("take_pictures: %s (%d bytes)" % (path, os.path.getsize(path)))


def crop(screen, x, y, width, height):
    screen_width, rgb = screen
    return b"".join(rgb[((y + r) * screen_width + x) * 3:((y + r) * screen_width + x + width) * 3]
                    for r in range(height))


def coloured_rows(screen, client):
    """Board rows that hold a block: a cell whose centre is not grey."""
    rows = set()
    for row in range(20):
        for column in range(10):
            r, g, b = crop(screen, client["x"] + column * CELL + CELL // 2,
                           client["y"] + BOARD_Y + row * CELL + CELL // 2, 1, 1)
            if not r == g == b:
                rows.add(row)
    return rows


def game_pictures(session):
    out = open(os.path.join(session.args.work, "game.out"), "wb")
    game = subprocess.Popen([WINE64, session.args.exe], stdout=out, stderr=subprocess.STDOUT,
                            stdin=subprocess.DEVNULL, env=session.env)
    window = session.records("find-window", "PellorinWndClass", "-", 60000, timeout=90)[0]
    client = {k: int(v) for k, v in session.records("client-rect", window["hwnd"])[0].items()}
    session.focus(window)
    playing = bytes.fromhex("".join(session.wine(session.args.inspector, "text-image", "Status: Playing",
                                                 STATUS_WIDTH, STATUS_HEIGHT)[1].splitlines()[1:1 + STATUS_HEIGHT]))

    session.keys(window, "F2")
    wait_until('"Status: Playing"', lambda: crop(session.screen(), client["x"], client["y"], STATUS_WIDTH,
                                                 STATUS_HEIGHT) == playing, 10)
    for shift in SHIFTS:
        moves = ["Left"] * -shift + ["Right"] * shift
        session.keys(window, *(moves + ["space"]))
    # A game in progress: the stack at the bottom and the next piece falling
    # clear of it, a few rows down.
    def piece_in_the_air():
        rows = coloured_rows(session.screen(), client)
        return rows and min(rows) >= 4 and any(r + 1 not in rows and r + 2 in rows for r in rows)
    wait_until("a piece falling above the stack", piece_in_the_air, 15, interval=0.05)
    session.save(window, "game.png")

    session.records("command", window["hwnd"], IDM_SETTINGS)
    settings = session.dialog("Settings")
    session.save(settings, "settings.png")
    session.records("click", settings["hwnd"], IDCANCEL)

    for number, player in enumerate(PLAYERS):
        session.focus(window)
        if number:
            session.keys(window, "F2")
        def name_dialog():
            dialogs = [d for d in session.records("list-dialogs") if d["title"] == "Save Highscore"]
            if not dialogs:
                session.keys(window, *["space"] * 5)
            return dialogs and dialogs[0]
        entry = wait_until("the name entry after a full board", name_dialog, 60, interval=0)
        session.records("set-text", entry["hwnd"], IDC_SAVE_NAME, player)
        session.records("click", entry["hwnd"], IDOK)
        table = session.dialog("HighScore Table")
        if number == len(PLAYERS) - 1:
            session.save(table, "high-scores.png")
        session.records("click", table["hwnd"], IDOK)
    game.kill()
    game.wait(timeout=30)


def score_list_picture(args):
    database = os.path.join(args.work, "scores.db")
    log = os.path.join(args.work, "server.out")
    with open(log, "wb") as sink:
        server = subprocess.Popen([args.server, "--port", "0", "--database", database], stdout=sink,
                                  stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL)
    try:
        def port():
            with open(log) as source:
                match = re.search(r"listening on http://127\.0\.0\.1:(\d+)/", source.read())
            return match and match.group(1)
        port = wait_until("the score server", port, 10)
        results = [("Mira", 7, 48210, 1765360800), ("Tobias", 5, 30755, 1765447200),
                   ("Ines", 4, 22140, 1765533600), ("Jonas", 3, 12880, 1765620000),
                   ("Ada", 2, 6410, 1765706400)]
        for name, level, score, when in results:
            subprocess.run([args.post, port, "/pellorin/highscore.asp", name, str(level), str(score), str(when)],
                           check=True, stdout=subprocess.DEVNULL, timeout=30)
        path = os.path.join(args.out, "score-list.png")
        raw = os.path.join(args.work, "score-list.png")
        subprocess.run([CHROMIUM] + CHROMIUM_FLAGS + ["--user-data-dir=" + os.path.join(args.work, "chromium"),
                        "--window-size=560,300", "--screenshot=" + raw,
                        "http://127.0.0.1:%s/pellorin/highscore.asp" % port],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)
        subprocess.run(["convert", raw, "-strip", "-define", "png:compression-level=9", "png:" + path],
                       check=True, timeout=30)
        print("take_pictures: %s (%d bytes)" % (path, os.path.getsize(path)))
    finally:
        server.terminate()
        server.wait(timeout=30)


def main():
    parser = argparse.ArgumentParser()
    for option in ("prefix", "work", "out", "exe", "inspector", "server", "post"):
        parser.add_argument("--" + option, required=True)
    args = parser.parse_args()
    os.makedirs(args.out, exist_ok=True)
    game_pictures(Session(args))
    score_list_picture(args)


if __name__ == "__main__":
    main()
