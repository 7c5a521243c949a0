# SPDX-License-Identifier: Apache-2.0
# Shared pieces of the Python tests: the command line to compare with, pictures made in code,
# and image files written and read with OpenImageIO's own Python module.
import os
import subprocess
import time

import numpy as np
import OpenImageIO as oiio
import pytest

import vorlings

CLI = os.environ.get("VORLINGS_BIN", "vorlings")


def run_cli(*args, check=True):
    """Runs the command line; returns the finished process (stderr as text)."""
    done = subprocess.run([CLI, *map(str, args)], capture_output=True, text=True)
    if check and done.returncode != 0:
        raise AssertionError(f"vorlings {' '.join(map(str, args))}: {done.stderr}")
    return done


def picture(height=61, width=97, channels=4, dtype=np.uint16, seed=7, shift=0):
    """A test picture: smooth gradients, hard edges, fine noise and a few bright lights, so
    that every tool has something to change. `shift` moves it right, for motion."""
    rng = np.random.default_rng(seed)
    y, x = np.mgrid[0:height, 0:width].astype(np.float64)
    x = x - shift
    base = np.stack([x / width, y / height, 0.5 + 0.5 * np.sin(x / 5.0 + y / 7.0),
                     0.6 + 0.4 * (x > width / 2)], axis=-1)
    base[(x // 9 + y // 9) % 2 == 0, :3] *= 0.35
    base[:, :, :3] += rng.normal(0.0, 0.02, (height, width, 3))
    for cy, cx in ((0.3, 0.3), (0.6, 0.7), (0.45, 0.55)):
        near = (y - cy * height) ** 2 + (x - cx * width) ** 2 < 9
        base[near, :3] = 1.0
    base = np.clip(base, 0.0, 1.0)
    if channels <= 2:
        grey = base[:, :, 1:2]
        base = np.concatenate([grey, base[:, :, 3:4]], axis=-1)[:, :, :channels]
    else:
        base = base[:, :, :channels]
    if dtype == np.float32:
        return base.astype(np.float32)
    return np.round(base * np.iinfo(dtype).max).astype(dtype)


def write_image(path, array):
    """Writes an array with OpenImageIO (values as they are, alpha unassociated)."""
    array = array if array.ndim == 3 else array[:, :, None]
    kinds = {np.dtype(np.uint8): oiio.UINT8, np.dtype(np.uint16): oiio.UINT16,
             np.dtype(np.float32): oiio.FLOAT}
    spec = oiio.ImageSpec(array.shape[1], array.shape[0], array.shape[2], kinds[array.dtype])
    spec.attribute("oiio:UnassociatedAlpha", 1)
    out = oiio.ImageOutput.create(str(path))
    assert out.open(str(path), spec), oiio.geterror()
    assert out.write_image(array), out.geterror()
    out.close()


def read_image(path, dtype):
    """Reads an image file's samples as `dtype`, H x W x C."""
    config = oiio.ImageSpec()
    config.attribute("oiio:UnassociatedAlpha", 1)
    inp = oiio.ImageInput.open(str(path), config)
    assert inp, oiio.geterror()
    kinds = {np.dtype(np.uint8): oiio.UINT8, np.dtype(np.uint16): oiio.UINT16,
             np.dtype(np.float32): oiio.FLOAT}
    pixels = inp.read_image(kinds[np.dtype(dtype)])
    inp.close()
    return pixels


def same_second(render_both, tries=6):
    """Runs `render_both` until it starts and ends within one second of the clock (Dither
    seeds its scatter from the time in seconds); returns its result."""
    for _ in range(tries):
        start = int(time.time())
        result = render_both()
        if int(time.time()) == start:
            return result
    pytest.skip("the clock's second changed during every try")


@pytest.fixture
def tool_names():
    return [t["tool"] for t in vorlings.tools()]
