#!/usr/bin/env python3
"""Exits 0 when this machine's kernel runs 32-bit x86 programs, 1 when not.

Writes and starts the smallest such program (it only exits): a 64-bit-only
kernel refuses it with "Exec format error". Wine's 32-bit loader needs it.
"""
import errno
import os
import struct
import subprocess
import sys
import tempfile

BASE = 0x08048000
CODE = bytes([0xB8, 1, 0, 0, 0, 0x31, 0xDB, 0xCD, 0x80])  # exit(0) through int 0x80
size = 52 + 32 + len(CODE)
header = struct.pack("<16sHHIIIIIHHHHHH", b"\x7fELF\x01\x01\x01" + bytes(9), 2, 3, 1,
                     BASE + 84, 52, 0, 0, 52, 32, 1, 0, 0, 0)
segment = struct.pack("<IIIIIIII", 1, 0, BASE, BASE, size, size, 5, 0x1000)
with tempfile.TemporaryDirectory() as directory:
    path = os.path.join(directory, "exit32")
    with open(path, "wb") as f:
        f.write(header + segment + CODE)
    os.chmod(path, 0o755)
    try:
        sys.exit(0 if subprocess.run([path]).returncode == 0 else 1)
    except OSError as error:
        if error.errno != errno.ENOEXEC:
            raise
        sys.exit(1)
