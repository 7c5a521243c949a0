// SPDX-License-Identifier: Apache-2.0
#include "FarmFollow.h"

#include "AbortSignal.h"
#include "Errors.h"
#include "ExistingOutput.h"
#include "Progress.h"
#include "SlurmQueue.h"
#include "Text.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <thread>

namespace fs = std::filesystem;

namespace {

// Between two looks at the queue; the abort request is looked at more often.
constexpr std::chrono::milliseconds kPollInterval{1000};
constexpr std::chrono::milliseconds kAbortLook{100};
// squeue may fail now and then while the controller is busy; only a run of failures counts.
constexpr int kQueueFailuresAllowed = 5;

// Frames whose output file is there and not empty: cheap enough to count at every look.
size_t FramesWritten(const FramePattern& output, const std::vector<std::vector<int64_t>>& chunks) {
    size_t written = 0;
    for (const auto& chunk : chunks)
        for (const int64_t frame : chunk) {
            std::error_code ec;
            const std::string path = output.PathFor(frame);
            if (fs::is_regular_file(path, ec) && fs::file_size(path, ec) > 0 && !ec) ++written;
        }
    return written;
}

// The exit status a task wrote when it ended, or -1 when it wrote none.
int TaskStatus(const FarmPlaces& places, size_t task) {
    std::ifstream in(TaskStatusPath(places, task));
    int status = -1;
    if (!(in >> status)) return -1;
    return status;
}

void WaitABit() {
    for (auto waited = std::chrono::milliseconds(0); waited < kPollInterval; waited += kAbortLook) {
        if (AbortRequested()) return;
        std::this_thread::sleep_for(kAbortLook);
    }
}

} // namespace

FarmOutcome CheckFarmOutputs(const FramePattern& output,
                             const std::vector<std::vector<int64_t>>& chunks,
                             const std::vector<size_t>& tasks, const FarmPlaces& places) {
    FarmOutcome outcome;
    std::vector<bool> chunkShort(chunks.size(), false);
    for (size_t c = 0; c < chunks.size(); ++c)
        for (const int64_t frame : chunks[c])
            if (!UnfinishedOutputReason(output.PathFor(frame)).empty()) {
                outcome.Missing.push_back(frame);
                chunkShort[c] = true;
            }
    for (const size_t task : tasks) {
        const int status = TaskStatus(places, task);
        if (status > 0 || (status < 0 && chunkShort[task])) outcome.FailedTasks.push_back(task);
    }
    return outcome;
}

int FollowFarmJob(const std::string& jobId, const FramePattern& output,
                  const std::vector<std::vector<int64_t>>& chunks, const std::vector<size_t>& tasks,
                  const FarmPlaces& places) {
    size_t total = 0;
    for (const auto& chunk : chunks) total += chunk.size();
    const auto show = [&](size_t written) {
        Progress::PrintLine("farm: " + std::to_string(written) + " of " + std::to_string(total) +
                            " frames finished");
    };

    size_t shown = SIZE_MAX;
    int queueFailures = 0;
    while (true) {
        if (AbortRequested())
            throw AbortedError("job " + jobId + " goes on on the farm (scancel " + jobId +
                               " stops it)");
        const size_t written = FramesWritten(output, chunks);
        if (written != shown) show(shown = written);
        try {
            if (JobEnded(jobId)) break;
            queueFailures = 0;
        } catch (const CommandError&) {
            if (++queueFailures > kQueueFailuresAllowed) throw;
        }
        WaitABit();
    }
    if (const size_t written = FramesWritten(output, chunks); written != shown) show(written);

    const FarmOutcome outcome = CheckFarmOutputs(output, chunks, tasks, places);
    if (outcome.Missing.empty()) return kExitSuccess;
    std::vector<std::string> logs;
    for (const size_t task : outcome.FailedTasks) logs.push_back(TaskLogPath(places, task));
    throw FileError("farm job " + jobId + ": " + std::to_string(outcome.Missing.size()) + " of " +
                    std::to_string(total) + " frames missing: " + FrameListText(outcome.Missing) +
                    (logs.empty() ? std::string() : "; failed tasks' logs: " + Join(logs, ", ")));
}
