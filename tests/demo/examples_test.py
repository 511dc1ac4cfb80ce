"""Static checks of the example working directory examples/.

- the STREAMFILE group names at least 6 templates, all present;
- the templates name at least 150 distinct tags and use request blocks;
- nothing under examples/ points at an address other than 127.0.0.1: no URL
  or protocol-relative link to another host, no other IP address, no web
  font or style sheet import.
Usage: examples_test.py EXAMPLES_DIR
"""
import os
import re
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                "..", "..", "tools", "demo"))
from demorun import exit_with, references, stream_templates  # noqa: E402

URL = re.compile(r"\b[a-z][a-z0-9+.-]*://([^/\s\"'<>:]*)", re.I)
PROTOCOL_RELATIVE = re.compile(r"""(?:src|href|url)\s*[=(]\s*["']?//([^/\s"'<>)]+)""", re.I)
IPV4 = re.compile(r"(?<![\d.])(\d{1,3}(?:\.\d{1,3}){3})(?![\d.])")
IMPORTS = re.compile(r"@import|@font-face|fonts\.googleapis|<script[^>]+src=", re.I)
# An XML namespace names a vocabulary; nothing is fetched from it.
NAMESPACE = re.compile(r"""\bxmlns(?::\w+)?\s*=\s*["'][^"']*["']""")
LOCAL = {"127.0.0.1"}
# The checker must flag each of these (and pass the last line).
SAMPLES_FLAGGED = ['<link href="https://cdn.example.org/x.css">', "src='//cdn.example.org/a.js'",
                   "server=192.168.1.20@21", "@import url(style2.css);",
                   "url(http://localhost/x.png)"]
SAMPLE_CLEAN = 'server=127.0.0.1@2121 <a href="http://127.0.0.1:8000/">x</a> <svg xmlns="http://www.w3.org/2000/svg">'


def address_problems(path, text):
    problems = []
    text = NAMESPACE.sub("", text)
    hosts = URL.findall(text) + PROTOCOL_RELATIVE.findall(text)
    problems += [f"{path}: link to {h or 'an empty host'}" for h in hosts if h not in LOCAL]
    problems += [f"{path}: address {a}" for a in IPV4.findall(text) if a not in LOCAL]
    problems += [f"{path}: loads {m}" for m in IMPORTS.findall(text)]
    return problems


def main(examples):
    failures = [f"the checker misses {s!r}" for s in SAMPLES_FLAGGED if not address_problems("", s)]
    failures += [f"the checker flags {SAMPLE_CLEAN!r}"] if address_problems("", SAMPLE_CLEAN) else []
    templates = stream_templates(examples)
    if len(templates) < 6:
        failures.append(f"only {len(templates)} templates in STREAMFILE")
    tags, criteria = set(), []
    for path in templates:
        if not os.path.isfile(path):
            failures.append(f"template {path} is missing")
            continue
        with open(path, encoding="utf-8") as f:
            found, blocks = references(f.read())
        tags |= found
        criteria += blocks
    print(f"{len(templates)} templates, {len(tags)} distinct tags, {len(criteria)} request blocks")
    if len(tags) < 150:
        failures.append(f"the templates name only {len(tags)} distinct tags")
    if not criteria:
        failures.append("no template uses a #RQT# request block")
    for directory, _, files in os.walk(examples):
        for name in files:
            path = os.path.join(directory, name)
            with open(path, encoding="utf-8", errors="replace") as f:
                failures += address_problems(os.path.relpath(path, examples), f.read())
    return failures


if __name__ == "__main__":
    exit_with(main(sys.argv[1]))
