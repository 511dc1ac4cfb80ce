"""The Windows program under Wine publishes the site as the Linux program does.

Runs the demo (console-sim, pyftpdlib and the example site, all on 127.0.0.1,
started and stopped from the Linux side) once with the Linux program and once
with the Windows program under Wine, from the same simulator seed and console
clock, and checks:
- the same files reach the server, each page and image equal to its cache file;
- each page equals the Linux one once numbers and times are set aside (the
  readings move within a run), each carried picture byte for byte;
- a Ctrl-C to the Windows program alone ends it within 2 s with exit code 0;
- installed as a service, Wine's service manager starts it in its own
  directory and stops it; then it is removed.
Usage: end_to_end_test.py SOURCE_DIR LINUX_BUILD WINDOWS_BUILD
"""
import difflib
import filecmp
import os
import re
import shutil
import signal
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(sys.argv[1], "tools", "demo"))
from demorun import DemoRun, exit_with, published_temp_ext, stream_templates  # noqa: E402

# Drawn from the values of the moment: compared as pictures only by the image suites.
VALUE_IMAGES = {"rsdv.png", "icone_tendance.png", "ico_tnd_pression.png"}
NUMBERS = re.compile(r"[-+]?\d+([.,:/]\d+)*")
NUMBER_LISTS = re.compile(r"#([ ,]+#)+")
# The pass's timing is written when the pass ends, after its data: a page filled
# in between shows the data with the start-up placeholders in its footer.
PASS_ENDED = re.compile(r"Collecte de \d")


def published(demo, examples):
    """Wait for the site of an ended pass, then {name: bytes} of what reached the server."""
    pages = [os.path.basename(p) for p in stream_templates(examples)]

    def complete():
        index = demo.page("index.html")
        return all(os.path.exists(os.path.join(demo.site, p)) for p in pages) and \
            published_temp_ext(index) is not None and PASS_ENDED.search(index or "")
    if not demo.wait_until(complete, 60):
        return None
    time.sleep(3)  # the images and charts of the same collection
    site = {}
    for name in sorted(os.listdir(demo.site)):
        with open(os.path.join(demo.site, name), "rb") as f:
            site[name] = f.read()
    return site


def cache_problems(demo, site, label):
    # A page filled again meanwhile reaches the server a moment after its cache file.
    for _ in range(5):
        problems = []
        for name in site:
            cached = os.path.join(demo.cache, name)
            if os.path.exists(cached) and \
                    not filecmp.cmp(cached, os.path.join(demo.site, name), False):
                problems.append(f"{label}: {name} on the server differs from its cache file")
        if not problems:
            break
        time.sleep(1)
    return problems


def compare(linux, windows):
    problems = []
    if sorted(linux) != sorted(windows):
        problems.append(f"published files differ: only Linux {sorted(set(linux) - set(windows))}, "
                        f"only Windows {sorted(set(windows) - set(linux))}")
    for name in sorted(set(linux) & set(windows)):
        a, b = linux[name], windows[name]
        if name.endswith(".png"):
            if name not in VALUE_IMAGES and a != b:
                problems.append(f"{name}: the picture differs from the Linux one")
        elif without_numbers(name, a) != without_numbers(name, b):
            problems.append(f"{name}: the page differs from the Linux one beyond its numbers")
            diff = difflib.unified_diff(a.decode("utf-8", "replace").splitlines(),
                                        b.decode("utf-8", "replace").splitlines(),
                                        "Linux", "Windows", lineterm="", n=1)
            print("\n".join(list(diff)[:30]))
    return problems


def without_numbers(name, content):
    """A page with its numbers set aside; a chart as the set of its kinds of lines."""
    text = NUMBERS.sub("#", content.decode("utf-8", "replace"))
    if not name.endswith(".svg"):
        return text
    # The weather moves between the two runs: a chart's scale may take one more
    # step, a series one more point or bar. What it draws, and how, stays.
    return set(NUMBER_LISTS.sub("#", text).splitlines())


def service_problems(root, windows_build):
    """Install, start, stop and remove the service; what went wrong."""
    wine = os.path.join(root, "scripts", "wine_run.sh")
    home = os.path.join(os.path.abspath(windows_build), "service-test")
    shutil.rmtree(home, ignore_errors=True)
    os.makedirs(home)
    for path in (os.path.join(windows_build, "bin", "tvl_brumalweb.exe"),
                 os.path.join(root, "examples", "langue.pack"),
                 os.path.join(root, "examples", "tvl_brumalweb.ini")):
        shutil.copy(path, home)

    def run(*command):
        return subprocess.run([wine, *command], cwd=home, capture_output=True, text=True,
                              timeout=60)
    problems = []
    installed = run(os.path.join(home, "tvl_brumalweb.exe"), "--install-service")
    if installed.returncode != 0:
        return [f"--install-service failed: {installed.stdout}{installed.stderr}"]
    try:
        started = run("net", "start", "tvl_brumalweb")
        journal = os.path.join(home, "journal")
        deadline = time.monotonic() + 20
        while not os.path.isdir(journal) and time.monotonic() < deadline:
            time.sleep(0.2)
        if started.returncode != 0 or not os.path.isdir(journal):
            problems.append(f"the service did not start in its directory: {started.stdout}")
        stop = time.monotonic()
        stopped = run("net", "stop", "tvl_brumalweb")
        if stopped.returncode != 0:
            problems.append(f"the service did not stop: {stopped.stdout}")
        print(f"service: started in its directory, stopped in {time.monotonic() - stop:.2f} s")
    finally:
        removed = run(os.path.join(home, "tvl_brumalweb.exe"), "--remove-service")
        if removed.returncode != 0:
            problems.append(f"--remove-service failed: {removed.stdout}{removed.stderr}")
    return problems


def main(root, linux_build, windows_build):
    examples = os.path.join(root, "examples")
    os.environ.pop("DEMO_WINDOWS", None)
    # Both runs from the same console time: the same weather, at the same moments.
    os.environ["DEMO_CONSOLE_START"] = time.strftime("%Y-%m-%d %H:%M:%S")
    with DemoRun(root, linux_build) as demo:
        linux = published(demo, examples)
        if linux is None:
            print(demo.text())
            return ["the Linux program did not publish the site within 60 s"]
        problems = cache_problems(demo, linux, "Linux")
    os.environ["DEMO_WINDOWS"] = os.path.abspath(windows_build)
    with DemoRun(root, linux_build) as demo:
        windows = published(demo, examples)
        if windows is None:
            print(demo.text())
            return problems + ["the Windows program did not publish the site within 60 s"]
        problems += cache_problems(demo, windows, "Windows")
        problems += compare(linux, windows)
        print(f"{len(windows)} files published by each program")

        agent = demo.recorded_pids()[-1]
        stop = time.monotonic()
        os.kill(agent, signal.SIGINT)
        code = None
        while time.monotonic() - stop < 2:
            if "the agent ended on its own" in demo.text():
                code = int(re.search(r"exit code (\d+)", demo.text()).group(1))
                break
            time.sleep(0.05)
        took = time.monotonic() - stop
        if code is None:
            problems.append("the Windows program still ran 2 s after Ctrl-C")
        else:
            print(f"Ctrl-C: the Windows program ended in {took:.2f} s with code {code}")
            if code != 0:
                problems.append(f"the Windows program ended with code {code} after Ctrl-C")
    return problems + service_problems(root, windows_build)


if __name__ == "__main__":
    exit_with(main(*sys.argv[1:4]))
