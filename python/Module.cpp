// SPDX-License-Identifier: Apache-2.0
// vorlings for Python: the tools of TharnVorlings.so on numpy arrays, through the same
// registry, host layer and command-line rules as the vorlings command, so that a script gets
// exactly the pixels the command line writes.
#include "ScriptMessages.h"
#include "ScriptTool.h"

#include "Commands.h"
#include "Environment.h"
#include "ModuleLoader.h"

#include "host/System.h"

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <dlfcn.h>
#include <filesystem>

namespace py = pybind11;

namespace {

// The folder of this extension's own file: the tool module is looked for beside it.
std::string ExtensionFolder() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&ExtensionFolder), &info) == 0 || !info.dli_fname) return {};
    return std::filesystem::path(info.dli_fname).parent_path().string();
}

py::object FromJson(const std::string& text) {
    return py::module_::import("json").attr("loads")(text);
}

RenderArguments ArgumentsOf(double time, py::object inputs, py::object nextImage, py::object frames,
                            py::object pixelAspect, py::object threads) {
    return {time,
            std::move(inputs),
            std::move(nextImage),
            std::move(frames),
            std::move(pixelAspect),
            std::move(threads)};
}

} // namespace

PYBIND11_MODULE(vorlings, m) {
    m.doc() = "Vorlings image-processing tools on numpy arrays, with the command line's exact "
              "results.";
    InstallMessages(m);
    WarnAboutEnvironment();
    // Loaded for the life of the process: tool objects a script still holds at its end, and
    // the entries behind them, must outlive every Python object.
    static LoadedModule* const loaded = new LoadedModule(LoadedModule::Load(ExtensionFolder()));
    m.attr("module_path") = loaded->Path();
    FlushWarnings();

    m.def(
        "tools",
        [] {
            const py::object document = FromJson(ListJson());
            return py::object(document["tools"]);
        },
        "The tools in registry order: a list of dicts with tool, class, classId and "
        "description (what `vorlings list --json` gives).");
    m.def(
        "info",
        [](const std::string& tool) {
            return FromJson(AsKeyError([&] { return InfoJson(tool); }));
        },
        py::arg("tool"),
        "Everything the tool declares: entry, pages, controls, inputs and outputs (what "
        "`vorlings info TOOL --json` gives). KeyError for an unknown tool.");

    m.def(
        "srand", [](unsigned seed) { crt::srand(seed); }, py::arg("seed"),
        "Seeds the host's random numbers, which Flare draws its streaks, fringes and glow "
        "from (a vorlings process starts at seed 1). Dither seeds itself from the clock.");

    py::class_<ScriptTool>(m, "Tool",
                           "One tool object kept across frames, as a compositing host keeps "
                           "it: Tool(\"flare\", **{\"Number of Streaks\": 8}).")
        .def(py::init([](const std::string& name, const py::kwargs& controls) {
                 ScriptTool tool(name);
                 tool.SetAll(controls);
                 return tool;
             }),
             py::arg("name"))
        .def_property_readonly("name", &ScriptTool::Name, "The tool's display name.")
        .def("set", &ScriptTool::Set, py::arg("control"), py::arg("value"),
             "Sets a control by label, \"Page/label\", \"Group/label\" or link id; a point takes "
             "(x, y), a combo box its entry text or a number.")
        .def("get", &ScriptTool::Get, py::arg("control"),
             "A control's current value: a float, or (x, y) for a point.")
        .def("values", &ScriptTool::Values, "Every control's current value by name.")
        .def(
            "render",
            [](ScriptTool& tool, py::handle image, double time, py::object inputs,
               py::object nextImage, py::object frames, py::object pixelAspect,
               py::object threads) {
                return tool.Render(image, ArgumentsOf(time, std::move(inputs), std::move(nextImage),
                                                      std::move(frames), std::move(pixelAspect),
                                                      std::move(threads)));
            },
            py::arg("image"), py::kw_only(), py::arg("time") = 0.0, py::arg("inputs") = py::none(),
            py::arg("next_image") = py::none(), py::arg("frames") = py::none(),
            py::arg("pixel_aspect") = py::none(), py::arg("threads") = py::none(),
            "Renders the frame at `time`: `image` feeds the first image input, `inputs` the "
            "others by label. For a sequence, `next_image` is the picture at time + 1 and "
            "`frames(t)` gives the picture at any other time (None: no sample there); without "
            "either the picture is a still. Returns a new array of the image's shape and dtype.")
        .def_property_readonly("last_render_time", &ScriptTool::LastRenderTime,
                               "Seconds the tool itself took in the last render, without the "
                               "array conversions.")
        .def("save", &ScriptTool::Save, "The saved form, as `vorlings save` writes it.")
        .def_static("load", &ScriptTool::Load, py::arg("saved"),
                    "A tool from its saved form (bytes of a .vtool file).")
        .def("__repr__",
             [](const ScriptTool& tool) { return "<vorlings.Tool " + tool.Name() + ">"; });

    m.def(
        "render",
        [](const std::string& name, py::handle image, py::object controls, py::object inputs,
           double time, py::object pixelAspect, py::object threads) {
            ScriptTool tool(name);
            if (!controls.is_none()) {
                if (!py::isinstance<py::dict>(controls))
                    throw py::type_error(tool.Name() + ": controls must be a dict");
                tool.SetAll(py::reinterpret_borrow<py::dict>(controls));
            }
            return tool.Render(image, ArgumentsOf(time, std::move(inputs), py::none(), py::none(),
                                                  std::move(pixelAspect), std::move(threads)));
        },
        py::arg("tool"), py::arg("image"), py::arg("controls") = py::none(),
        py::arg("inputs") = py::none(), py::arg("time") = 0.0, py::arg("pixel_aspect") = py::none(),
        py::arg("threads") = py::none(),
        "Renders one picture with a new tool object: `controls` maps control names to values "
        "as Tool.set takes them, `inputs` other image inputs' labels to arrays. Returns a new "
        "array of the image's shape and dtype.");
}
