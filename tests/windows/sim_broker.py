#!/usr/bin/env python3
"""Runs console-sim on the build machine for tests running under Wine.

Usage: sim_broker.py CONSOLE_SIM COM_DIR FIRST_COM COUNT -- COMMAND...

Listens on a port of 127.0.0.1 (given to COMMAND as CONSOLE_SIM_BROKER), runs
COMMAND, then stops every simulator still running, by process id, and exits
with COMMAND's code. Each connection asks for one simulator with a line
{"arguments": [...], "deadline_ms": N}; the reply is the simulator's ready
file (with its "pid"), and its pseudo-terminal, if any, as a COM port: the Wine
prefix maps COM<FIRST_COM + i> to COM_DIR/com<FIRST_COM + i>, a link this
broker points at the simulator's pseudo-terminal. The simulator runs until the
line "stop" (answered once it has exited) or the connection's end.
"""
import json
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time


class Broker:
    def __init__(self, program, com_dir, first_com, count):
        self.program = program
        self.com_dir = com_dir
        self.free = list(range(first_com, first_com + count))
        self.free_changed = threading.Condition()
        self.running = set()

    def take_com(self, deadline):
        with self.free_changed:
            while not self.free:
                if not self.free_changed.wait(max(0.0, deadline - time.monotonic())):
                    return None
            return self.free.pop(0)

    def give_com(self, number):
        with self.free_changed:
            self.free.append(number)
            self.free_changed.notify()

    def start(self, request):
        deadline = time.monotonic() + request.get("deadline_ms", 10000) / 1000
        directory = tempfile.mkdtemp(prefix="console-sim-")
        ready_file = os.path.join(directory, "ready.json")
        process = subprocess.Popen([self.program, "--ready-file", ready_file] +
                                   [str(a) for a in request.get("arguments", [])],
                                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        self.running.add(process)
        while not os.path.exists(ready_file):
            if process.poll() is not None or time.monotonic() > deadline:
                return process, directory, None, {"error": "console-sim did not start"}
            time.sleep(0.005)
        with open(ready_file) as f:
            ready = json.load(f)
        com = None
        if ready.get("pty"):
            com = self.take_com(deadline)
            if com is None:
                return process, directory, None, {"error": "no COM port free"}
            link = os.path.join(self.com_dir, "com%d" % com)
            os.symlink(ready["pty"], link + ".new")
            os.replace(link + ".new", link)
            ready["pty"] = "\\\\.\\COM%d" % com
        return process, directory, com, ready

    def stop(self, process, directory, com):
        process.send_signal(signal.SIGTERM)
        try:
            process.wait(5)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()
        self.running.discard(process)
        if com is not None:
            try:
                os.unlink(os.path.join(self.com_dir, "com%d" % com))
            except FileNotFoundError:
                pass
            self.give_com(com)
        shutil.rmtree(directory, ignore_errors=True)

    def serve(self, connection):
        with connection:
            reader = connection.makefile("r", encoding="utf-8")
            line = reader.readline()
            if not line:
                return
            process, directory, com, ready = self.start(json.loads(line))
            try:
                connection.sendall((json.dumps(ready) + "\n").encode())
                if "error" not in ready:
                    reader.readline()  # "stop", or the end of the connection
            except OSError:
                pass
            finally:
                self.stop(process, directory, com)
            try:
                connection.sendall(b'{"stopped": true}\n')
            except OSError:
                pass

    def stop_all(self):
        for process in list(self.running):
            process.kill()
            process.wait()


def main():
    split = sys.argv.index("--")
    program, com_dir, first_com, count = sys.argv[1:split]
    command = sys.argv[split + 1:]
    broker = Broker(os.path.abspath(program), os.path.abspath(com_dir), int(first_com), int(count))
    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen(16)

    def accept():
        while True:
            try:
                connection, _ = listener.accept()
            except OSError:
                return
            threading.Thread(target=broker.serve, args=(connection,), daemon=True).start()

    threading.Thread(target=accept, daemon=True).start()
    environment = dict(os.environ, CONSOLE_SIM_BROKER=str(listener.getsockname()[1]))
    code = subprocess.call(command, env=environment)
    listener.close()
    broker.stop_all()
    return code


if __name__ == "__main__":
    sys.exit(main())
