"""Command line and step runner shared by the end-to-end test scripts.
A script is a table of (title, step) pairs run in order against one Wine
session; the first failing step ends the run (later steps build on the state
it should have left). Exit codes: 0 passed, 1 failed, 77 skipped."""
import argparse
import os
import sys
import time
import traceback
from types import SimpleNamespace

from e2e_wine import CheckFailed, close_session, open_session

SKIPPED = 77


def parse_arguments(description):
    parser = argparse.ArgumentParser(description=description)
    parser.add_argument("--exe", help="the program under test")
    parser.add_argument("--inspector", required=True, help="pellorin_inspector.exe")
    parser.add_argument("--artifacts", required=True, help="where a failed run leaves its files")
    parser.add_argument("--accept-start-box", action="append", default=[],
                        help="caption of a message box that may appear at start (pressed OK)")
    return parser.parse_args()


def run_steps(name, description, steps):
    arguments = parse_arguments(description)
    for path in (arguments.exe, arguments.inspector):
        if not path or not os.path.isfile(path):
            print("FAIL %s: no file %s" % (name, path))
            sys.exit(1)
    if not os.environ.get("DISPLAY"):
        print("FAIL %s: DISPLAY is not set (run under tools/wine/with-xvfb)" % name)
        sys.exit(1)
    started = time.monotonic()
    session = open_session(name, arguments.inspector, arguments.artifacts)
    print("prefix ready in %.1f s" % session.prefix_seconds)
    context = SimpleNamespace(session=session, arguments=arguments, exe=arguments.exe)
    failed = False
    for title, step in steps:
        step_start = time.monotonic()
        try:
            step(context)
        except CheckFailed as problem:
            print("FAIL %s (%.1f s): %s" % (title, time.monotonic() - step_start, problem))
            failed = True
        except Exception:
            print("FAIL %s (%.1f s): error in the test" % (title, time.monotonic() - step_start))
            traceback.print_exc(file=sys.stdout)
            failed = True
        if failed:
            break
        print("PASS %s (%.1f s)" % (title, time.monotonic() - step_start))
    close_session(session, failed)
    print("%s %s in %.1f s" % ("FAILED" if failed else "PASSED", name, time.monotonic() - started))
    sys.stdout.flush()
    sys.exit(1 if failed else 0)
