"""Runs the demo for 40 s and checks what reached the FTP server.

- every template arrived, and each uploaded page and image equals its cache
  file; the local site arrived unchanged;
- the current-conditions block of index.html holds no "---";
- the seven images are on the server with valid PNG headers, and the history
  charts of the charts page beside them;
- the alert page lists the preset alarm (inside temperature above 15 °C);
- the journal holds the upload and site-synchronisation lines;
- every tag a template names is a tag of the agent after one collection of
  each service, and every request block matches at least one tag;
- afterwards no process the demo started is still running.
Usage: demo_smoke_test.py SOURCE_DIR BUILD_DIR
"""
import filecmp
import os
import struct
import subprocess
import sys
import time
import zlib

sys.path.insert(0, os.path.join(sys.argv[1], "tools", "demo"))
from demorun import DemoRun, current_conditions, exit_with, references, stream_templates  # noqa: E402

SECONDS = 40
IMAGES = ["ico_connexion_console.png", "rsdv.png", "icone_tendance.png", "ico_pluie.png",
          "ico_grd_froid.png", "ico_tnd_pression.png", "ico_alerte.png"]
CHARTS = [f"graph_{kind}_{period}.svg" for period in ("24h", "7j")
          for kind in ("temperature", "humidite", "pression", "vent", "pluie", "soleil")]
SERVICES = ["CurrentData", "Alarm", "HiLow", "ConfigStation", "Calibration", "Archive"]
JOURNAL_LINES = ["[MoteurPushFTP] : Envoye FTP effectuée correctement.",
                 "[SynchroSite] : Création du fichier indice."]
PRESET_ALARM = "Température intérieur en hausse"


def png_problem(path):
    """Why the file is no PNG (signature, IHDR chunk and its CRC), or None."""
    try:
        with open(path, "rb") as f:
            head = f.read(33)
    except FileNotFoundError:
        return "missing"
    if head[:8] != b"\x89PNG\r\n\x1a\n":
        return "no PNG signature"
    length, kind = struct.unpack(">I4s", head[8:16])
    if kind != b"IHDR" or length != 13:
        return "no IHDR chunk first"
    if zlib.crc32(head[12:29]) != struct.unpack(">I", head[29:33])[0]:
        return "bad IHDR checksum"
    width, height = struct.unpack(">II", head[16:24])
    return None if width and height else "empty image"


def agent_tags(demo):
    """Tag names of the agent: its catalogue dump after the last pass, and --list-tags."""
    names = set()
    with open(os.path.join(demo.run, "catalogue.txt"), encoding="utf-8", errors="replace") as f:
        names |= {line.split(" = ", 1)[0] for line in f if " = " in line}
    listing = subprocess.run([os.path.join(demo.run, "tvl_brumalweb"), "--list-tags"],
                             cwd=demo.run, capture_output=True, text=True, timeout=30)
    names |= {line.split(" = ", 1)[0] for line in listing.stdout.splitlines() if " = " in line}
    return names


def check_tags(root, demo, journal):
    failures = []
    missing = [s for s in SERVICES if f"[MoteurRecupDonnees] : {s}\n" not in journal]
    if missing:
        failures.append(f"services never collected: {missing}")
    known = agent_tags(demo)
    for path in stream_templates(os.path.join(root, "examples")):
        with open(path, encoding="utf-8") as f:
            tags, criteria = references(f.read())
        unknown = sorted(tags - known)
        if unknown:
            failures.append(f"{os.path.basename(path)} names unknown tags: {unknown}")
        unmatched = [c for c in criteria if not any(c in name for name in known)]
        if unmatched:
            failures.append(f"{os.path.basename(path)}: request blocks match no tag: {unmatched}")
    return failures


def uploads_match_cache(demo, names):
    return all(os.path.exists(os.path.join(demo.site, n)) and
               filecmp.cmp(os.path.join(demo.site, n), os.path.join(demo.cache, n), shallow=False)
               for n in names)


def main(root, build):
    failures = []
    templates = [os.path.basename(p) for p in stream_templates(os.path.join(root, "examples"))]
    with DemoRun(root, build, seconds=SECONDS) as demo:
        # Between two pushes the server holds exactly the cache's files; look
        # for such a moment in the last part of the run.
        demo.wait_until(lambda: time.monotonic() - demo.started > SECONDS - 15, SECONDS)
        published = templates + IMAGES + CHARTS
        if not demo.wait_until(lambda: uploads_match_cache(demo, published), 14):
            missing = [n for n in published if not os.path.exists(os.path.join(demo.site, n))]
            failures.append(f"uploaded files never equal their cache files (missing: {missing})")
        code = demo.wait_end(SECONDS + 30)
        if code != 0:
            failures.append(f"the demo ended with code {code}")
        print(demo.text())
        left = demo.leftovers()
        if left:
            failures.append(f"processes left after the demo: {left}")

        conditions = current_conditions(demo.page("index.html"))
        if conditions is None:
            failures.append("index.html has no current-conditions block")
        elif "---" in conditions:
            failures.append("the current conditions of index.html show ---")
        for image in IMAGES:
            problem = png_problem(os.path.join(demo.site, image))
            if problem:
                failures.append(f"{image} on the server: {problem}")
        alerts = demo.page("alertes.html") or ""
        if f"|{PRESET_ALARM} > " not in alerts:
            failures.append("alertes.html does not list the preset alarm")
        if f"{PRESET_ALARM} -> 15 °c" not in alerts:
            failures.append("alertes.html does not show the preset threshold")
        local = os.path.join(root, "examples", "local")
        for name in os.listdir(local):
            uploaded = os.path.join(demo.site, name)
            if not (os.path.exists(uploaded) and
                    filecmp.cmp(uploaded, os.path.join(local, name), shallow=False)):
                failures.append(f"the local site's {name} did not arrive as it is")
        journal = demo.journal()
        for line in JOURNAL_LINES:
            if line not in journal:
                failures.append(f"the journal lacks {line!r}")
        failures += check_tags(root, demo, journal)
    return failures


if __name__ == "__main__":
    exit_with(main(sys.argv[1], sys.argv[2]))
