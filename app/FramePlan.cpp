// SPDX-License-Identifier: Apache-2.0
#include "FramePlan.h"

#include "Errors.h"
#include "Text.h"

FramePlan PlanFrames(const std::string& frames, const FramePattern& output,
                     const InputSources& inputs) {
    FramePlan plan;
    const FramePattern* sequence = inputs.FirstSequence();
    if (!frames.empty()) {
        std::string problem;
        std::optional<std::vector<int64_t>> listed = ParseFrameList(frames, problem);
        if (!listed) throw UsageError("-f " + Quoted(frames) + " " + problem);
        plan.Frames = std::move(*listed);
        plan.Still = false;
    } else if (sequence) {
        plan.Frames = sequence->FramesOnDisk();
        if (plan.Frames.empty())
            throw FileError(sequence->Text() + ": no frames of this sequence found on disk");
        plan.Still = false;
    } else if (output.IsSequence()) {
        throw UsageError(output.Text() + ": an output sequence needs -f FRAMES or an input "
                                         "sequence");
    } else {
        plan.Frames = {0};
    }
    if (!output.IsSequence() && plan.Frames.size() > 1)
        throw UsageError(output.Text() + ": " + std::to_string(plan.Frames.size()) +
                         " frames need an output pattern with # or %0Nd");
    return plan;
}
