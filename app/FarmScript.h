// SPDX-License-Identifier: Apache-2.0
// The Slurm batch script of "farm": one job array, one task per chunk of frames, each task
// running the same "vorlings render ... --skip-existing" line on its own "-f" list and
// leaving its exit status beside its log. Pure text, so that a test reads it without a farm.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

/// Where a farm render keeps its files: a folder beside the output, named after the output
/// pattern's file name ("/shots/out/clean.####.png" -> "/shots/out/clean.####.png.farm").
struct FarmPlaces {
    std::string Folder;
    std::string Settings; ///< Folder/settings.vtool: the tool's values, read by every task
    std::string Script;   ///< Folder/job.sbatch
    std::string Logs;     ///< Folder/logs: task-N.log and task-N.status, N the task index
};

/// The places for `output`, an absolute path.
FarmPlaces FarmPlacesFor(const std::string& output);
/// "Logs/task-N.log" and "Logs/task-N.status".
std::string TaskLogPath(const FarmPlaces& places, size_t task);
std::string TaskStatusPath(const FarmPlaces& places, size_t task);

struct FarmJob {
    std::string Name;                   ///< the job's name on the farm
    std::vector<std::string> Render;    ///< the task's command line before its "-f" list
    std::vector<std::string> Chunks;    ///< the "-f" list of each task, by task index
    std::vector<size_t> Tasks;          ///< the task indices to run, ascending
    std::string Partition;              ///< "" for the farm's default
    std::vector<std::string> SlurmArgs; ///< extra sbatch options, one per #SBATCH line
    FarmPlaces Places;
};

/// Frames per task when --chunk is not given: enough that a task's start (loading the image
/// libraries and the module, reading the first frame) is small beside its renders, and never
/// more than kMaxTasks tasks.
inline constexpr size_t kDefaultChunkFrames = 10;
inline constexpr size_t kMaxTasks = 1000; ///< Slurm's default MaxArraySize is 1001
size_t DefaultChunkFrames(size_t frameCount);

/// `frames` cut into consecutive chunks of `size` (the last may be shorter), in order.
std::vector<std::vector<int64_t>> SplitIntoChunks(std::span<const int64_t> frames, size_t size);

/// `text` as one word of bash: in single quotes, each ' written as '\''.
std::string ShellQuoted(std::string_view text);

/// Task indices for sbatch --array: ascending runs as "A-B", joined by commas ("0-2,4").
std::string TaskRanges(std::span<const size_t> tasks);

/// Why `text` cannot stand in an #SBATCH line (sbatch reads it up to the end of the line and
/// takes a double-quoted value as it is; a backslash in a file name pattern turns off its
/// placeholders), or "" when it can.
std::string SbatchLineProblem(std::string_view text);

/// `path` as an sbatch file name pattern that names it exactly: each "%" doubled.
std::string SbatchFilePattern(std::string_view path);

/// The whole batch script. Each task appends its output to Logs/task-N.log, runs Render with
/// "-f" and its chunk, and writes its exit status to Logs/task-N.status; --requeue lets Slurm
/// run a task again when its node is lost, and --skip-existing lets it redo only the frames
/// that were not finished.
std::string SlurmScript(const FarmJob& job);
