"""`make install` stages exactly the agent's files and its systemd unit.

Runs the install step of `make install` (cmake --install with --prefix
/opt/tvl_brumalweb and DESTDIR set) into a temporary directory, compares the
staged files with the expected list, checks the unit's settings, runs
`systemd-analyze verify` on it where that tool exists, and starts the staged
agent with --version.
Usage: install_test.py BUILD_DIR
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                "..", "..", "tools", "demo"))
from demorun import exit_with  # noqa: E402

PREFIX = "/opt/tvl_brumalweb"
UNIT = "/etc/systemd/system/tvl_brumalweb.service"
EXPECTED = {PREFIX + "/tvl_brumalweb", PREFIX + "/langue.pack",
            PREFIX + "/tvl_brumalweb.ini.example", UNIT}
UNIT_SETTINGS = {
    "Type": "notify", "User": "tvl_brumalweb", "WorkingDirectory": PREFIX,
    "ReadWritePaths": PREFIX, "ExecStart": PREFIX + "/tvl_brumalweb",
    "Restart": "on-failure", "KillSignal": "SIGTERM", "NoNewPrivileges": "yes",
    "ProtectSystem": "strict",
}


def staged_files(stage):
    found = set()
    for directory, _, files in os.walk(stage):
        for name in files:
            found.add("/" + os.path.relpath(os.path.join(directory, name), stage))
    return found


def unit_problems(text):
    settings = dict(re.findall(r"^(\w+)=(.*)$", text, re.M))
    problems = [f"unit: {key}={settings.get(key)!r}, expected {value!r}"
                for key, value in UNIT_SETTINGS.items() if settings.get(key) != value]
    if not settings.get("WatchdogSec"):
        problems.append("unit: no WatchdogSec")
    return problems


def verify(stage, text):
    """systemd-analyze verify, with the program path pointing into the stage."""
    tool = shutil.which("systemd-analyze")
    if tool is None:
        print("systemd-analyze is not installed: verification skipped")
        return []
    copy = os.path.join(stage, "tvl_brumalweb.service")
    with open(copy, "w") as f:
        f.write(text.replace("ExecStart=" + PREFIX, "ExecStart=" + stage + PREFIX))
    result = subprocess.run([tool, "verify", copy], capture_output=True, text=True, timeout=60)
    os.remove(copy)
    print(result.stdout + result.stderr)
    return [] if result.returncode == 0 else ["systemd-analyze verify fails on the unit"]


def main(build):
    failures = []
    with tempfile.TemporaryDirectory() as stage:
        env = dict(os.environ, DESTDIR=stage)
        subprocess.run(["cmake", "--install", build, "--prefix", PREFIX], env=env, check=True,
                       stdout=subprocess.DEVNULL)
        found = staged_files(stage)
        if found != EXPECTED:
            failures.append(f"installed {sorted(found)}, expected {sorted(EXPECTED)}")
        if os.path.isfile(stage + UNIT):
            with open(stage + UNIT) as f:
                text = f.read()
            failures += unit_problems(text)
            failures += verify(stage, text)
        agent = stage + PREFIX + "/tvl_brumalweb"
        if os.path.isfile(agent):
            version = subprocess.run([agent, "--version"], capture_output=True, text=True,
                                     timeout=30)
            if "1.0" not in version.stdout:
                failures.append(f"the staged agent says {version.stdout!r}")
    return failures


if __name__ == "__main__":
    exit_with(main(sys.argv[1]))
