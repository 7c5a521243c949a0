// SPDX-License-Identifier: Apache-2.0
#include "SharpenPlugIn.h"

#include "SharpenRows.h"
#include "frame/RenderRoad.h"

namespace vorlings::sharpen {

SharpenPlugIn::SharpenPlugIn(Registry* entry, CArchive* archive, const TagItem* tags)
    : ThreadedOperator(entry, archive, tags) {
    Radius = AddInput("Radius", TYPE_Number, FourCC("RadS"),
                      {TagNum(CTL_Kind, KIND_Slider), TagDouble(CTL_Lower, 0.001),
                       TagDouble(CTL_Upper, 0.03), TagDouble(CTL_Default, 0.004)});
    Power = AddInput("Power", TYPE_Number, FourCC("Powe"),
                     {TagNum(CTL_Kind, KIND_Slider), TagDouble(CTL_Lower, 0.0),
                      TagDouble(CTL_Upper, 10.0), TagDouble(CTL_Default, 0.5)});
    In = AddInput("Input", TYPE_Image, LINK_FirstImage);
    Out = AddOutput("Output", TYPE_Image, LINK_ImageOutput);
    frame::FinishToolConstruction(*this, archive);
}

uint32_t SharpenPlugIn::Save(CArchive* archive, const TagItem* tags) {
    return frame::SaveTool(*this, ClassID, archive, tags);
}

void SharpenPlugIn::Process(Request* request) {
    const Image* input = frame::InputImage(*this, In);
    if (!input) return;
    frame::MadeImage output = frame::NewImageLike(*input);
    if (!output) return;

    {
        // The frame's inputs are held only while RunChunks runs; the output leaves after.
        const auto held =
            frame_.Hold({input, output.get(), SinglePrecision(frame::NumberValue(*this, Radius)),
                         SinglePrecision(frame::NumberValue(*this, Power))});
        RunChunks(request);
    }

    frame::HandOver(*this, Out, std::move(output));
}

void SharpenPlugIn::RunChunks(Request* request) {
    const FrameInputs& frame = frame_.Current();
    SharpenJob built = MakeSharpenJob(frame.Radius, frame.Power, *frame.Input, *frame.Output);
    // Without its kernel the render computes nothing: the output leaves as it was made.
    if (!built.Kernel) return;
    // The job (and its kernel) is held only while the chunks run.
    const auto job = job_.Hold(std::move(built));
    DoMultiProcess(request, job->Split.ChunkCount);
}

void SharpenPlugIn::ProcessChunk(Request*, int chunk) {
    SharpenChunk(job_.Current(), chunk);
}

void SharpenPlugIn::SharpenChunk(const SharpenJob& job, int chunk) {
    SharpenRows(job, job.Split.Rows(chunk), AbortFlag);
}

} // namespace vorlings::sharpen
