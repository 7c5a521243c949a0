// SPDX-License-Identifier: Apache-2.0
// One tool object for a script, kept across frames as a compositing host keeps it (Flare's
// streak and contrast tables, MoBlur's two samples). Controls are named and valued as on the
// command line; renders take and give numpy arrays.
#pragma once

#include "ToolLookup.h"

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <mutex>
#include <string>

/// What a render is given besides the main picture.
struct RenderArguments {
    double Time = 0.0;
    pybind11::object Inputs;      ///< dict: image input label -> array; None
    pybind11::object NextImage;   ///< the main input at Time + 1; None
    pybind11::object Frames;      ///< callable: time -> array or None; None
    pybind11::object PixelAspect; ///< number above 0; None: 1
    pybind11::object Threads;     ///< whole number of workers; None: the process's
};

class ScriptTool {
public:
    /// The tool of that display or class name, any case, with its declared defaults;
    /// KeyError when there is none.
    explicit ScriptTool(const std::string& name);
    /// A tool from the bytes of its saved form; ValueError when they hold none.
    static ScriptTool Load(const pybind11::bytes& saved);

    const std::string& Name() const { return name_; }

    /// Sets a control named by label, "Page/label", "Group/label" or link id (four
    /// characters, "0xHHHHHHHH" or a whole number). A number control takes a number, a check
    /// box also True/False, a combo box its entry text or a number, a point an (x, y) pair.
    /// Bounds are soft: a value outside them is passed on with a VorlingsWarning. KeyError for
    /// a name that matches no control, ValueError for a value the control cannot take.
    void Set(pybind11::handle control, pybind11::handle value);
    void SetAll(const pybind11::dict& controls);

    /// A control's current value: a float, or an (x, y) tuple for a point.
    pybind11::object Get(pybind11::handle control);
    /// Every control's current value, by the name that picks it out alone.
    pybind11::dict Values();

    /// The saved form: the bytes `vorlings save` writes to a .vtool file.
    pybind11::bytes Save();

    /// Renders `image` (the first image input) and the other inputs; a new array of the
    /// image's shape and dtype.
    pybind11::array Render(pybind11::handle image, const RenderArguments& arguments);

    /// Seconds the last render took inside the tool, without the conversions.
    double LastRenderTime() const { return lastRenderTime_; }

private:
    ScriptTool(Registry& entry, ToolPtr tool);
    Input& Control(pybind11::handle name);

    Registry* entry_;
    ToolPtr tool_;
    std::string name_;
    double lastRenderTime_ = 0.0;
    // One render or change at a time; taken with the GIL released, so that a render waiting
    // for Python (a frames callable) never waits for a thread that waits for it.
    std::unique_ptr<std::mutex> busy_ = std::make_unique<std::mutex>();
};
