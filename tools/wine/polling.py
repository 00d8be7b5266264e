"""Waiting for a condition, for the Python harnesses: each says in its own
way what was awaited when the time is up."""
import time


def poll(probe, timeout, interval):
    """Calls probe until it gives a truthy value and returns that value;
    None once timeout seconds have passed without one."""
    deadline = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() >= deadline:
            return None
        time.sleep(interval)
