"""Headless Chromium driven through the DevTools protocol over a pipe
(--remote-debugging-pipe: JSON messages ending in NUL on file descriptors 3
and 4), so that no debugging port is opened and nothing beyond Python's own
library is needed."""
import fcntl
import json
import os
import select
import shutil
import subprocess
import tempfile
import time

CHROMIUM = os.environ.get("PELLORIN_CHROMIUM", "/usr/bin/chromium")
FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
         "--disable-background-networking", "--disable-component-update", "--disable-sync",
         "--remote-debugging-pipe", "--window-size=1100,850"]


class DevToolsError(Exception):
    pass


class Browser:
    def __init__(self, log_path):
        self.profile = tempfile.mkdtemp(prefix="pellorin-chromium-")
        to_browser_read, self._to_browser = os.pipe()
        self._from_browser, from_browser_write = os.pipe()

        def as_descriptors_3_and_4():
            # The browser reads commands on its descriptor 3 and answers on 4;
            # copies above both first, so that neither dup2 overwrites the other.
            read = fcntl.fcntl(to_browser_read, fcntl.F_DUPFD, 10)
            write = fcntl.fcntl(from_browser_write, fcntl.F_DUPFD, 10)
            os.dup2(read, 3)
            os.dup2(write, 4)

        with open(log_path, "wb") as log:
            self.process = subprocess.Popen(
                [CHROMIUM] + FLAGS + ["--user-data-dir=" + self.profile, "about:blank"],
                stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT,
                pass_fds=(3, 4), preexec_fn=as_descriptors_3_and_4, start_new_session=True)
        for fd in (to_browser_read, from_browser_write):
            os.close(fd)
        self._buffer = b""
        self._next_id = 0
        self.session = None

    def _send(self, method, params, session):
        self._next_id += 1
        message = {"id": self._next_id, "method": method, "params": params}
        if session:
            message["sessionId"] = session
        os.write(self._to_browser, json.dumps(message).encode() + b"\0")
        return self._next_id

    def _read_message(self, deadline):
        while b"\0" not in self._buffer:
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([self._from_browser], [], [], left)[0]:
                raise DevToolsError("no answer from Chromium in time")
            chunk = os.read(self._from_browser, 1 << 20)
            if not chunk:
                raise DevToolsError("Chromium closed its pipe")
            self._buffer += chunk
        message, self._buffer = self._buffer.split(b"\0", 1)
        return json.loads(message)

    def call(self, method, timeout=30, session=True, **params):
        """Sends a command (to the attached page unless session=False) and
        gives its result; events that arrive meanwhile are dropped."""
        ident = self._send(method, params, self.session if session else None)
        deadline = time.monotonic() + timeout
        while True:
            message = self._read_message(deadline)
            if message.get("id") == ident:
                if "error" in message:
                    raise DevToolsError("%s: %s" % (method, message["error"].get("message")))
                return message.get("result", {})

    def open_page(self):
        """Attaches to the first page; later calls go to it."""
        deadline = time.monotonic() + 30
        while True:
            pages = [t for t in self.call("Target.getTargets", session=False)["targetInfos"]
                     if t["type"] == "page"]
            if pages:
                break
            if time.monotonic() > deadline:
                raise DevToolsError("Chromium opened no page")
            time.sleep(0.1)
        self.session = self.call("Target.attachToTarget", session=False, targetId=pages[0]["targetId"],
                                 flatten=True)["sessionId"]

    def evaluate(self, expression, timeout=30):
        result = self.call("Runtime.evaluate", timeout=timeout, expression=expression,
                           returnByValue=True, awaitPromise=True)
        if "exceptionDetails" in result:
            raise DevToolsError("script failed: %s" % result["exceptionDetails"].get("text"))
        return result["result"].get("value")

    def close(self):
        if self.process.poll() is None:
            try:
                self.call("Browser.close", timeout=5, session=False)
                self.process.wait(timeout=10)
            except (DevToolsError, OSError, subprocess.TimeoutExpired):
                os.killpg(self.process.pid, 9)
                self.process.wait(timeout=10)
        for fd in (self._to_browser, self._from_browser):
            try:
                os.close(fd)
            except OSError:
                pass
        shutil.rmtree(self.profile, ignore_errors=True)
