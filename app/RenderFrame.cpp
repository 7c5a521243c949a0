// SPDX-License-Identifier: Apache-2.0
#include "RenderFrame.h"

#include "AbortSignal.h"
#include "Errors.h"

std::unique_ptr<Image> RenderAtTime(Operator& tool, const std::string& toolName, double time,
                                    const ImageFetcher& fetch, const ChunkProgress& progress) {
    Request request(time);
    if (progress)
        request.ChunkEnded = [&](int ended, int count) { progress(double(ended) / count); };
    std::unique_ptr<Image> output = RenderRequest(tool, request, fetch);
    if (tool.AbortFlag.load() != 0) throw AbortedError();
    if (request.ChunkFailed)
        throw FileError(toolName + ": the render failed (a worker thread stopped)");
    if (!output)
        throw FileError(toolName + ": the tool handed over no image (missing input, or not "
                                   "enough memory)");
    return output;
}

std::unique_ptr<Image> RenderFrame(Operator& tool, const std::string& toolName, double time,
                                   const ImageFetcher& fetch, const ChunkProgress& progress) {
    std::unique_ptr<Image> output;
    {
        ActiveRender active(tool);
        if (AbortRequested()) throw AbortedError();
        output = RenderAtTime(tool, toolName, time, fetch, progress);
    }
    if (AbortRequested()) throw AbortedError();
    return output;
}
