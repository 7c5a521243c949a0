// SPDX-License-Identifier: Apache-2.0
#include "RenderFrame.h"

#include "AbortSignal.h"
#include "Errors.h"

std::unique_ptr<Image> RenderFrame(Operator& tool, const std::string& toolName, double time,
                                   const ImageFetcher& fetch, const ChunkProgress& progress) {
    std::unique_ptr<Image> output;
    bool chunkFailed = false;
    {
        ActiveRender active(tool);
        if (AbortRequested()) throw AbortedError();
        Request request(time);
        if (progress)
            request.ChunkEnded = [&](int ended, int count) { progress(double(ended) / count); };
        output = RenderRequest(tool, request, fetch);
        chunkFailed = request.ChunkFailed;
    }
    if (AbortRequested()) throw AbortedError();
    if (chunkFailed) throw FileError(toolName + ": the render failed (a worker thread stopped)");
    if (!output)
        throw FileError(toolName + ": the tool handed over no image (missing input, or not "
                                   "enough memory)");
    return output;
}
