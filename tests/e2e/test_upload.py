"""The online score service from end to end: the real score server runs on
a free loopback port with a fresh database and the game's GameServer setting
names it. A quick game (F2, then Space until the stack reaches the top) ends
in "Save Highscore"; the named entry goes into the table, "Upload to Server"
posts it and the game reports the server's 202, and the server's list page,
loaded in headless Chromium, shows the name, level and score. "View Internet
list" and F1 hand the list and help page addresses to the browser."""
import ctypes
import datetime
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile

from e2e_game import GAME_CLASS, SETTINGS_KEY, play_to_the_name_dialog, start_game
from e2e_resources import (IDC_HS_LEVEL_BASE, IDC_HS_NAME_BASE, IDC_HS_SCORE_BASE, IDC_HS_UPLOAD, IDC_HS_VIEW_LIST,
                           IDC_SAVE_NAME)
from e2e_run import SKIPPED, run_steps
from e2e_windows import dialog_controls, static_texts, visible_dialogs, wait_for_dialog, wait_until_closed
from e2e_wine import (SOURCE_DIR, CheckFailed, fail, focus_window, inspect, inspect_records, press_keys,
                      run_wine_tool, wait_until)

PLAYER = "E2E Player"
SERVER_PREFIX = "pellorin"
MESSAGE_TEXT_ID = "65535"
CHROMIUM_FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
                  "--no-first-run", "--disable-component-update", "--disable-sync"]

# The server process and its files, outside the Wine session so that they
# are stopped and removed whatever becomes of the steps.
SERVER = {"program": None, "process": None, "work": None}


def server_program():
    """The native score server: PELLORIN_SCORE_SERVER (set by the build),
    else the native build's copy in the source tree."""
    path = os.environ.get("PELLORIN_SCORE_SERVER", "")
    if path and os.path.isfile(path):
        return path
    fallback = os.path.join(SOURCE_DIR, "build", "native", "server", "pellorin-score-server")
    return fallback if os.path.isfile(fallback) else None


def die_with_parent():
    """Run in the server's child before exec: the kernel ends the server
    if the test process is killed (a ctest timeout, for instance)."""
    libc = ctypes.CDLL(None, use_errno=True)
    libc.prctl(1, signal.SIGTERM)   # PR_SET_PDEATHSIG


def stop_server(keep_in):
    """Stops the server; keeps its output and Chromium's in keep_in (the
    failed run's artifacts) when given."""
    process = SERVER["process"]
    if process is not None and process.poll() is None:
        process.terminate()
        try:
            process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait(timeout=10)
    if SERVER["work"] and keep_in:
        os.makedirs(keep_in, exist_ok=True)
        for name in ("server.out", "chromium.err", "highscore.html"):
            if os.path.exists(os.path.join(SERVER["work"], name)):
                shutil.copy(os.path.join(SERVER["work"], name), os.path.join(keep_in, "server-" + name))
    if SERVER["work"]:
        shutil.rmtree(SERVER["work"], ignore_errors=True)


def server_output():
    with open(os.path.join(SERVER["work"], "server.out"), "rb") as source:
        return source.read().decode("utf-8", "replace")


def start_score_server(context):
    SERVER["work"] = tempfile.mkdtemp(prefix="pellorin-e2e-server-")
    with open(os.path.join(SERVER["work"], "server.out"), "wb") as sink:
        SERVER["process"] = subprocess.Popen(
            [SERVER["program"], "--port", "0", "--database", os.path.join(SERVER["work"], "scores.db"),
             "--prefix", SERVER_PREFIX, "--address", "127.0.0.1"],
            stdout=sink, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL, preexec_fn=die_with_parent)

    def probe():
        if SERVER["process"].poll() is not None:
            fail("the score server ended with code %d: %s" % (SERVER["process"].returncode, server_output().strip()))
        match = re.search(r"listening on http://127\.0\.0\.1:(\d+)/", server_output())
        return match and int(match.group(1))

    context.port = wait_until("the score server's port", probe, 10, detail=server_output)
    context.server_text = "127.0.0.1:%d/%s" % (context.port, SERVER_PREFIX)


def set_registry_value(context, key, name, text):
    code, output = run_wine_tool(context.session, ["reg", "add", key, "/v", name, "/t", "REG_SZ",
                                                   "/d", text, "/f"])
    if code != 0:
        fail("cannot set %s\\%s: %s" % (key, name, output.strip()))


def point_the_game_and_the_browser_at_the_test(context):
    """GameServer names the test's server; winebrowser's Browsers value
    names a script that appends each address it is given to a file."""
    set_registry_value(context, SETTINGS_KEY, "GameServer", context.server_text)
    context.urls = os.path.join(context.session.work, "browser-urls.txt")
    script = os.path.join(context.session.work, "browser.sh")
    with open(script, "w") as out:
        out.write("#!/bin/sh\nprintf '%%s\\n' \"$@\" >> '%s'\n" % context.urls)
    os.chmod(script, 0o755)
    set_registry_value(context, "HKCU\\Software\\Wine\\WineBrowser", "Browsers", script)


def play_until_save_highscore(context):
    context.entry = play_to_the_name_dialog(context)


def control_texts(session, dialog):
    return {int(c["id"]): c["text"] for c in dialog_controls(session, dialog) if c.get("id")}


def enter_the_name_and_see_the_table(context):
    session = context.session
    inspect(session, "set-text", context.entry["hwnd"], IDC_SAVE_NAME, PLAYER)
    inspect(session, "click", context.entry["hwnd"], 1)
    wait_until_closed(session, context.entry)
    context.table = wait_for_dialog(session, "HighScore Table")
    texts = control_texts(session, context.table)
    name, score, level = (texts.get(IDC_HS_NAME_BASE), texts.get(IDC_HS_SCORE_BASE), texts.get(IDC_HS_LEVEL_BASE))
    if name != PLAYER or not re.fullmatch(r"\d{8,}", score or "") or not re.fullmatch(r"\d{2,}", level or ""):
        fail("first table row: name %r, score %r, level %r" % (name, score, level))
    context.score, context.level = int(score), int(level)
    if context.score == 0:
        fail("the game ended with score 0, which the server does not list")
    for row in range(1, 10):
        if texts.get(IDC_HS_NAME_BASE + row) != "Not Used":
            fail("table row %d holds %r" % (row + 1, texts.get(IDC_HS_NAME_BASE + row)))


def message_box(context, caption, timeout):
    box = wait_for_dialog(context.session, caption, timeout=timeout)
    controls = dialog_controls(context.session, box)
    texts = [c["text"] for c in controls if c.get("id") == MESSAGE_TEXT_ID]
    return box, (texts[0] if texts else " / ".join(static_texts(controls)))


def upload_reports_success(context):
    session = context.session
    inspect(session, "click", context.table["hwnd"], IDC_HS_UPLOAD)
    try:
        box, text = message_box(context, "Request completed", 15)
    except CheckFailed:
        others = [d["title"] for d in visible_dialogs(session) if d["hwnd"] != context.table["hwnd"]]
        fail("no \"Request completed\" box; other dialogs: %s; server said: %s" % (others, server_output().strip()))
    if text != "Success! Your Scores are Uploaded":
        fail("\"Request completed\" says %r" % text)
    if box.get("owner") != context.window["hwnd"]:
        fail("the box is owned by %s, not by the game window %s" % (box.get("owner"), context.window["hwnd"]))
    inspect(session, "click", box["hwnd"], 1)
    wait_until_closed(session, box)
    table = [d for d in visible_dialogs(session) if d["hwnd"] == context.table["hwnd"]]
    if not table:
        fail("the HighScore Table closed with the upload")


def browser_urls(context):
    if not os.path.exists(context.urls):
        return []
    with open(context.urls) as source:
        return source.read().splitlines()


def wait_for_urls(context, expected):
    wait_until("the browser to get %s" % expected[-1], lambda: len(browser_urls(context)) >= len(expected), 15,
               detail=lambda: browser_urls(context))
    if browser_urls(context) != expected:
        fail("browser addresses %s, expected %s" % (browser_urls(context), expected))


def view_internet_list_opens_the_list_page(context):
    context.expected_urls = ["http://%s/highscore.asp" % context.server_text]
    inspect(context.session, "click", context.table["hwnd"], IDC_HS_VIEW_LIST)
    wait_for_urls(context, context.expected_urls)
    if not any(d["hwnd"] == context.table["hwnd"] for d in visible_dialogs(context.session)):
        fail("the HighScore Table closed with View Internet list")


def f1_opens_the_help_page(context):
    session = context.session
    inspect(session, "click", context.table["hwnd"], 1)
    wait_until_closed(session, context.table)
    games = inspect_records(session, "list-windows", GAME_CLASS)
    if not games:
        fail("the game window is gone after the table closed")
    focus_window(session, context.window)
    press_keys(session, context.window, "F1")
    context.expected_urls.append("http://%s/pellorin.asp" % context.server_text)
    wait_for_urls(context, context.expected_urls)


def list_page_in_chromium_shows_the_entry(context):
    chromium = shutil.which("chromium") or shutil.which("chromium-browser")
    if chromium is None:
        fail("chromium is not installed (scripts/setup installs it)")
    profile = os.path.join(SERVER["work"], "profile")
    page = os.path.join(SERVER["work"], "highscore.html")
    url = "http://127.0.0.1:%d/%s/highscore.asp" % (context.port, SERVER_PREFIX)
    with open(page, "wb") as out, open(os.path.join(SERVER["work"], "chromium.err"), "wb") as errors:
        try:
            code = subprocess.run([chromium] + CHROMIUM_FLAGS + ["--user-data-dir=" + profile, "--dump-dom", url],
                                  stdout=out, stderr=errors, stdin=subprocess.DEVNULL, timeout=60).returncode
        except subprocess.TimeoutExpired:
            fail("chromium did not load %s within 60 s" % url)
    with open(page, "rb") as source:
        html = source.read().decode("utf-8", "replace")
    if code != 0 or "<title>Pellorin internet high scores</title>" not in html:
        fail("chromium (exit %d) gave no list page for %s: %s" % (code, url, html[:300]))
    rows = re.findall(r'<tr><td class="n">(\d+)</td><td>([^<]*)</td><td class="n">(\d+)</td>'
                      r'<td class="n">(\d+)</td><td>([^<]*)</td></tr>', html)
    today = datetime.datetime.now(datetime.timezone.utc).date()
    dates = {str(today), str(today - datetime.timedelta(days=1))}
    if len(rows) != 1:
        fail("list rows %s, expected only the uploaded entry" % rows)
    position, name, level, score, date = rows[0]
    if (position, name, int(level), int(score)) != ("1", PLAYER, context.level, context.score) or date not in dates:
        fail("list row %s, expected 1, %s, level %d, score %d, today" % (rows[0], PLAYER, context.level, context.score))


STEPS = [
    ("the score server starts on a free loopback port", start_score_server),
    ("GameServer and the browser point at the test", point_the_game_and_the_browser_at_the_test),
    ("the game starts", start_game),
    ("F2 and Space until \"Save Highscore\" appears", play_until_save_highscore),
    ("the entered name heads the HighScore Table", enter_the_name_and_see_the_table),
    ("Upload to Server: \"Success! Your Scores are Uploaded\"", upload_reports_success),
    ("View Internet list opens the list page", view_internet_list_opens_the_list_page),
    ("F1 opens the help page", f1_opens_the_help_page),
    ("the list page in Chromium shows the name, level and score", list_page_in_chromium_shows_the_entry),
]


def main():
    SERVER["program"] = server_program()
    if SERVER["program"] is None:
        print("SKIP e2e_upload: no pellorin-score-server (build the native preset first)")
        sys.exit(SKIPPED)
    artifacts = sys.argv[sys.argv.index("--artifacts") + 1] if "--artifacts" in sys.argv[:-1] else None
    failed = True
    try:
        run_steps("e2e_upload", __doc__, STEPS)
    except SystemExit as end:
        failed = end.code not in (0, SKIPPED)
        raise
    finally:
        stop_server(artifacts if failed else None)


if __name__ == "__main__":
    main()
