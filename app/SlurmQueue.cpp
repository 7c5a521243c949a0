// SPDX-License-Identifier: Apache-2.0
#include "SlurmQueue.h"

#include "Errors.h"
#include "Subprocess.h"
#include "Text.h"

#include <array>
#include <cctype>

namespace {

// The states from which a task does not move on by itself. A requeued task goes back to
// PENDING, so it is not over until its last run is.
constexpr std::array<std::string_view, 9> kFinalStates = {
    "COMPLETED", "FAILED",   "CANCELLED",     "TIMEOUT",  "NODE_FAIL",
    "BOOT_FAIL", "DEADLINE", "OUT_OF_MEMORY", "PREEMPTED"};

bool IsFinal(std::string_view state) {
    for (const std::string_view final : kFinalStates)
        if (state == final) return true;
    return false;
}

std::string ProgramProblem(const std::string& program, const ProgramResult& result) {
    if (!result.Started)
        return program + " cannot be run (" + result.Problem + "); is Slurm installed here?";
    const std::string said = OneLine(Trim(result.Err.empty() ? result.Out : result.Err));
    return program + " failed (exit " + std::to_string(result.Status) + ")" +
           (said.empty() ? "" : ": " + said);
}

} // namespace

std::string SubmitBatchScript(const std::string& script, const std::string& folder) {
    const ProgramResult result = RunProgram({"sbatch", "--parsable", script}, folder);
    if (!result.Started || result.Status != 0) throw FileError(ProgramProblem("sbatch", result));
    // "ID" or "ID;CLUSTER".
    const std::string_view out = Trim(result.Out);
    const std::string id(out.substr(0, out.find(';')));
    if (id.empty() || !std::isdigit(static_cast<unsigned char>(id.front())))
        throw FileError("sbatch gave no job id (it said " + Quoted(OneLine(out)) + ")");
    return id;
}

bool AllTasksEnded(std::string_view states) {
    while (!states.empty()) {
        const size_t end = states.find('\n');
        const std::string_view state = Trim(states.substr(0, end));
        if (!state.empty() && !IsFinal(state)) return false;
        if (end == std::string_view::npos) break;
        states.remove_prefix(end + 1);
    }
    return true;
}

bool JobEnded(const std::string& jobId) {
    const ProgramResult result = RunProgram({"squeue", "-h", "-t", "all", "-o", "%T", "-j", jobId});
    if (result.Started && result.Status == 0) return AllTasksEnded(result.Out);
    // The controller forgets a job some minutes after its end.
    if (result.Started && result.Err.find("Invalid job id") != std::string::npos) return true;
    throw FileError(ProgramProblem("squeue", result));
}
