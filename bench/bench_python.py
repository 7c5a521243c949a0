# SPDX-License-Identifier: Apache-2.0
# What the Python extension adds to a render: the array conversions in and out, the render's
# own thread and the interpreter's lock, on the 1920 x 1080 16-bit RGBA frame the other
# benchmarks use. "inside" is the tool's own time (Tool.last_render_time, the same render road
# as bench_<tool>), "call" the whole Python call; their difference is the extension's share.
#   PYTHONPATH=build-bench/python python3 bench/bench_python.py [repetitions]
import statistics
import sys
import time

import numpy as np

import vorlings

WIDTH, HEIGHT = 1920, 1080

CASES = [
    ("Trace", {"Level": 0.35}),
    ("Sharpen", {"Radius": 0.001, "Power": 1.5}),
    ("Clean", {"Filter Size": 0.001}),
    ("Defocus", {"Radius": 0.001}),
]


def frame():
    rng = np.random.default_rng(1)
    y, x = np.mgrid[0:HEIGHT, 0:WIDTH]
    smooth = np.stack([x / WIDTH, y / HEIGHT, (x + y) / (WIDTH + HEIGHT), np.ones_like(x)], -1)
    noisy = smooth + rng.normal(0.0, 0.03, smooth.shape)
    return np.round(np.clip(noisy, 0, 1) * 65535).astype(np.uint16)


def main():
    repetitions = int(sys.argv[1]) if len(sys.argv) > 1 else 15
    image = frame()
    print(f"Python extension, {WIDTH} x {HEIGHT} uint16 RGBA, median of {repetitions}")
    print(f"{'tool':<10}{'call ms':>10}{'inside ms':>11}{'overhead ms':>13}")
    for name, controls in CASES:
        tool = vorlings.Tool(name, **controls)
        tool.render(image)  # first touch of the pages and the worker pool
        calls, insides = [], []
        for _ in range(repetitions):
            start = time.perf_counter()
            tool.render(image)
            calls.append(time.perf_counter() - start)
            insides.append(tool.last_render_time)
        overheads = [c - i for c, i in zip(calls, insides)]
        print(f"{name:<10}{statistics.median(calls) * 1e3:>10.1f}"
              f"{statistics.median(insides) * 1e3:>11.1f}"
              f"{statistics.median(overheads) * 1e3:>13.2f}")


if __name__ == "__main__":
    main()
