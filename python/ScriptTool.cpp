// SPDX-License-Identifier: Apache-2.0
#include "ScriptTool.h"

#include "ArrayImage.h"
#include "ImageChannels.h"
#include "ScriptMessages.h"
#include "WatchedRender.h"

#include "ControlLookup.h"
#include "ControlValue.h"
#include "Errors.h"
#include "Messages.h"
#include "SavedTool.h"
#include "Text.h"

#include <cmath>
#include <cstdio>
#include <optional>
#include <vector>

namespace py = pybind11;

namespace {

std::unique_lock<std::mutex> LockReleasingGil(std::mutex& mutex) {
    std::unique_lock lock(mutex, std::defer_lock);
    if (!lock.try_lock()) {
        py::gil_scoped_release release;
        lock.lock();
    }
    return lock;
}

std::string ControlName(py::handle name) {
    if (py::isinstance<py::str>(name)) return name.cast<std::string>();
    if (py::isinstance<py::int_>(name) && !py::isinstance<py::bool_>(name)) {
        char text[16];
        std::snprintf(text, sizeof text, "0x%08X", name.cast<uint32_t>());
        return text;
    }
    throw py::type_error("a control is named by a string (label or link id) or a link id "
                         "number, not " +
                         std::string(py::str(py::type::of(name).attr("__name__"))));
}

bool IsNumber(py::handle value) {
    return !py::isinstance<py::str>(value) && PyNumber_Check(value.ptr()) &&
           py::hasattr(value, "__float__");
}

// The value as the command line's -s would give it, so that the same rules and messages
// apply: a number in its shortest exact form, a pair as "X,Y", a switch as on/off, text as
// it is.
std::string ValueText(const Input& control, const std::string& toolName, py::handle value) {
    if (py::isinstance<py::str>(value)) return value.cast<std::string>();
    if (py::isinstance<py::bool_>(value)) return value.cast<bool>() ? "on" : "off";
    if (IsNumber(value)) return NumberText(py::float_(py::reinterpret_borrow<py::object>(value)));
    if (py::isinstance<py::sequence>(value) && py::len(value) == 2) {
        const py::sequence pair = py::reinterpret_borrow<py::sequence>(value);
        if (IsNumber(pair[0]) && IsNumber(pair[1]))
            return NumberText(py::float_(pair[0])) + "," + NumberText(py::float_(pair[1]));
    }
    throw py::value_error(toolName + ": control " + Quoted(control.Name) + " takes " +
                          (control.IsPoint() ? "an (x, y) pair" : "a number or entry text") +
                          ", not " + std::string(py::str(py::repr(value))));
}

py::object ValueOf(const Input& control) {
    if (control.IsPoint()) return py::make_tuple(control.PointValue.X, control.PointValue.Y);
    return py::float_(control.NumberValue.Value);
}

std::optional<int> ThreadsFrom(py::handle value, const std::string& toolName) {
    if (value.is_none()) return std::nullopt;
    if (!py::isinstance<py::int_>(value) || py::isinstance<py::bool_>(value))
        throw py::type_error(toolName + ": threads must be a whole number");
    const long long count = value.cast<long long>();
    if (count < 1 || count > 4096)
        throw py::value_error(toolName + ": threads = " + std::to_string(count) +
                              " is not 1 to 4096");
    return int(count);
}

double PixelAspectFrom(py::handle value, const std::string& toolName) {
    if (value.is_none()) return 1.0;
    if (!IsNumber(value)) throw py::type_error(toolName + ": pixel_aspect must be a number");
    const double aspect = py::float_(py::reinterpret_borrow<py::object>(value));
    if (!(aspect > 0.0) || !std::isfinite(aspect))
        throw py::value_error(toolName + ": pixel_aspect " + NumberText(aspect) +
                              " is not a number above 0");
    return aspect;
}

// A picture given for an image input, converted when the render starts.
struct GivenPicture {
    const Input* Target = nullptr;
    std::string What; ///< how messages name it
    ArrayPicture Picture;
    std::shared_ptr<Image> Pixels;
};

void Convert(GivenPicture& given, double aspect) {
    size_t clamped = 0;
    {
        py::gil_scoped_release release;
        given.Pixels = ImageFromArray(given.Picture, aspect, clamped);
    }
    if (clamped)
        Warn(given.What + ": " + std::to_string(clamped) + " values outside 0..1 were clamped");
}

} // namespace

ScriptTool::ScriptTool(Registry& entry, ToolPtr tool)
    : entry_(&entry), tool_(std::move(tool)), name_(ToolName(entry)) {}

ScriptTool::ScriptTool(const std::string& name)
    : ScriptTool(AsKeyError([&]() -> Registry& { return FindTool(name); }), ToolPtr(nullptr)) {
    tool_ = CreateTool(*entry_);
}

ScriptTool ScriptTool::Load(const py::bytes& saved) {
    const std::string text = saved;
    const std::vector<uint8_t> bytes(text.begin(), text.end());
    LoadedTool loaded;
    try {
        loaded = LoadSavedForm(bytes, "saved tool", nullptr);
    } catch (const CommandError& e) {
        FlushWarnings();
        throw py::value_error(e.what());
    }
    ScriptTool tool(*loaded.Entry, std::move(loaded.Tool));
    FlushWarnings();
    return tool;
}

Input& ScriptTool::Control(py::handle name) {
    const std::string text = ControlName(name);
    return AsKeyError([&]() -> Input& { return FindControl(*tool_, text, name_); });
}

void ScriptTool::Set(py::handle control, py::handle value) {
    Input& input = Control(control);
    const std::string text = ValueText(input, name_, value);
    {
        const auto lock = LockReleasingGil(*busy_);
        ApplyControlText(input, text, name_);
    }
    FlushWarnings();
}

void ScriptTool::SetAll(const py::dict& controls) {
    for (const auto& [name, value] : controls) Set(name, value);
}

py::object ScriptTool::Get(py::handle control) {
    return ValueOf(Control(control));
}

py::dict ScriptTool::Values() {
    const ToolControls controls = ControlsOf(*tool_);
    py::dict values;
    for (size_t i = 0; i < controls.Inputs.size(); ++i)
        values[py::str(UniqueControlName(controls.Keys, i))] = ValueOf(*controls.Inputs[i]);
    return values;
}

py::bytes ScriptTool::Save() {
    const auto lock = LockReleasingGil(*busy_);
    const std::vector<uint8_t> bytes = SavedForm(*tool_, name_, "saved tool");
    return py::bytes(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

py::array ScriptTool::Render(py::handle image, const RenderArguments& arguments) {
    const double time = arguments.Time;
    if (!std::isfinite(time)) throw py::value_error(name_ + ": time must be a finite number");
    const double aspect = PixelAspectFrom(arguments.PixelAspect, name_);
    const std::optional<int> threads = ThreadsFrom(arguments.Threads, name_);

    // Which picture feeds which image input: the image the first, the others by label.
    const std::vector<const Input*> imageInputs = ImageInputsOf(*tool_);
    if (imageInputs.empty()) throw py::value_error(name_ + ": the tool takes no image");
    std::vector<GivenPicture> given;
    given.push_back(
        {imageInputs.front(), name_ + " image", TakeArray(image, name_ + " image"), {}});
    if (!arguments.Inputs.is_none()) {
        if (!py::isinstance<py::dict>(arguments.Inputs))
            throw py::type_error(name_ + ": inputs must be a dict of image input labels to arrays");
        for (const auto& [key, value] : py::reinterpret_borrow<py::dict>(arguments.Inputs)) {
            const std::string label = py::str(key);
            const Input* target = ImageInputNamed(imageInputs, label);
            if (!target)
                throw py::key_error(name_ + ": no image input " + Quoted(label) +
                                    " (image inputs: " + InputList(imageInputs) + ")");
            for (const GivenPicture& g : given)
                if (g.Target == target)
                    throw py::value_error(name_ + ": image input " + Quoted(target->Name) +
                                          " given twice");
            const std::string what = name_ + " input " + Quoted(target->Name);
            given.push_back({target, what, TakeArray(value, what), {}});
        }
    }
    for (const Input* in : imageInputs) {
        bool fed = false;
        for (const GivenPicture& g : given) fed = fed || g.Target == in;
        if (!fed && !in->Optional)
            throw py::value_error(name_ + ": image input " + Quoted(in->Name) +
                                  " needs an array: inputs={" + Quoted(in->Name) + ": ...}");
    }
    std::optional<GivenPicture> next;
    if (!arguments.NextImage.is_none())
        next = GivenPicture{imageInputs.front(),
                            name_ + " next_image",
                            TakeArray(arguments.NextImage, name_ + " next_image"),
                            {}};
    const py::object frames = arguments.Frames;
    if (!frames.is_none() && !PyCallable_Check(frames.ptr()))
        throw py::type_error(name_ + ": frames must be a callable taking a time");
    // With neither next_image nor frames the picture is a still, the same at every time, as
    // a single file is on the command line.
    const bool sequence = next || !frames.is_none();

    const auto lock = LockReleasingGil(*busy_);
    for (GivenPicture& g : given) Convert(g, aspect);
    if (next) Convert(*next, aspect);

    std::optional<py::error_already_set> framesFailed;
    const ImageFetcher fetch = [&](const Input& input, int, double at) -> std::shared_ptr<Image> {
        const GivenPicture* picture = nullptr;
        for (const GivenPicture& g : given)
            if (g.Target == &input) picture = &g;
        if (!picture) return nullptr;
        if (&input != given.front().Target || at == time || !sequence) return picture->Pixels;
        if (next && at == time + 1.0) return next->Pixels;
        if (frames.is_none() || !std::isfinite(at)) return nullptr;
        py::gil_scoped_acquire acquire;
        if (framesFailed) return nullptr;
        try {
            const py::object result = frames(at);
            if (result.is_none()) {
                Warn(name_ + ": frames(" + NumberText(at) + ") gave None; " + Quoted(input.Name) +
                     " gets no sample there");
                return nullptr;
            }
            GivenPicture other{&input,
                               name_ + " frames(" + NumberText(at) + ")",
                               TakeArray(result, name_ + " frames(" + NumberText(at) + ")"),
                               {}};
            Convert(other, aspect);
            return other.Pixels;
        } catch (py::error_already_set& e) {
            framesFailed = std::move(e);
        } catch (const py::builtin_exception& e) {
            e.set_error();
            framesFailed.emplace();
        } catch (const std::exception& e) {
            PyErr_SetString(PyExc_RuntimeError, e.what());
            framesFailed.emplace();
        }
        return nullptr;
    };

    std::unique_ptr<Image> output;
    try {
        output = RenderWatched(*tool_, name_, time, fetch, threads, lastRenderTime_);
    } catch (const CommandError&) {
        if (framesFailed) throw *framesFailed; // the script's own error says more
        throw;
    }
    if (framesFailed) throw *framesFailed;

    const ArrayShape& shape = given.front().Picture.Shape;
    if (shape.Channels <= 2 && !imageio::IsGrey(*output))
        Warn(name_ + ": the result has colour, but the grey array keeps only its green "
                     "channel; give an H x W x 3 or 4 array to keep it");
    py::array result = ArrayFromImage(*output, shape);
    FlushWarnings();
    return result;
}
