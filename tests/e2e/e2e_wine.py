"""One end-to-end test's Wine session: a fresh prefix copied from the
template, programs started in it with their output in files (never pipes:
Wine's background services inherit them), the window inspector, X input
through xdotool, and registry reads through `wine reg export`."""
import os
import re
import shutil
import subprocess
import tempfile
import sys
import time
from types import SimpleNamespace

SOURCE_DIR = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(SOURCE_DIR, "tools", "wine"))
from polling import poll  # noqa: E402
from wine_env import read_wine_env, wine_environment  # noqa: E402

WINE_ENV = read_wine_env()
WINE64 = WINE_ENV["PELLORIN_WINE64"]
WINE32 = WINE_ENV["PELLORIN_WINE32"]
WINESERVER = WINE_ENV["PELLORIN_WINESERVER"]
MAKE_PREFIX = os.path.join(SOURCE_DIR, "tools", "wine", "make-prefix")


class CheckFailed(Exception):
    """A check did not hold; the message says what was seen."""


def fail(message):
    raise CheckFailed(message)


def trace(message):
    """Timing lines for finding slow or flaky steps (PELLORIN_E2E_TRACE=1)."""
    if os.environ.get("PELLORIN_E2E_TRACE"):
        print("  %.3f %s" % (time.monotonic(), message), flush=True)


def wait_until(what, probe, timeout, detail=None, interval=0.05):
    """Calls probe until it gives a truthy value and returns that value.
    Fails after timeout seconds, naming what was awaited and, when given,
    detail() for what was seen last."""
    result = poll(probe, timeout, interval)
    if not result:
        seen = "" if detail is None else "; last seen: " + str(detail())
        fail("timed out after %.1f s waiting for %s%s" % (timeout, what, seen))
    return result


def hold_for(what, probe, duration, interval=0.1):
    """Checks that probe stays truthy for the whole duration (seconds)."""
    end = time.monotonic() + duration
    while True:
        if not probe():
            fail("%s stopped holding" % what)
        if time.monotonic() >= end:
            return
        time.sleep(interval)


def windows_path(path):
    """The Wine path of a Unix file: drive Z: is the Unix root."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def open_session(name, inspector, artifacts):
    """Makes the session's work directory and its fresh prefix."""
    work = tempfile.mkdtemp(prefix="pellorin-%s-" % name)
    prefix = os.path.join(work, "prefix")
    template = os.environ.get("PELLORIN_WINE_TEMPLATE", "")
    started = time.monotonic()
    if template and os.path.isdir(template):
        subprocess.run(["cp", "-a", template, prefix], check=True, timeout=120)
    else:
        with open(os.path.join(work, "make-prefix.out"), "wb") as log:
            subprocess.run([MAKE_PREFIX, prefix], stdout=log, stderr=subprocess.STDOUT,
                           stdin=subprocess.DEVNULL, check=True, timeout=300)
    env = wine_environment(prefix)
    if os.path.isdir(artifacts):
        shutil.rmtree(artifacts)
    session = SimpleNamespace(name=name, work=work, prefix=prefix, env=env, inspector=inspector,
                              artifacts=artifacts, programs=[], serial=0)
    session.prefix_seconds = time.monotonic() - started
    return session


def next_file(session, stem):
    session.serial += 1
    return os.path.join(session.work, "%03d-%s" % (session.serial, stem))


def is_32bit_exe(exe):
    """Whether a PE file is built for i386 (its COFF machine field)."""
    with open(exe, "rb") as source:
        header = source.read(4096)
    offset = int.from_bytes(header[0x3C:0x40], "little")
    return header[offset:offset + 4] == b"PE\0\0" and header[offset + 4:offset + 6] == b"\x4c\x01"


def wine_loader(exe):
    """The loader that runs exe itself: wine64 for a 64-bit program, wine
    for a 32-bit one (/usr/bin/wine would go through start.exe, so the
    process would not be the program)."""
    return WINE32 if is_32bit_exe(exe) else WINE64


def start_program(session, exe, *args):
    """Starts a Windows program with its own loader directly (so the process
    is the program itself and its exit code is the program's)."""
    out = next_file(session, os.path.basename(exe) + ".out")
    with open(out, "wb") as sink:
        process = subprocess.Popen([wine_loader(exe), exe] + list(args), stdout=sink, stderr=subprocess.STDOUT,
                                   stdin=subprocess.DEVNULL, env=session.env)
    program = SimpleNamespace(exe=exe, process=process, out=out)
    session.programs.append(program)
    return program


def program_output(program):
    with open(program.out, "rb") as source:
        return source.read().decode("utf-8", "replace")


def wait_for_exit(program, timeout):
    """The program's exit code, once it has ended within timeout seconds."""
    try:
        return program.process.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        fail("%s still runs after %.0f s" % (os.path.basename(program.exe), timeout))


def unescape(text):
    return re.sub(r"\\(.)", lambda m: {"t": "\t", "n": "\n", "r": "\r"}.get(m.group(1), m.group(1)), text)


def parse_records(text):
    """Tab-separated key=value lines, as the inspector prints them."""
    records = []
    for line in text.splitlines():
        if "=" not in line:
            continue
        record = {}
        for field in line.split("\t"):
            key, _, value = field.partition("=")
            record[key] = unescape(value)
        records.append(record)
    return records


def inspect(session, *args, timeout=30, check=True):
    """Runs one inspector command; gives (exit code, output text)."""
    out = next_file(session, "inspector-%s.out" % args[0])
    err = out[:-4] + ".err"
    started = time.monotonic()
    with open(out, "wb") as sink, open(err, "wb") as errors:
        try:
            code = subprocess.run([wine_loader(session.inspector), session.inspector] + [str(a) for a in args], stdout=sink,
                                  stderr=errors, stdin=subprocess.DEVNULL, env=session.env,
                                  timeout=timeout).returncode
        except subprocess.TimeoutExpired:
            fail("inspector %s did not finish within %d s" % (" ".join(map(str, args)), timeout))
    trace("inspector %s: %d in %.2f s" % (" ".join(map(str, args))[:60], code, time.monotonic() - started))
    with open(out, "rb") as source:
        text = source.read().decode("latin-1")
    if check and code != 0:
        with open(err, "rb") as source:
            message = source.read().decode("latin-1").strip()
        fail("inspector %s failed (%d): %s" % (" ".join(map(str, args)), code, message))
    return code, text


def start_inspect(session, *args):
    """Starts an inspector command that waits (such as wait-exit) without
    waiting for it; read its output with program_output once it has ended."""
    return start_program(session, session.inspector, *[str(a) for a in args])


# Listing commands only read; one of them was seen to exit 1 with no output
# at all under a loaded Wine, so such a silent failure is asked once more.
def inspect_records(session, *args, timeout=30):
    if str(args[0]).startswith("list-"):
        code, text = inspect(session, *args, timeout=timeout, check=False)
        if code == 0:
            return parse_records(text)
        if text.strip():
            fail("inspector %s failed (%d)" % (" ".join(map(str, args)), code))
        trace("inspector %s gave %d with no output; asking again" % (args[0], code))
    return parse_records(inspect(session, *args, timeout=timeout)[1])


def xdotool(session, *args):
    started = time.monotonic()
    result = subprocess.run(["xdotool"] + [str(a) for a in args], capture_output=True, timeout=30,
                            env=session.env)
    trace("xdotool %s: %d in %.2f s" % (" ".join(map(str, args)), result.returncode, time.monotonic() - started))
    if result.returncode != 0:
        fail("xdotool %s failed: %s" % (" ".join(map(str, args)), result.stderr.decode().strip()))


def focus_window(session, window):
    """Brings a top-level window forward inside Wine (which, without a window
    manager, does not follow X focus) and gives its X window the focus."""
    inspect(session, "foreground", window["hwnd"])
    xdotool(session, "windowfocus", window["xid"])


def press_keys(session, window, *keys):
    """Key presses (xdotool key names) as the X server's own key events
    (XTEST) to the window's X window, which it first gets the X focus: DirectInput
    sees them like a player's keys. Both halves of a press always go through
    XTEST, so that a key that closes its window is still released in the X
    server; a release sent to a window instead (XSendEvent) leaves the key
    held, and X autorepeat then types it into whatever has the focus next."""
    xdotool(session, "windowfocus", window["xid"], "key", "--delay", "40", *keys)


def export_registry(session, key):
    """The values of one registry key as {name: int | str | bytes}, or None
    when the key does not exist."""
    target = next_file(session, "registry.reg")
    code, _ = run_wine_tool(session, ["reg", "export", key, target])
    if code != 0 or not os.path.exists(target):
        return None
    with open(target, "rb") as source:
        text = source.read().decode("utf-16")
    return parse_reg_export(text)


def run_wine_tool(session, args):
    out = next_file(session, args[0] + ".out")
    with open(out, "wb") as sink:
        code = subprocess.run([WINE64] + args, stdout=sink, stderr=subprocess.STDOUT,
                              stdin=subprocess.DEVNULL, env=session.env, timeout=60).returncode
    with open(out, "rb") as source:
        return code, source.read().decode("latin-1")


def parse_reg_export(text):
    values = {}
    joined = re.sub(r"\\\r?\n\s*", "", text)
    for line in joined.splitlines():
        match = re.match(r'^"((?:[^"\\]|\\.)*)"=(.*)$', line)
        if not match:
            continue
        name, data = unescape(match.group(1)), match.group(2)
        if data.startswith("dword:"):
            values[name] = int(data[6:], 16)
        elif data.startswith('"'):
            values[name] = unescape(data[1:-1])
        elif data.startswith("hex"):
            digits = data.split(":", 1)[1].replace(",", "").strip()
            values[name] = bytes.fromhex(digits)
    return values


def close_session(session, failed):
    """Ends every program still running, stops the Wine server of the
    prefix, keeps the session's files as artifacts when a check failed, and
    removes the prefix."""
    for program in session.programs:
        if program.process.poll() is None:
            program.process.kill()
            program.process.wait(timeout=30)
        elif failed:
            last = program_output(program).strip().splitlines()[-1:]
            print("%s had ended with exit code %d%s" % (os.path.basename(program.exe), program.process.returncode,
                                                        "; its last output line: " + last[0] if last else ""))
    try:
        subprocess.run([WINESERVER, "-k"], env=session.env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
    except subprocess.TimeoutExpired:
        print("wineserver -k did not return within 60 s")
    shutil.rmtree(session.prefix, ignore_errors=True)
    if failed:
        shutil.copytree(session.work, session.artifacts, dirs_exist_ok=True)
        print("files of the failed run: %s" % session.artifacts)
    shutil.rmtree(session.work, ignore_errors=True)
