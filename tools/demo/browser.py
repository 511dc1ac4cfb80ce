"""`make test-browser`: the demo's pages as a browser renders them.

Runs the demo, waits until every template has been uploaded with live values,
then opens each uploaded page through the demo's HTTP server in headless
Chromium: one screenshot per page under BUILD/demo/screens/, and the rendered
document is checked. Fails when index.html lacks the simulator's outside
temperature as TempExt, when its current conditions show "---", when a page
still holds a tag reference, or when a chart a page shows is missing on the
server or draws no data. Chromium is kept on 127.0.0.1: every other host
name resolves to nothing and any other request goes to a closed local port.
Usage: browser.py SOURCE_DIR BUILD_DIR
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

from demorun import DemoRun, current_conditions, exit_with, published_temp_ext, stream_templates

LOOPBACK_ONLY = ["--host-resolver-rules=MAP * ~NOTFOUND, EXCLUDE 127.0.0.1",
                 "--proxy-server=127.0.0.1:9", "--disable-background-networking",
                 "--disable-component-update", "--disable-sync", "--disable-default-apps",
                 "--no-first-run", "--no-pings", "--disable-domain-reliability"]
LEFT_TAG = re.compile(r"#(?:RQT#)?[A-Z][A-Za-z0-9_]*#")
CHART = re.compile(r'src="(graph_[a-z0-9_]+\.svg)"')


def chart_problem(path):
    """Why the uploaded chart is missing or shows nothing, or None."""
    try:
        with open(path, encoding="utf-8") as f:
            svg = f.read()
    except FileNotFoundError:
        return "missing on the server"
    if "<svg" not in svg or "viewBox" not in svg:
        return "no scalable SVG"
    marks = len(re.findall(r"<polyline|<circle", svg)) + max(0, svg.count("<rect") - 1)
    return None if marks else "no data drawn"


def chromium():
    for name in ("chromium", "chromium-browser"):
        if shutil.which(name):
            return shutil.which(name)
    sys.exit("test-browser: chromium is not installed (scripts/setup.sh chromium)")


def render(browser, profile, url, *action):
    command = [browser, "--headless", "--no-sandbox", "--disable-gpu", "--hide-scrollbars",
               f"--user-data-dir={profile}", "--window-size=1280,1400", *LOOPBACK_ONLY,
               *action, url]
    return subprocess.run(command, capture_output=True, text=True, timeout=120).stdout


def check_page(name, dom, simulated, site):
    problems = [f"{name}: tag references left: {sorted(set(LEFT_TAG.findall(dom)))}"] \
        if LEFT_TAG.search(dom) else []
    for chart in sorted(set(CHART.findall(dom))):
        problem = chart_problem(os.path.join(site, chart))
        if problem:
            problems.append(f"{name}: {chart} {problem}")
    if name == "index.html":
        shown = published_temp_ext(dom)
        if shown is None or abs(shown - simulated) > 0.5:
            problems.append(f"index.html shows TempExt {shown}, the simulator {simulated:.2f} °C")
        conditions = current_conditions(dom)
        if conditions is None or "---" in conditions:
            problems.append("index.html: the current conditions show --- (or are missing)")
    return problems


def main(root, build):
    browser = chromium()
    pages = [os.path.basename(p) for p in stream_templates(os.path.join(root, "examples"))
             if p.endswith(".html")]
    screens = os.path.join(build, "demo", "screens")
    shutil.rmtree(screens, ignore_errors=True)
    os.makedirs(screens)
    failures = []
    with DemoRun(root, build) as demo, tempfile.TemporaryDirectory() as profile:
        # Up once every page is on the server, index.html complete (its
        # footer too) and the alarm thresholds are in.
        ready = demo.wait_until(
            lambda: "---" not in (demo.page("index.html") or "---") and
            all(demo.page(p) for p in pages) and "->" in (demo.page("alertes.html") or ""), 60)
        if not ready:
            print(demo.text())
            return ["the demo did not publish every page within 60 s"]
        base = demo.url.rsplit("/", 1)[0]
        simulated = demo.simulator_outside_temp()
        for name in pages:
            url = f"{base}/{name}"
            shot = os.path.join(screens, name.replace(".html", ".png"))
            render(browser, profile, url, f"--screenshot={shot}")
            if not os.path.isfile(shot):
                failures.append(f"{name}: no screenshot")
            failures += check_page(name, render(browser, profile, url, "--dump-dom"), simulated,
                                   demo.site)
            print(f"test-browser: {url} -> {shot}")
        demo.interrupt()
        demo.wait_end(10)
    return failures


if __name__ == "__main__":
    exit_with(main(sys.argv[1], sys.argv[2]))
