// SPDX-License-Identifier: Apache-2.0
// The commands of the vorlings command line. Each returns the exit status, or throws a
// CommandError carrying it with the one-line message. The tool module is loaded first.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

struct RenderOptions {
    std::string Tool;
    std::vector<std::string> Inputs;   ///< "-i [NAME=]PATH"
    std::vector<std::string> Settings; ///< "-s NAME=VALUE"
    std::string Output;
    std::string Frames; ///< "-f" list; empty: a still, or the frames on disk
    std::string SettingsFile;
    std::optional<double> PixelAspect;
    std::string Depth;       ///< "8", "16", "float"; empty: the input's
    std::string Compression; ///< "NAME[:QUALITY]"; empty: the input's
    bool SkipExisting = false;
    bool Quiet = false;
};

struct SaveOptions {
    std::string Tool;
    std::vector<std::string> Settings;
    std::string Output;
    std::string SettingsFile;
};

struct FarmOptions {
    std::string Tool;
    std::vector<std::string> Inputs;
    std::vector<std::string> Settings;
    std::string Output;
    std::string Frames;
    std::string SettingsFile;
    std::optional<double> PixelAspect;
    std::string Depth;
    std::string Compression;
    size_t Chunk = 0; ///< frames per task; 0: DefaultChunkFrames
    std::string Engine = "slurm";
    std::string Partition;
    std::vector<std::string> SlurmArgs; ///< "--slurm-arg", one #SBATCH line each
    bool Wait = false;
    bool DryRun = false;
};

struct DemoOptions {
    std::string Folder = "out/demo";
    bool Quiet = false;
};

/// Tools in registry order: display name, class name, class ID, description; as a table or,
/// with `json`, as JSON with the same content.
int RunList(bool json);
/// Every text and number of the tool's entry, then its pages, controls, inputs and output; as
/// text or, with `json`, as JSON with the same content.
int RunInfo(const std::string& tool, bool json);
/// The JSON text RunList and RunInfo print with `json`, for front ends other than the command
/// line. InfoJson throws a CommandError (exit 2) when no tool is named `tool`.
std::string ListJson();
std::string InfoJson(const std::string& tool);
int RunRender(const RenderOptions& options);
int RunSave(const SaveOptions& options);
/// Hands the frames to the farm as a job array of "render" tasks, after the checks render
/// makes; with Wait, follows the job to its end and checks every output frame.
int RunFarm(const FarmOptions& options);
int RunDemo(const DemoOptions& options);
