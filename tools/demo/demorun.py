"""Runs tools/demo/run.sh and looks at what it published.

Shared by the demo's tests and `make test-browser`. The demo runs in a
session of its own, so that a Ctrl-C can be played by signalling its process
group, and whatever happens the group and every process the demo recorded are
killed when the run is left.
"""
import json
import os
import re
import signal
import socket
import subprocess
import sys
import threading
import time

# The page block that must never show a missing value.
CONDITIONS = re.compile(r'<section id="conditions">(.*?)</section>', re.S)
TEMP_EXT = re.compile(r'<span id="TempExt">([^<]*)</span>')


class DemoRun:
    def __init__(self, root, build, seconds=None):
        self.root, self.build = root, build
        self.demo = os.path.join(build, "demo")
        self.run = os.path.join(self.demo, "run")
        self.site = os.path.join(self.demo, "ftp", "site", "meteo")
        self.cache = os.path.join(self.run, "cache")
        env = dict(os.environ)
        env.pop("DEMO_SECONDS", None)
        if seconds is not None:
            env["DEMO_SECONDS"] = str(seconds)
        self.started = time.monotonic()
        self.process = subprocess.Popen(
            [os.path.join(root, "tools", "demo", "run.sh"), build], env=env,
            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
            start_new_session=True)
        self.output = []
        self.url = None
        self._reader = threading.Thread(target=self._read, daemon=True)
        self._reader.start()

    def _read(self):
        for line in self.process.stdout:
            self.output.append(line.rstrip("\n"))
            m = re.search(r"site at (http://\S+)", line)
            if m:
                self.url = m.group(1)

    def __enter__(self):
        return self

    def __exit__(self, *_):
        self.kill()

    def text(self):
        return "\n".join(self.output)

    def wait_until(self, predicate, timeout):
        """True once predicate() holds, False after timeout s or when the demo ended.

        Nothing is looked at before the demo announced its site: until then the
        files of an earlier run may still lie in its directory.
        """
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if self.url is not None and predicate():
                return True
            if self.process.poll() is not None:
                return self.url is not None and predicate()
            time.sleep(0.2)
        return False

    def interrupt(self):
        """Plays a Ctrl-C: SIGINT to the whole process group, as a terminal does."""
        os.killpg(self.process.pid, signal.SIGINT)

    def wait_end(self, timeout):
        """The demo's exit code, or None when it still runs after timeout s."""
        try:
            code = self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            return None
        self._reader.join(2)
        return code

    def recorded_pids(self):
        try:
            with open(os.path.join(self.demo, "pids")) as f:
                return [int(p) for p in f.read().split()]
        except FileNotFoundError:
            return []

    def leftovers(self):
        """Processes the demo started that still run (zombies count as ended)."""
        alive = []
        for pid in self.recorded_pids():
            try:
                with open(f"/proc/{pid}/stat") as f:
                    state = f.read().rsplit(")", 1)[1].split()[0]
            except (FileNotFoundError, ProcessLookupError, IndexError):
                continue
            if state != "Z":
                alive.append(pid)
        return alive

    def kill(self):
        try:
            os.killpg(self.process.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        for pid in self.leftovers():
            try:
                os.kill(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        self.process.wait()

    # What the demo published.
    def page(self, name):
        try:
            with open(os.path.join(self.site, name), encoding="utf-8") as f:
                return f.read()
        except FileNotFoundError:
            return None

    def journal(self):
        directory = os.path.join(self.run, "journal")
        text = ""
        for name in sorted(os.listdir(directory)) if os.path.isdir(directory) else []:
            with open(os.path.join(directory, name), encoding="utf-8", errors="replace") as f:
                text += f.read()
        return text

    def simulator_outside_temp(self):
        """The simulator's outside temperature now, in °C."""
        with open(os.path.join(self.demo, "console-sim.ready")) as f:
            port = json.load(f)["control_port"]
        with socket.create_connection(("127.0.0.1", port), 5) as s:
            s.sendall(b'{"cmd":"readings"}\n')
            reply = s.makefile().readline()
        tenths_f = json.loads(reply)["readings"]["outside_temp"]
        return (tenths_f / 10 - 32) * 5 / 9


def current_conditions(html):
    m = CONDITIONS.search(html or "")
    return m.group(1) if m else None


def published_temp_ext(html):
    """TempExt as index.html shows it, or None while it is no number yet."""
    m = TEMP_EXT.search(html or "")
    try:
        return float(m.group(1)) if m else None
    except ValueError:
        return None


# The example site's templates and the tags they name.
REQUEST = re.compile(r"#RQT#([^#]*)#")
TAG = re.compile(r"#([A-Za-z][A-Za-z0-9_]*)#")


def stream_templates(examples):
    """Paths under examples/ of the templates that the STREAMFILE group names."""
    paths, group = [], None
    with open(os.path.join(examples, "tvl_brumalweb.ini"), encoding="utf-8") as f:
        for line in f:
            line = line.strip()
            if line.startswith("["):
                group = line.strip("[]")
            elif group == "STREAMFILE" and "=" in line and not line.startswith(";"):
                value = line.split("=", 1)[1].replace("#REPCOURANT#", "").replace("\\", "/")
                paths.append(os.path.join(examples, value))
    return paths


def references(text):
    """(tag names, request criteria) that a template refers to."""
    criteria = REQUEST.findall(text)
    return set(TAG.findall(REQUEST.sub("", text))), criteria


def exit_with(problems):
    """Ends a check script: one FAIL line per problem, exit code 1 when any."""
    for problem in problems:
        print("FAIL:", problem)
    sys.exit(1 if problems else 0)
