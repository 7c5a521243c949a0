// SPDX-License-Identifier: Apache-2.0
// vorlings-cli: the command-line host of the Vorlings tools, which the launcher vorlings
// (Launcher.cpp) starts. It loads TharnVorlings.so as a compositing host would and reaches the
// tools only through the class registry, their factories and render requests.
#include "AbortSignal.h"
#include "Commands.h"
#include "Errors.h"
#include "Messages.h"
#include "ModuleLoader.h"
#include "Text.h"

#include "host/System.h"

#include <CLI/CLI.hpp>

#include <functional>
#include <new>

namespace {

constexpr const char* kUsageFooter = R"(
Examples:
  vorlings list
  vorlings info clean
  vorlings render clean -i in.png -s "Filter Size=0.004" -o out.png
  vorlings render clean -i shot.####.exr -o clean.####.exr -f 1-100 --skip-existing
  vorlings farm clean -i shot.####.exr -o clean/shot.####.exr -f 1-300 --chunk 10 --wait
  vorlings save clean -s "Filter Size=0.004" -o specks.vtool
  vorlings render -i in.tif --settings specks.vtool -o out.tif
  vorlings demo
  vorlings info clean --json

Exit status: 0 done, 1 render or file error, 2 bad arguments, 130 interrupted.
NUM_PROC_THARN sets the number of chunks per render; VORLINGS_PLUGIN_PATH the folders
searched for TharnVorlings.so before the one holding vorlings; VORLINGS_ABORT_GRACE the
seconds an interrupted render may take to stop before it is ended (default 1).)";

// Runs `command` with the module loaded; the module is unloaded only after every tool
// object the command made is gone. A signal before or while the module loads stops here.
int WithModule(const std::function<int()>& command) {
    if (AbortRequested()) throw AbortedError("nothing was done");
    LoadedModule module = LoadedModule::Load();
    if (AbortRequested()) throw AbortedError("nothing was done");
    return command();
}

// "--pixel-aspect" takes any finite number above 0 (CLI11's own check lets "nan" through).
double PixelAspectOf(const std::string& text, const std::string& command) {
    double value = 0.0;
    if (!ParseNumber(text, value) || !(value > 0.0))
        throw UsageError(command + ": --pixel-aspect " + Quoted(text) + " is not a number above 0");
    return value;
}

// The command's exit status, with the line to print when it failed.
int RunCommand(const std::function<int()>& command, std::string& message) {
    try {
        return command();
    } catch (const CommandError& e) {
        message = e.what();
        return e.Status();
    } catch (const std::bad_alloc&) {
        message = "not enough memory";
        return kExitFailure;
    } catch (const std::exception& e) {
        message = OneLine(e.what());
        return kExitFailure;
    }
}

} // namespace

int main(int argc, char** argv) {
    InstallAbortHandlers();
    StartAbortWatch();

    CLI::App app{"Vorlings: image-processing tools for compositing, on the command line.",
                 "vorlings"};
    app.require_subcommand(1);
    app.footer(kUsageFooter);

    bool json = false;
    CLI::App* list =
        app.add_subcommand("list", "List the tools: display name, class, class ID, description");
    list->add_flag("--json", json, "The same content as JSON, for scripts");

    std::string infoTool;
    CLI::App* info = app.add_subcommand(
        "info", "Show a tool's entry, pages, controls (kind, link id, bounds, default, "
                "entries, group), image inputs and output");
    info->add_option("TOOL", infoTool, "Display name or class name, any case")->required();
    info->add_flag("--json", json, "The same content as JSON, for scripts");

    RenderOptions render;
    int threads = 0;
    std::string pixelAspect;
    CLI::App* renderCmd = app.add_subcommand("render", "Render a still or a sequence");
    renderCmd->add_option("TOOL", render.Tool,
                          "Display name or class name (may be left out with --settings)");
    renderCmd
        ->add_option("-i,--input", render.Inputs,
                     "[NAME=]PATH: an image input by label (the first without NAME); PATH may "
                     "be a sequence pattern with # per digit or %0Nd")
        ->allow_extra_args(false);
    renderCmd
        ->add_option("-s,--set", render.Settings,
                     "NAME=VALUE: a control by label, Page/label, Group/label or link id")
        ->allow_extra_args(false);
    renderCmd->add_option("-o,--output", render.Output, "Output file or sequence pattern")
        ->required();
    renderCmd->add_option("-f,--frames", render.Frames,
                          "Frames: 1-100, 1-100x2, 1-100:2, 1,5,9 (default: those on disk)");
    renderCmd->add_option("--settings", render.SettingsFile, "A saved tool (from 'save')");
    renderCmd->add_option("--threads", threads, "Processor count and worker threads")
        ->check(CLI::Range(1, 4096));
    CLI::Option* aspectOption = renderCmd->add_option(
        "--pixel-aspect", pixelAspect, "Pixel aspect of the inputs (a number above 0)");
    renderCmd->add_option("--depth", render.Depth, "Output depth: 8, 16 or float")
        ->check(CLI::IsMember({"8", "16", "float"}));
    renderCmd->add_option("--compression", render.Compression,
                          "NAME[:QUALITY]: none, zip, piz, dwaa, lzw, ... (default: the input's)");
    renderCmd->add_flag("--skip-existing", render.SkipExisting,
                        "Leave existing outputs alone (an empty or unreadable one is redone)");
    renderCmd->add_flag("-q,--quiet", render.Quiet, "No progress");

    SaveOptions save;
    CLI::App* saveCmd =
        app.add_subcommand("save", "Write a tool's saved form with the values given");
    saveCmd->add_option("TOOL", save.Tool,
                        "Display name or class name (may be left out with --settings)");
    saveCmd->add_option("-s,--set", save.Settings, "NAME=VALUE")->allow_extra_args(false);
    saveCmd->add_option("-o,--output", save.Output, "The saved tool file (.vtool)")->required();
    saveCmd->add_option("--settings", save.SettingsFile, "Start from a saved tool");

    FarmOptions farm;
    std::string farmAspect;
    CLI::App* farmCmd = app.add_subcommand(
        "farm", "Render a sequence on a Slurm farm: a job array of render tasks, one per chunk");
    farmCmd->add_option("TOOL", farm.Tool,
                        "Display name or class name (may be left out with --settings)");
    farmCmd->add_option("-i,--input", farm.Inputs, "[NAME=]PATH: an image input, as for render")
        ->allow_extra_args(false);
    farmCmd->add_option("-s,--set", farm.Settings, "NAME=VALUE: a control, as for render")
        ->allow_extra_args(false);
    farmCmd->add_option("-o,--output", farm.Output, "Output sequence pattern")->required();
    farmCmd->add_option("-f,--frames", farm.Frames,
                        "Frames: 1-100, 1-100x2, 1,5,9 (default: those of the input on disk)");
    farmCmd->add_option("--settings", farm.SettingsFile, "A saved tool (from 'save')");
    farmCmd->add_option("--chunk", farm.Chunk, "Frames per task (default 10)")
        ->check(CLI::Range(size_t(1), size_t(10'000'000)));
    CLI::Option* farmAspectOption = farmCmd->add_option(
        "--pixel-aspect", farmAspect, "Pixel aspect of the inputs (a number above 0)");
    farmCmd->add_option("--depth", farm.Depth, "Output depth: 8, 16 or float")
        ->check(CLI::IsMember({"8", "16", "float"}));
    farmCmd->add_option("--compression", farm.Compression, "NAME[:QUALITY], as for render");
    farmCmd->add_option("--engine", farm.Engine, "The farm manager (slurm)")
        ->check(CLI::IsMember({"slurm"}));
    farmCmd->add_option("--partition", farm.Partition, "The Slurm partition");
    farmCmd
        ->add_option("--slurm-arg", farm.SlurmArgs,
                     "An sbatch option for the job (one #SBATCH line), e.g. --slurm-arg=--mem=8G")
        ->allow_extra_args(false);
    farmCmd->add_flag("--wait", farm.Wait,
                      "Follow the job to its end, then check every output frame");
    farmCmd->add_flag("--dry-run", farm.DryRun, "Write and print the script; submit nothing");

    DemoOptions demo;
    CLI::App* demoCmd = app.add_subcommand("demo", "Render every tool on built-in pictures");
    demoCmd->add_option("-o,--output", demo.Folder, "Folder for the pictures (default out/demo)");
    demoCmd->add_flag("-q,--quiet", demo.Quiet, "Only print where the pictures are");

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        StandDownAbortWatch();
        // A first word that names no command says so, rather than CLI11's generic complaint.
        if (app.get_subcommands().empty() && argc > 1 && argv[1][0] != '-') {
            std::vector<std::string> names;
            for (const CLI::App* sub : app.get_subcommands([](const CLI::App*) { return true; }))
                names.push_back(sub->get_name());
            ReportError("unknown command " + Quoted(argv[1]) + " (commands: " + Join(names, ", ") +
                        "; see: vorlings --help)");
            return kExitUsage;
        }
        std::string where;
        for (const CLI::App* sub : app.get_subcommands()) where = sub->get_name() + ": ";
        ReportError(where + OneLine(e.what()) + " (see: vorlings --help)");
        return kExitUsage;
    }

    std::string message;
    const int status = RunCommand(
        [&] {
            if (threads > 0) SetProcessorCount(threads);
            if (aspectOption->count() > 0)
                render.PixelAspect = PixelAspectOf(pixelAspect, "render");
            if (farmAspectOption->count() > 0) farm.PixelAspect = PixelAspectOf(farmAspect, "farm");

            if (app.got_subcommand("list")) return WithModule([&] { return RunList(json); });
            if (app.got_subcommand("info"))
                return WithModule([&] { return RunInfo(infoTool, json); });
            if (app.got_subcommand("render")) return WithModule([&] { return RunRender(render); });
            if (app.got_subcommand("save")) return WithModule([&] { return RunSave(save); });
            if (app.got_subcommand("farm")) return WithModule([&] { return RunFarm(farm); });
            if (app.got_subcommand("demo")) return WithModule([&] { return RunDemo(demo); });
            return kExitUsage;
        },
        message);
    // From here on the command ends the process itself, unless the abort watcher already is.
    StandDownAbortWatch();
    if (!message.empty()) ReportError(message);
    return status;
}
