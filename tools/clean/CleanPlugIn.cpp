// SPDX-License-Identifier: Apache-2.0
#include "CleanPlugIn.h"

#include "CleanRows.h"
#include "frame/RenderRoad.h"

namespace vorlings::clean {

CleanPlugIn::CleanPlugIn(Registry* entry, CArchive* archive, const TagItem* tags)
    : ThreadedOperator(entry, archive, tags) {
    FilterSize = AddInput("Filter Size", TYPE_Number, FourCC("XRad"),
                          {TagNum(CTL_Kind, KIND_Slider), TagDouble(CTL_Lower, 0.0),
                           TagDouble(CTL_Upper, 0.01), TagEnd()});
    In = AddInput("Input", TYPE_Image, LINK_FirstImage, {TagEnd()});
    Out = AddOutput("Output", TYPE_Image, LINK_ImageOutput, {TagEnd()});
    frame::FinishToolConstruction(*this, archive);
}

uint32_t CleanPlugIn::Save(CArchive* archive, const TagItem* tags) {
    return frame::SaveTool(*this, ClassID, archive, tags);
}

void CleanPlugIn::Process(Request* request) {
    const Image* input = frame::InputImage(*this, In);
    if (!input) return;
    frame::MadeImage output = frame::NewImageLike(*input);
    if (!output) return;

    {
        // The job is held only while the chunks run; the output leaves after it.
        const auto job =
            job_.Hold(MakeCleanJob(frame::NumberValue(*this, FilterSize), *input, *output));
        if (job->CopiesInput())
            input->ImageCopy(output.get());
        else
            DoMultiProcess(request, job->Split.ChunkCount);
    }

    frame::HandOver(*this, Out, std::move(output));
}

void CleanPlugIn::ProcessChunk(Request*, int chunk) {
    const CleanJob& job = job_.Current();
    CleanRows(job, job.Split.Rows(chunk), AbortFlag);
}

} // namespace vorlings::clean
