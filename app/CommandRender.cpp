// SPDX-License-Identifier: Apache-2.0
// "render": one tool object renders a still or every frame of a sequence, each output
// written complete or not at all.
#include "Commands.h"

#include "AbortSignal.h"
#include "Environment.h"
#include "Errors.h"
#include "ExistingOutput.h"
#include "FramePlan.h"
#include "ImageIO.h"
#include "InputSources.h"
#include "Messages.h"
#include "Progress.h"
#include "RenderFrame.h"
#include "Sequence.h"
#include "Text.h"
#include "ToolSetup.h"

#include <filesystem>
#include <system_error>

namespace {

// --skip-existing leaves a finished output alone; an empty or unreadable one is redone.
bool KeepExisting(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return false;
    const std::string why = UnfinishedOutputReason(path);
    if (why.empty()) return true;
    Warn(path + ": " + why + "; rendering it again");
    return false;
}

} // namespace

int RunRender(const RenderOptions& options) {
    WarnAboutEnvironment();
    PreparedTool prepared = PrepareTool(options.Tool, options.SettingsFile, options.Settings);
    Operator& tool = *prepared.Tool;
    const std::string& toolName = prepared.Name;

    OutputChoice choice;
    if (!options.Depth.empty() && !(choice.Depth = ParseDepth(options.Depth)))
        throw UsageError("--depth " + Quoted(options.Depth) + " is not 8, 16 or float");
    choice.Compression = options.Compression;

    InputSources inputs(tool, toolName, options.Inputs, options.PixelAspect);
    const FramePattern output(options.Output);
    const FramePlan plan = PlanFrames(options.Frames, output, inputs);
    CheckOutputPath(output.PathFor(plan.Frames.front()), choice);

    const auto fetch = [&](const Input& input, int, double time) {
        return inputs.Fetch(input, time);
    };

    Progress progress(Progress::StyleFor(options.Quiet), int64_t(plan.Frames.size()));
    progress.Start();
    for (const int64_t frame : plan.Frames) {
        if (AbortRequested()) throw AbortedError();
        const std::string outPath = output.PathFor(frame);
        if (options.SkipExisting && KeepExisting(outPath)) {
            progress.Step(outPath + " (exists)");
            continue;
        }
        inputs.LoadFrame(frame);
        std::unique_ptr<Image> image;
        try {
            image = RenderFrame(tool, toolName, plan.Still ? 0.0 : double(frame), fetch,
                                [&](double fraction) { progress.Within(fraction); });
        } catch (const CommandError&) {
            inputs.ThrowPending(); // a sample that could not be read says more
            throw;
        }
        inputs.ThrowPending();

        static const FileLayout kNoInput;
        const FileLayout* main = inputs.MainLayout();
        WriteImageFile(*image, outPath, main ? *main : kNoInput, choice);
        progress.Step(outPath);
    }
    progress.Finish();
    return kExitSuccess;
}
