"""The demo comes up with live values and ends promptly on Ctrl-C.

Starts tools/demo/run.sh, waits for the uploaded index.html to show the
simulator's outside temperature as TempExt (at most 30 s after the start),
then plays a Ctrl-C and expects the demo to end within 3 s with none of its
processes left.
Usage: demo_interrupt_test.py SOURCE_DIR BUILD_DIR
"""
import os
import sys
import time

sys.path.insert(0, os.path.join(sys.argv[1], "tools", "demo"))
from demorun import DemoRun, exit_with, published_temp_ext  # noqa: E402


def main(root, build):
    failures = []
    with DemoRun(root, build) as demo:
        up = demo.wait_until(lambda: published_temp_ext(demo.page("index.html")) is not None, 30)
        if not up:
            print(demo.text())
            return ["index.html showed no TempExt within 30 s of the start"]
        published = published_temp_ext(demo.page("index.html"))
        simulated = demo.simulator_outside_temp()
        print(f"up after {time.monotonic() - demo.started:.1f} s: TempExt {published} °C, "
              f"simulator {simulated:.2f} °C")
        # The weather moves a little between the collection and this look.
        if abs(published - simulated) > 0.5:
            failures.append(f"TempExt {published} is not the simulator's {simulated:.2f} °C")

        pids = demo.recorded_pids()
        if len(pids) != 4:
            failures.append(f"the demo recorded {len(pids)} processes, not 4")
        stop = time.monotonic()
        demo.interrupt()
        code = demo.wait_end(3)
        took = time.monotonic() - stop
        if code is None:
            failures.append("the demo still ran 3 s after Ctrl-C")
        else:
            print(f"Ctrl-C: ended in {took:.2f} s with code {code}")
            if code != 0:
                failures.append(f"the demo ended with code {code} after Ctrl-C")
        left = demo.leftovers()
        if left:
            failures.append(f"processes left after Ctrl-C: {left}")
    return failures


if __name__ == "__main__":
    exit_with(main(sys.argv[1], sys.argv[2]))
