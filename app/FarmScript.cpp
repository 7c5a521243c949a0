// SPDX-License-Identifier: Apache-2.0
#include "FarmScript.h"

#include <algorithm>

FarmPlaces FarmPlacesFor(const std::string& output) {
    FarmPlaces places;
    places.Folder = output + ".farm";
    places.Settings = places.Folder + "/settings.vtool";
    places.Script = places.Folder + "/job.sbatch";
    places.Logs = places.Folder + "/logs";
    return places;
}

std::string TaskLogPath(const FarmPlaces& places, size_t task) {
    return places.Logs + "/task-" + std::to_string(task) + ".log";
}

std::string TaskStatusPath(const FarmPlaces& places, size_t task) {
    return places.Logs + "/task-" + std::to_string(task) + ".status";
}

size_t DefaultChunkFrames(size_t frameCount) {
    return std::max(kDefaultChunkFrames, (frameCount + kMaxTasks - 1) / kMaxTasks);
}

std::vector<std::vector<int64_t>> SplitIntoChunks(std::span<const int64_t> frames, size_t size) {
    std::vector<std::vector<int64_t>> chunks;
    for (size_t first = 0; first < frames.size(); first += size) {
        const size_t count = std::min(size, frames.size() - first);
        const auto chunk = frames.subspan(first, count);
        chunks.emplace_back(chunk.begin(), chunk.end());
    }
    return chunks;
}

std::string ShellQuoted(std::string_view text) {
    std::string quoted = "'";
    for (const char c : text) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

std::string TaskRanges(std::span<const size_t> tasks) {
    std::string ranges;
    for (size_t i = 0; i < tasks.size();) {
        size_t end = i + 1;
        while (end < tasks.size() && tasks[end] == tasks[end - 1] + 1) ++end;
        if (!ranges.empty()) ranges += ',';
        ranges += std::to_string(tasks[i]);
        if (end - i > 1) ranges += '-' + std::to_string(tasks[end - 1]);
        i = end;
    }
    return ranges;
}

std::string SbatchLineProblem(std::string_view text) {
    if (text.find_first_of("\n\r") != std::string_view::npos) return "holds a line break";
    if (text.find('"') != std::string_view::npos) return "holds a double quote";
    if (text.find('\\') != std::string_view::npos) return "holds a backslash";
    return "";
}

std::string SbatchFilePattern(std::string_view path) {
    std::string pattern;
    for (const char c : path) {
        if (c == '%') pattern += '%';
        pattern += c;
    }
    return pattern;
}

std::string SlurmScript(const FarmJob& job) {
    std::string command;
    for (const std::string& word : job.Render) command += ShellQuoted(word) + ' ';

    std::string chunks;
    for (const std::string& chunk : job.Chunks) chunks += "    " + ShellQuoted(chunk) + "\n";

    std::string script = "#!/bin/bash\n"
                         "# vorlings farm: one task per chunk of frames; sbatch this file to "
                         "render them again\n"
                         "# (finished frames are kept).\n";
    script += "#SBATCH --job-name=\"" + job.Name + "\"\n";
    script += "#SBATCH --array=" + TaskRanges(job.Tasks) + "\n";
    // A task lost with its node runs again and, with --skip-existing, redoes only the frames
    // it had not finished; the logs of every run stay, one after the other.
    script += "#SBATCH --requeue\n";
    script += "#SBATCH --chdir=\"" + job.Places.Folder + "\"\n";
    // sbatch reads "%" in the output's name as a placeholder ("%a" the task index), and a
    // relative name there as one below the folder after its placeholders are replaced.
    script += "#SBATCH --output=\"" + SbatchFilePattern(job.Places.Logs) + "/task-%a.log\"\n";
    script += "#SBATCH --open-mode=append\n";
    if (!job.Partition.empty()) script += "#SBATCH --partition=" + job.Partition + "\n";
    for (const std::string& arg : job.SlurmArgs) script += "#SBATCH " + arg + "\n";
    script += "\n"
              "chunks=(\n" +
              chunks +
              ")\n"
              "task=${SLURM_ARRAY_TASK_ID:?runs as a task of a Slurm job array}\n"
              "echo \"vorlings farm: task $task on $(hostname), frames ${chunks[$task]}, "
              "job ${SLURM_ARRAY_JOB_ID:-?}\"\n" +
              command + "-f \"${chunks[$task]}\"\n" +
              "status=$?\n"
              "# The task's own word on how it ended, read when the job is followed to its end.\n"
              "echo \"$status\" > " +
              ShellQuoted(job.Places.Logs + "/task-") + "\"$task\".status\n" + "exit \"$status\"\n";
    return script;
}
