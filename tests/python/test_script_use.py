# SPDX-License-Identifier: Apache-2.0
# What a script meets besides pixels: the registry, errors with the command line's messages,
# other threads running during a render, Ctrl-C.
import threading
import _thread

import numpy as np
import pytest

import vorlings
from conftest import picture, run_cli


def test_the_registry_is_what_the_command_line_lists():
    import json
    assert vorlings.tools() == json.loads(run_cli("list", "--json").stdout)["tools"]
    assert vorlings.info("flarespot") == json.loads(run_cli("info", "FlareSpot", "--json").stdout)


IMAGE = picture(height=9, width=11)

# (what the script does, the exception, the command line's arguments for the same mistake)
MISTAKES = [
    (lambda: vorlings.render("Blur", IMAGE), KeyError, ["render", "Blur"]),
    (lambda: vorlings.info("Blur"), KeyError, ["info", "Blur"]),
    (lambda: vorlings.render("Clean", IMAGE, {"Radius": 1}), KeyError,
     ["render", "Clean", "-s", "Radius=1"]),
    (lambda: vorlings.Tool("Flare").set("XY Center", (0.5, 0.5)), KeyError,
     ["render", "Flare", "-s", "XY Center=0.5,0.5"]),
    (lambda: vorlings.render("Clean", IMAGE, {"Filter Size": "wide"}), ValueError,
     ["render", "Clean", "-s", "Filter Size=wide"]),
    (lambda: vorlings.render("Clean", IMAGE, {"Filter Size": float("nan")}), ValueError,
     ["render", "Clean", "-s", "Filter Size=nan"]),
    (lambda: vorlings.Tool("FlareSpot", **{"Lens Type": "Fisheye"}), ValueError,
     ["render", "FlareSpot", "-s", "Lens Type=Fisheye"]),
    (lambda: vorlings.Tool("CrashZoom").set("XY Center", 0.5), ValueError, None),
    (lambda: vorlings.render("Flare", IMAGE, inputs={"Foreground": IMAGE}), KeyError, None),
    (lambda: vorlings.render("Clean", IMAGE.astype(np.int32)), TypeError, None),
    (lambda: vorlings.render("Clean", IMAGE.astype(">u2")), TypeError, None),
    (lambda: vorlings.render("Clean", IMAGE.tolist()), TypeError, None),
    (lambda: vorlings.render("Clean", np.zeros((4, 4, 5), np.uint16)), ValueError, None),
    (lambda: vorlings.render("Clean", np.zeros((0, 4), np.uint16)), ValueError, None),
    (lambda: vorlings.render("Clean", IMAGE, pixel_aspect=0), ValueError, None),
    (lambda: vorlings.render("Clean", IMAGE, threads=0), ValueError, None),
    (lambda: vorlings.Tool.load(b"not a saved tool"), ValueError, None),
    (lambda: vorlings.Tool.load(vorlings.Tool("Clean").save()[:-6]), ValueError, None),
]


@pytest.mark.parametrize("mistake,error,cli", MISTAKES)
def test_mistakes_raise_with_the_command_lines_message(tmp_path, mistake, error, cli):
    with pytest.raises(error) as raised:
        mistake()
    if cli:
        if cli[0] == "render":
            cli = cli + ["-i", tmp_path / "none.png", "-o", tmp_path / "out.png"]
        done = run_cli(*cli, check=False)
        assert done.returncode == 2
        message = raised.value.args[0]
        assert message and message in done.stderr


def test_out_of_range_values_pass_with_a_warning():
    tool = vorlings.Tool("Sharpen")
    with pytest.warns(vorlings.VorlingsWarning, match='"Power" = 40 lies outside'):
        tool.set("Power", 40)
    assert tool.get("Power") == 40.0
    # Link ids, entries by number, check boxes by truth.
    tool = vorlings.Tool("FlareSpot")
    tool.set("Lens Type", 2)
    assert tool.get("Lens Type") == 2.0
    tool.set("Color Override", True)
    assert tool.get("Color Override") == 1.0


def test_other_threads_run_while_a_tool_renders():
    # MoBlur asks for frame t + 1 in the middle of its render. The answer waits until another
    # Python thread has run, which it can only do if the render let the interpreter go.
    frames = {t: picture(shift=2 * t) for t in (0, 1)}
    other_ran = threading.Event()
    asked = threading.Event()

    def other():
        asked.wait(10)
        other_ran.set()

    def frame_at(t):
        asked.set()
        assert other_ran.wait(10), "no other thread ran during the render"
        return frames.get(t)

    helper = threading.Thread(target=other)
    helper.start()
    result = vorlings.Tool("MoBlur").render(frames[0], time=0, frames=frame_at)
    helper.join()
    assert other_ran.is_set() and result.shape == frames[0].shape


def test_ctrl_c_stops_the_render_and_returns_nothing():
    frames = {t: picture(shift=2 * t) for t in (0, 1)}
    tool = vorlings.Tool("MoBlur")

    def interrupting(t):
        _thread.interrupt_main()  # as Ctrl-C does: Python notes it, the call raises
        return frames.get(t)

    result = None
    with pytest.raises(KeyboardInterrupt):
        result = tool.render(frames[0], time=0, frames=interrupting)
    assert result is None
    # The tool renders again afterwards, as a fresh one would.
    np.testing.assert_array_equal(tool.render(frames[0], time=0, next_image=frames[1]),
                                  vorlings.Tool("MoBlur").render(frames[0], time=0,
                                                                 next_image=frames[1]))


def test_an_error_in_the_frames_callable_is_the_scripts():
    def broken(t):
        raise LookupError(f"no frame {t}")

    with pytest.raises(LookupError, match="no frame 1"):
        vorlings.Tool("MoBlur").render(IMAGE, time=0, frames=broken)
