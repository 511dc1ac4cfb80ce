#!/usr/bin/env python3
"""Writes the seed corpora of the text targets from the example working
directory (examples/): the configuration and the language pack for the
configuration loader, the path settings for the placeholder expansion, the
site's templates for the template filling. Usage: text_seeds.py CORPUS_DIR"""
import os
import re
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
EXAMPLES = os.path.join(HERE, "..", "..", "..", "examples")
SECTIONS = ["", "GENERAL", "STREAMFILE", "USERDATA", "SERVICES", "FTP"]


def write(directory, name, data):
    os.makedirs(directory, exist_ok=True)
    with open(os.path.join(directory, name), "wb") as out:
        out.write(data)
    print(f"{directory}/{name}: {len(data)} bytes")


def piece(data, longest=255):
    data = data[:longest]
    return bytes([len(data)]) + data


def example(name):
    with open(os.path.join(EXAMPLES, name), "rb") as f:
        return f.read()


def ini_seeds(corpus):
    ini = example("tvl_brumalweb.ini")
    pack = example("langue.pack")
    directory = os.path.join(corpus, "ini_section")
    text = ini.decode("utf-8")
    for index, section in enumerate(SECTIONS):
        write(directory, f"example_{section or 'all'}", bytes([index]) + ini)
    write(directory, "example_bom", b"\x00\xef\xbb\xbf" + ini)
    write(directory, "example_crlf", b"\x00" + ini.replace(b"\n", b"\r\n"))
    write(directory, "example_cp1252", b"\x03" + text.encode("cp1252"))
    write(directory, "example_utf16", b"\x00\xff\xfe" + text.encode("utf-16-le"))
    write(directory, "streamfile_lower_case", b"\x02" + ini.replace(b"[STREAMFILE]", b"[streamfile]"))
    write(directory, "language_pack", b"\x00" + pack)


def placeholder_seeds(corpus):
    directory = os.path.join(corpus, "placeholders")
    values = re.findall(rb"^[^;\[\n][^=\n]*=(.*#.*)$", example("tvl_brumalweb.ini"), re.M)
    environment = [(b"PATH", b"/usr/bin:/bin"), (b"HOME", b"/home/meteo")]
    head = bytes([len(environment)])
    for name, value in environment:
        head += piece(name) + piece(value)
    clock = (2026).to_bytes(2, "little") + bytes([12, 6, 14, 5, 9])
    tail = piece(b"/srv/meteo") + piece(b"bin/tvl_web.exe")
    for n, value in enumerate(values + [b"#PATH#:#path#:#Home#", b"#a#-#m#-#j# #h#:#s# #version#"]):
        write(directory, f"setting_{n:02d}", head + clock + tail + value)


def template_seeds(corpus):
    directory = os.path.join(corpus, "template_fill")
    site = os.path.join(EXAMPLES, "site")
    tags = [(b"Extra", b"#TempExt#"), (b"Liste", b"a;b")]
    head = bytes([len(tags)])
    for name, value in tags:
        head += piece(name) + piece(value)
    head += piece(b"</li><li>")
    line = b"Temp: #TempExt# C #RQT#ExtraTemp_# #RQT#HiLow_Day_# #Extra# #RQT#absent# #RQT##\x00"
    for name in sorted(os.listdir(site)):
        data = example(os.path.join("site", name))
        write(directory, name, head + line + data)
        if name == "index.html":
            text = data.decode("utf-8")
            write(directory, name + ".bom", head + line + b"\xef\xbb\xbf" + data)
            write(directory, name + ".cp1252", head + line + text.encode("cp1252", "replace"))
            write(directory, name + ".utf16le", head + line + b"\xff\xfe" + text.encode("utf-16-le"))
            write(directory, name + ".utf16be", head + line + b"\xfe\xff" + text.encode("utf-16-be"))


def main():
    corpus = sys.argv[1]
    ini_seeds(corpus)
    placeholder_seeds(corpus)
    template_seeds(corpus)


if __name__ == "__main__":
    main()
