// SPDX-License-Identifier: Apache-2.0
// "farm": hands the frames of a sequence to Slurm as a job array of "vorlings render" tasks,
// one per chunk of frames. Everything render checks is checked here first (the tool, its
// controls, the inputs, the frame list, the output's name and folder, the first input frame),
// so that nothing reaches the farm that would fail on every node. The tool's values are saved
// once beside the output, so every task renders with the same values whatever the defaults on
// its node.
#include "Commands.h"

#include "AtomicFile.h"
#include "Environment.h"
#include "Errors.h"
#include "ExistingOutput.h"
#include "FarmFollow.h"
#include "FarmScript.h"
#include "FramePlan.h"
#include "ImageIO.h"
#include "InputSources.h"
#include "ModuleLoader.h"
#include "SavedTool.h"
#include "SlurmQueue.h"
#include "Text.h"
#include "ToolSetup.h"

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

std::string AbsolutePath(const std::string& path) {
    std::error_code ec;
    const fs::path absolute = fs::absolute(path, ec);
    if (ec) throw FileError(path + ": " + ec.message());
    return absolute.lexically_normal().string();
}

// The task's command line before its "-f" list: the launcher that runs this farm command (all
// nodes see the same files), absolute paths, and the saved values instead of -s.
std::vector<std::string> TaskCommand(const FarmOptions& options, const std::string& toolName,
                                     const InputSources& inputs, const std::string& output,
                                     const FarmPlaces& places) {
    std::vector<std::string> command = {BinaryFolder() + "/vorlings", "render", toolName};
    for (const auto& [label, path] : inputs.Given())
        command.insert(command.end(), {"-i", label + "=" + AbsolutePath(path)});
    command.insert(command.end(), {"-o", output, "--settings", places.Settings, "--skip-existing"});
    if (options.PixelAspect)
        command.insert(command.end(), {"--pixel-aspect", NumberText(*options.PixelAspect)});
    if (!options.Depth.empty()) command.insert(command.end(), {"--depth", options.Depth});
    if (!options.Compression.empty())
        command.insert(command.end(), {"--compression", options.Compression});
    return command;
}

void CheckSbatchLine(const std::string& what, const std::string& text) {
    if (const std::string problem = SbatchLineProblem(text); !problem.empty())
        throw UsageError("farm: " + what + " " + Quoted(text) + " " + problem +
                         ", which a Slurm batch script cannot carry");
}

void MakeFolder(const std::string& folder) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) throw FileError(folder + ": cannot be made (" + ec.message() + ")");
}

std::string JobName(const std::string& toolName) {
    std::string name = "vorlings-";
    for (const char c : toolName) name += char(std::tolower(static_cast<unsigned char>(c)));
    return name;
}

} // namespace

int RunFarm(const FarmOptions& options) {
    WarnAboutEnvironment();
    if (options.Engine != "slurm")
        throw UsageError("farm: --engine " + Quoted(options.Engine) +
                         " is not known (engines: slurm)");
    PreparedTool prepared = PrepareTool(options.Tool, options.SettingsFile, options.Settings);
    const std::string& toolName = prepared.Name;

    OutputChoice choice;
    if (!options.Depth.empty() && !(choice.Depth = ParseDepth(options.Depth)))
        throw UsageError("--depth " + Quoted(options.Depth) + " is not 8, 16 or float");
    choice.Compression = options.Compression;

    InputSources inputs(*prepared.Tool, toolName, options.Inputs, options.PixelAspect);
    const std::string outputPath = AbsolutePath(options.Output);
    const FramePattern output(outputPath);
    if (!output.IsSequence())
        throw UsageError("farm: " + options.Output +
                         ": the output needs a frame pattern with # or %0Nd");
    const FramePlan plan = PlanFrames(options.Frames, output, inputs);
    CheckOutputPath(output.PathFor(plan.Frames.front()), choice);
    // A first frame that cannot be read would fail every task.
    inputs.LoadFrame(plan.Frames.front());
    inputs.ThrowPending();

    const FarmPlaces places = FarmPlacesFor(outputPath);
    CheckSbatchLine("the folder", places.Folder);
    CheckSbatchLine("--partition", options.Partition);
    for (const std::string& arg : options.SlurmArgs) CheckSbatchLine("--slurm-arg", arg);

    FarmJob job;
    job.Name = JobName(toolName);
    job.Places = places;
    job.Partition = options.Partition;
    job.SlurmArgs = options.SlurmArgs;
    job.Render = TaskCommand(options, toolName, inputs, outputPath, places);
    const auto chunks = SplitIntoChunks(
        plan.Frames, options.Chunk > 0 ? options.Chunk : DefaultChunkFrames(plan.Frames.size()));
    // Only the chunks with a frame to render go to the farm, so a repeat of the same command
    // renders what is missing.
    for (size_t task = 0; task < chunks.size(); ++task) {
        job.Chunks.push_back(FrameListText(chunks[task]));
        for (const int64_t frame : chunks[task])
            if (!UnfinishedOutputReason(output.PathFor(frame)).empty()) {
                job.Tasks.push_back(task);
                break;
            }
    }
    if (job.Tasks.empty()) {
        std::printf("frames: all %zu are there already; nothing submitted\n", plan.Frames.size());
        return kExitSuccess;
    }

    MakeFolder(places.Logs);
    SaveToolFile(*prepared.Tool, toolName, places.Settings);
    const std::string script = SlurmScript(job);
    WriteFileAtomically(places.Script,
                        std::span(reinterpret_cast<const uint8_t*>(script.data()), script.size()));
    if (options.DryRun) {
        std::fputs(script.c_str(), stdout);
        std::fflush(stdout);
        std::fprintf(stderr, "vorlings: farm: not submitted; the script is %s\n",
                     places.Script.c_str());
        return kExitSuccess;
    }
    // A status left by an earlier run of the same task would speak for this one.
    for (const size_t task : job.Tasks) {
        std::error_code ec;
        fs::remove(TaskStatusPath(places, task), ec);
    }

    const std::string jobId = SubmitBatchScript(places.Script, places.Folder);
    size_t frames = 0;
    for (const size_t task : job.Tasks) frames += chunks[task].size();
    std::printf("job: %s\ntasks: %zu of %zu (%zu frames in them, %zu asked for)\nscript: %s\n"
                "logs: %s\n",
                jobId.c_str(), job.Tasks.size(), chunks.size(), frames, plan.Frames.size(),
                places.Script.c_str(), places.Logs.c_str());
    std::fflush(stdout);
    if (!options.Wait) return kExitSuccess;
    return FollowFarmJob(jobId, output, chunks, job.Tasks, places);
}
