// SPDX-License-Identifier: Apache-2.0
// The Slurm commands "farm" runs: sbatch to submit a job array, squeue to see whether its
// tasks have ended. No accounting (sacct) is needed.
#pragma once

#include <string>
#include <string_view>

/// Submits the batch script `script` from `folder` with "sbatch --parsable"; the job id.
/// Throws a CommandError (exit 1) with sbatch's own complaint when it refuses the job, or
/// when sbatch cannot be run.
std::string SubmitBatchScript(const std::string& script, const std::string& folder);

/// Whether every task of the job has ended, from the output of "squeue -h -t all -o %T" for
/// it: one state per line (a line may stand for several pending tasks).
bool AllTasksEnded(std::string_view states);

/// Asks squeue whether the job `jobId` is over: every task in a final state, or the job gone
/// from the controller's memory. Throws a CommandError (exit 1) with squeue's complaint when
/// it cannot tell.
bool JobEnded(const std::string& jobId);
