"""scripts/play on a machine without a display, played from a web browser:
the printed address opens in headless Chromium, the page shows the game's
window, F2 typed into the page starts a game ("Status: Playing" on the game's
screen) and Space drops the piece (a key read through DirectInput), and Ctrl+C ends the game, the VNC server and the proxy, leaving no
process and no open port behind. Everything listens on loopback only.

usage: test_browser_play.py --play SCRIPT --inspector EXE
exit 0 passed, 1 failed, 77 skipped."""
import argparse
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

import devtools

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))),
                                "tools", "wine"))
from polling import poll  # noqa: E402
from wine_env import read_wine_env, wine_environment  # noqa: E402

WINE_ENV = read_wine_env()
WINE64 = WINE_ENV["PELLORIN_WINE64"]
WINESERVER = WINE_ENV["PELLORIN_WINESERVER"]
STATUS_WIDTH, STATUS_HEIGHT = 160, 15
BOARD_Y = 32   # the board's top in the client area; cells are 20 pixels


class Failed(Exception):
    pass


def wait_until(what, probe, timeout, interval=0.2, seen=lambda: ""):
    value = poll(probe, timeout, interval)
    if not value:
        detail = seen()
        raise Failed("timed out after %.0f s waiting for %s%s" % (timeout, what,
                                                                 "; last seen: " + detail if detail else ""))
    return value


def group_members(group):
    """Pids of the processes whose process group or session is `group`."""
    members = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % entry) as source:
                fields = source.read().rsplit(")", 1)[1].split()
        except OSError:
            continue
        if fields[0] != "Z" and group in (int(fields[2]), int(fields[3])):
            members.append(int(entry))
    return members


def command_line(pid):
    try:
        with open("/proc/%d/cmdline" % pid, "rb") as source:
            return source.read().split(b"\0")
    except OSError:
        return []


def processes_of_prefix(prefix):
    """Processes whose environment names the Wine prefix (the game, its
    wineserver and Wine's background services)."""
    needle = ("WINEPREFIX=" + prefix).encode() + b"\0"
    found = []
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open("/proc/%s/environ" % entry, "rb") as source:
                    if needle in source.read():
                        found.append(int(entry))
            except OSError:
                pass
    return found


def listening_addresses(pids):
    """(address, port) of the TCP sockets the given processes listen on."""
    output = subprocess.run(["ss", "-Hltnp"], capture_output=True, text=True, timeout=10).stdout
    found = []
    for line in output.splitlines():
        owners = {int(pid) for pid in re.findall(r"pid=(\d+)", line)}
        if owners & set(pids):
            local = line.split()[3]
            address, _, port = local.rpartition(":")
            found.append((address.strip("[]"), int(port)))
    return found


def is_loopback(address):
    return address == "::1" or address.startswith("127.")


class Game:
    """Inspector calls and screenshots on the play script's private screen."""

    def __init__(self, env, inspector, work):
        self.env, self.inspector, self.work, self.serial = env, inspector, work, 0

    def inspect(self, *args, timeout=60):
        self.serial += 1
        out = os.path.join(self.work, "inspector-%02d.out" % self.serial)
        with open(out, "wb") as sink:
            code = subprocess.run([WINE64, self.inspector] + [str(a) for a in args], stdout=sink,
                                  stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL, env=self.env,
                                  timeout=timeout).returncode
        with open(out, "rb") as source:
            text = source.read().decode("latin-1")
        if code != 0:
            raise Failed("inspector %s failed (%d): %s" % (args[0], code, text.strip()[-300:]))
        return text

    def record(self, *args, timeout=60):
        line = [l for l in self.inspect(*args, timeout=timeout).splitlines() if "=" in l][0]
        return dict(field.split("=", 1) for field in line.split("\t"))

    def screen(self):
        data = subprocess.run(["import", "-window", "root", "-depth", "8", "ppm:-"], capture_output=True,
                              env=self.env, timeout=30, check=True).stdout
        header = data.split(b"\n", 3)
        width, height = map(int, header[1].split())
        return width, height, header[3]

    def text_image(self, text):
        lines = self.inspect("text-image", text, STATUS_WIDTH, STATUS_HEIGHT).splitlines()
        return bytes.fromhex("".join(lines[1:1 + STATUS_HEIGHT]))


def crop(screen, x, y, width, height):
    screen_width, _, rgb = screen
    return b"".join(rgb[((y + row) * screen_width + x) * 3:((y + row) * screen_width + x + width) * 3]
                    for row in range(height))


def canvas_area(browser, x, y, width, height):
    """RGB bytes of an area of noVNC's canvas (its pixels are the remote
    screen's, whatever the page's scale)."""
    hex_digits = browser.evaluate("""(() => {
        const canvas = document.querySelector('#noVNC_container canvas');
        const data = canvas.getContext('2d').getImageData(%d, %d, %d, %d).data;
        let out = '';
        for (let i = 0; i < data.length; i += 4)
            for (let c = 0; c < 3; c++) out += data[i + c].toString(16).padStart(2, '0');
        return out; })()""" % (x, y, width, height))
    return bytes.fromhex(hex_digits)


def mean_difference(a, b):
    return sum(abs(p - q) for p, q in zip(a, b)) / len(a)


def run(args, work):
    prefix = os.path.join(work, "prefix")
    template = os.environ.get("PELLORIN_WINE_TEMPLATE", "")
    if template and os.path.isdir(template):
        subprocess.run(["cp", "-a", template, prefix], check=True, timeout=120)
    env = wine_environment(prefix, {k: v for k, v in os.environ.items() if k != "DISPLAY"})

    play_out = os.path.join(work, "play.out")
    started = time.monotonic()
    with open(play_out, "wb") as sink:
        play = subprocess.Popen([args.play], stdout=sink, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL,
                                env=env, start_new_session=True,
                                preexec_fn=lambda: signal.signal(signal.SIGINT, signal.SIG_DFL))
    state = {"play": play, "browser": None}
    try:
        def printed_address():
            with open(play_out, errors="replace") as source:
                text = source.read()
            if play.poll() is not None:
                raise Failed("scripts/play ended (%d) before printing an address: %s" % (play.returncode, text[-800:]))
            match = re.search(r"^Open (http://\S+) in a web browser", text, re.M)
            return match and (match.group(1), text)

        url, text = wait_until("the address line of scripts/play", printed_address, 240)
        if len([l for l in text.splitlines() if "http://" in l]) != 1:
            raise Failed("scripts/play printed more than one address: %s" % text)
        if not url.startswith("http://127.0.0.1:"):
            raise Failed("the address is not on loopback: %s" % url)
        print("address after %.1f s: %s" % (time.monotonic() - started, url))

        def private_display():
            for pid in group_members(play.pid):
                argv = command_line(pid)
                if argv and os.path.basename(argv[0]) == b"Xvfb" and len(argv) > 1:
                    return argv[1].decode()
            return None

        env["DISPLAY"] = wait_until("the private Xvfb screen", private_display, 10)
        game = Game(env, args.inspector, work)
        window = game.record("find-window", "PellorinWndClass", "-", 60000, timeout=90)
        rect = {k: int(v) for k, v in game.record("client-rect", window["hwnd"]).items()}
        print("game window after %.1f s, client area %dx%d at %d,%d" % (
            time.monotonic() - started, rect["width"], rect["height"], rect["x"], rect["y"]))

        sockets = listening_addresses(group_members(play.pid))
        outside = [s for s in sockets if not is_loopback(s[0])]
        if not sockets or outside:
            raise Failed("listening sockets should all be on loopback: %s" % sockets)

        browser = state["browser"] = devtools.Browser(os.path.join(work, "chromium.log"))
        browser.open_page()
        browser.call("Page.navigate", url=url)
        wait_until("noVNC connected with the remote screen", lambda: browser.evaluate(
            """(() => { const c = document.querySelector('#noVNC_container canvas');
                        const s = document.getElementById('noVNC_status');
                        return c && c.width > 100 && s && s.textContent.startsWith('Connected'); })()"""), 30)

        # The page shows the game's window: the canvas holds what the game's
        # client area shows on the screen (VNC may encode it lossily), and that
        # area is the game's picture, not an empty screen.
        area = (rect["x"], rect["y"], rect["width"], rect["height"])
        seen = {}

        def page_shows_game():
            on_screen = crop(game.screen(), *area)
            in_page = canvas_area(browser, *area)
            seen["difference"] = mean_difference(on_screen, in_page)
            return len(set(on_screen)) > 16 and seen["difference"] < 6

        wait_until("the page showing the game's client area", page_shows_game, 20,
                   seen=lambda: "mean difference %.1f" % seen.get("difference", -1))
        print("page shows the game window (mean difference %.2f)" % seen["difference"])

        # F2 typed into the page, with the page's canvas focused and the mouse
        # not moved: the first key a player types reaches the game.
        playing = game.text_image("Status: Playing")

        def pointer_on_game():
            shell = subprocess.run(["xdotool", "getmouselocation", "--shell"], capture_output=True, text=True,
                                   env=env, timeout=10).stdout
            where = dict(line.split("=", 1) for line in shell.split())
            x, y = int(where.get("X", -1)), int(where.get("Y", -1))
            return (rect["x"] <= x < rect["x"] + rect["width"] and rect["y"] <= y < rect["y"] + rect["height"])

        wait_until("the pointer put on the game window (keys go to the window under it)", pointer_on_game, 20)
        browser.evaluate("document.querySelector('#noVNC_container canvas').focus()")
        for kind in ("rawKeyDown", "keyUp"):
            browser.call("Input.dispatchKeyEvent", type=kind, key="F2", code="F2",
                         windowsVirtualKeyCode=113, nativeVirtualKeyCode=113)
        wait_until('"Status: Playing" in the game window',
                   lambda: crop(game.screen(), rect["x"], rect["y"], STATUS_WIDTH, STATUS_HEIGHT) == playing, 15)
        wait_until('"Status: Playing" in the page', lambda: mean_difference(
            canvas_area(browser, rect["x"], rect["y"], STATUS_WIDTH, STATUS_HEIGHT), playing) < 6, 15)
        print("playing after %.1f s" % (time.monotonic() - started))

        # Space, a game key read from the keyboard device (DirectInput) rather
        # than from window messages, drops the new piece to the floor at once;
        # gravity alone would need ten seconds.
        def block_on_floor():
            screen = game.screen()
            return any(len(set(crop(screen, rect["x"] + 20 * column + 10, rect["y"] + BOARD_Y + 20 * row + 10,
                                    1, 1))) > 1 for row in (18, 19) for column in range(10))

        if block_on_floor():
            raise Failed("the new game's board already has blocks in its bottom rows")
        dropped_at = time.monotonic()
        for kind in ("rawKeyDown", "keyUp"):
            browser.call("Input.dispatchKeyEvent", type=kind, key=" ", code="Space",
                         windowsVirtualKeyCode=32, nativeVirtualKeyCode=32)
        wait_until("the piece dropped by Space on the floor", block_on_floor, 4)
        print("Space dropped the piece in %.1f s" % (time.monotonic() - dropped_at))

        # Ctrl+C in the terminal: SIGINT to the whole foreground group.
        port = int(url.split(":")[2].split("/")[0])
        os.killpg(play.pid, signal.SIGINT)
        try:
            play.wait(timeout=30)
        except subprocess.TimeoutExpired:
            raise Failed("scripts/play still runs 30 s after Ctrl+C")
        wait_until("every process of scripts/play and of its Wine prefix to end",
                   lambda: not group_members(play.pid) and not processes_of_prefix(prefix), 20,
                   seen=lambda: str([b" ".join(command_line(p)).decode(errors="replace")[:80]
                                     for p in group_members(play.pid) + processes_of_prefix(prefix)]))
        with socket.socket() as probe:
            if probe.connect_ex(("127.0.0.1", port)) == 0:
                raise Failed("port %d still accepts connections after Ctrl+C" % port)
        print("everything ended %.1f s after the start" % (time.monotonic() - started))
    finally:
        if state["browser"]:
            state["browser"].close()
        if play.poll() is None:
            # SIGTERM lets the scripts clean up after themselves; SIGKILL if not.
            os.killpg(play.pid, signal.SIGTERM)
            try:
                play.wait(timeout=20)
            except subprocess.TimeoutExpired:
                os.killpg(play.pid, signal.SIGKILL)
                play.wait(timeout=30)
        for pid in group_members(play.pid):
            os.kill(pid, signal.SIGKILL)
        subprocess.run([WINESERVER, "-k"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       timeout=60)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--play", required=True)
    parser.add_argument("--inspector", required=True)
    args = parser.parse_args()
    for tool in ("x11vnc", "websockify", devtools.CHROMIUM):
        if not shutil.which(tool):
            print("skipped: %s is not installed" % tool)
            return 77
    work = tempfile.mkdtemp(prefix="pellorin-browser-play-")
    try:
        run(args, work)
    except (Failed, devtools.DevToolsError) as failure:
        kept = work + ".failed"
        shutil.copytree(work, kept, dirs_exist_ok=True, ignore=shutil.ignore_patterns("prefix"))
        print("FAILED: %s (files in %s)" % (failure, kept))
        return 1
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
