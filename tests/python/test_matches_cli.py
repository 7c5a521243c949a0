# SPDX-License-Identifier: Apache-2.0
# A script gets exactly the pixels the command line writes: every registered tool, every
# array kind and channel count, stills and sequences.
import contextlib

import numpy as np
import pytest

import vorlings
from conftest import picture, read_image, run_cli, same_second, write_image

# Settings that make each tool change the test picture; a tool not listed renders with its
# declared defaults.
SETTINGS = {
    "Clean": {"Filter Size": 0.04},
    "CrashZoom": {"Speed": 0.1, "Clear Area Radius": 0.08, "Oversampling": "16 samples"},
    "DBlur": {"Length": 0.05, "Angle": 30},
    "Defocus": {"Radius": 0.02, "Duplicate Edges": True},
    "Dither": {"Radius": 0.03, "Duplicate Edges": 1},
    "Flare": {"Lightmap Only": False, "Lightmap Low Threshold": 95,
              "Map/Ovl/XY Center": (0.4, 0.5), "Pupil Aperture (mm)": 8},
    "FlareSpot": {"XY Source": (0.8, 0.7), "XY Destination": (0.3, 0.3),
                  "Lens Type": "Summicron 35mm"},
    "MoBlur": {"Number of Steps": 8, "Length Scale": 2},
    "Sharpen": {"Radius": 0.02, "Power": 1.5},
    "Trace": {"Level": 0.35},
}


def cli_settings(controls):
    args = []
    for name, value in controls.items():
        if isinstance(value, tuple):
            value = ",".join(map(str, value))
        elif isinstance(value, bool):
            value = "on" if value else "off"
        args += ["-s", f"{name}={value}"]
    return args


def render_both(tmp_path, tool, image, controls, threads, suffix=".png"):
    """The same render through vorlings and through the module: (file's pixels, array)."""
    src, out = tmp_path / f"in{suffix}", tmp_path / f"out{suffix}"
    write_image(src, image)
    run_cli("render", tool, "-i", src, "-o", out, "--threads", threads, "-q",
            *cli_settings(controls))
    vorlings.srand(1)  # where a new process starts the host's random numbers
    mine = vorlings.render(tool, image, controls, threads=threads)
    return read_image(out, image.dtype), mine


# A still has no motion for MoBlur to smear: the sequence test below shows it at work.
STILL_UNCHANGED = {"MoBlur"}


@pytest.mark.filterwarnings("ignore:.*lies outside")  # a window wide enough on a small picture
@pytest.mark.parametrize("tool", [t["tool"] for t in vorlings.tools()])
def test_every_tool_gives_the_command_lines_pixels(tmp_path, tool):
    image = picture()
    controls = SETTINGS.get(tool, {})
    # Dither's scatter follows the clock's second and the order rows are drawn in: one worker
    # and the same second make it repeatable.
    threads = 1 if tool == "Dither" else 2
    theirs, mine = same_second(lambda: render_both(tmp_path, tool, image, controls, threads))
    assert mine.shape == image.shape and mine.dtype == image.dtype
    if tool not in STILL_UNCHANGED:
        assert not np.array_equal(mine, image), f"{tool} left the picture as it was"
    np.testing.assert_array_equal(mine, theirs)


@pytest.mark.parametrize("dtype,suffix", [(np.uint8, ".png"), (np.uint16, ".png"),
                                          (np.float32, ".tif")])
@pytest.mark.parametrize("channels", [1, 2, 3, 4])
def test_kinds_and_channels_convert_as_files_do(tmp_path, dtype, suffix, channels):
    image = picture(channels=channels, dtype=dtype)
    if dtype == np.float32:
        image[0, 0:4, 0] = [-0.5, 1.5, np.inf, np.nan]  # clamped on the way in, as in a file
    controls = {"Radius": 0.02, "Power": 1.5}
    clamped = pytest.warns(vorlings.VorlingsWarning, match="4 values outside 0..1 were clamped")
    with clamped if dtype == np.float32 else contextlib.nullcontext():
        theirs, mine = render_both(tmp_path, "Sharpen", image, controls, 2, suffix)
    assert mine.dtype == image.dtype and mine.shape == image.shape
    np.testing.assert_array_equal(mine.reshape(theirs.shape), theirs)
    # A grey picture may also come as H x W.
    if channels == 1 and dtype != np.float32:
        flat = vorlings.render("Sharpen", image[:, :, 0], controls, threads=2)
        assert flat.shape == image.shape[:2]
        np.testing.assert_array_equal(flat, mine[:, :, 0])


def test_the_callers_array_is_left_alone_and_any_layout_is_taken():
    image = picture(dtype=np.float32)
    image[2, 2, 0] = 3.0
    before = image.copy()
    with pytest.warns(vorlings.VorlingsWarning, match="1 values outside 0..1 were clamped"):
        vorlings.render("Clean", image, {"Filter Size": 0.03})
    np.testing.assert_array_equal(image, before)
    # A view (flipped, strided, Fortran order) renders as the same pixels in a plain array.
    view = picture()[::-1, ::2]
    for given in (view, np.asfortranarray(view)):
        np.testing.assert_array_equal(vorlings.render("Trace", given, {"Level": 0.4}),
                                      vorlings.render("Trace", np.ascontiguousarray(given),
                                                      {"Level": 0.4}))


def write_sequence(folder, frames):
    for t, frame in frames.items():
        write_image(folder / f"seq.{t}.png", frame)


@pytest.mark.parametrize("tool", ["MoBlur", "Flare"])
def test_one_tool_object_across_frames_matches_a_sequence_render(tmp_path, tool):
    # Three frames of a picture moving right: MoBlur takes frame t + 1 as its second sample
    # (none after the last), Flare keeps its streak directions and draws on from the host's
    # random numbers.
    frames = {t: picture(shift=3 * t) for t in (1, 2, 3)}
    write_sequence(tmp_path, frames)
    controls = SETTINGS[tool]
    run_cli("render", tool, "-i", tmp_path / "seq.#.png", "-o", tmp_path / "out.#.png",
            "-f", "1-3", "--threads", 2, "-q", *cli_settings(controls))

    vorlings.srand(1)
    mine = vorlings.Tool(tool, **controls)
    last_has_no_next = pytest.warns(vorlings.VorlingsWarning, match="gets no sample")
    with last_has_no_next if tool == "MoBlur" else contextlib.nullcontext():
        results = {t: mine.render(frames[t], time=t, threads=2, frames=frames.get)
                   for t in frames}
    for t, result in results.items():
        np.testing.assert_array_equal(result, read_image(tmp_path / f"out.{t}.png", np.uint16))

    # The same frames given one after the other.
    if tool == "MoBlur":
        again = vorlings.Tool(tool, **controls)
        np.testing.assert_array_equal(
            again.render(frames[1], time=1, next_image=frames[2], threads=2), results[1])


def test_saved_form_is_the_command_lines(tmp_path):
    controls = {"Lens Type": "Summilux 50mm", "XY Source": (0.25, 0.75), "Brightness": 250}
    tool = vorlings.Tool("FlareSpot", **controls)
    run_cli("save", "FlareSpot", *cli_settings(controls), "-o", tmp_path / "spot.vtool")
    saved = (tmp_path / "spot.vtool").read_bytes()
    assert tool.save() == saved
    loaded = vorlings.Tool.load(saved)
    assert loaded.name == "FlareSpot" and loaded.values() == tool.values()
    assert loaded.get("XY Source") == (0.25, 0.75)
    image = picture()
    np.testing.assert_array_equal(loaded.render(image), tool.render(image))
