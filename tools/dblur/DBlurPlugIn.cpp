// SPDX-License-Identifier: Apache-2.0
#include "DBlurPlugIn.h"

#include "DBlurRows.h"
#include "frame/RenderRoad.h"

namespace vorlings::dblur {

DBlurPlugIn::DBlurPlugIn(Registry* entry, CArchive* archive, const TagItem* tags)
    : ThreadedOperator(entry, archive, tags) {
    Length = AddInput("Length", TYPE_Number, FourCC("Leng"),
                      {TagNum(CTL_Kind, KIND_Slider), TagDouble(CTL_Lower, 0.0),
                       TagDouble(CTL_Upper, 0.1), TagDouble(CTL_Default, 0.05)});
    Angle = AddInput("Angle", TYPE_Number, FourCC("Angl"),
                     {TagNum(CTL_Kind, KIND_Dial), TagNum(CTL_Preview, PREVIEW_Angle),
                      TagDouble(CTL_DialLower, 0.0), TagDouble(CTL_Upper, 360.0),
                      TagDouble(CTL_Default, 0.0), TagNum(kAngleDialTagA, 3600),
                      TagNum(kAngleDialTagB, 450)});
    Centre = AddInput("XY Center", TYPE_Number, FourCC("Cent"),
                      {TagNum(CTL_Kind, KIND_Check), TagNum(CTL_CheckDefault, 0)});
    In = AddInput("Input", TYPE_Image, LINK_FirstImage);
    Out = AddOutput("Output", TYPE_Image, LINK_ImageOutput);
    frame::FinishToolConstruction(*this, archive);
}

uint32_t DBlurPlugIn::Save(CArchive* archive, const TagItem* tags) {
    return frame::SaveTool(*this, ClassID, archive, tags);
}

void DBlurPlugIn::Process(Request* request) {
    const Image* input = frame::InputImage(*this, In);
    if (!input) return;
    frame::MadeImage output = frame::NewImageLike(*input);
    if (!output) return;

    {
        // The job (and its tap list) is held only while the chunks run.
        const auto job = job_.Hold(
            MakeDBlurJob(frame::NumberValue(*this, Length), frame::NumberValue(*this, Angle),
                         frame::NumberValue(*this, Centre), *input, *output));
        // Without a tap list nothing is computed: the output leaves as it was made.
        if (job->Taps) DoMultiProcess(request, job->Split.ChunkCount);
    }

    frame::HandOver(*this, Out, std::move(output));
}

void DBlurPlugIn::ProcessChunk(Request*, int chunk) {
    const DBlurJob& job = job_.Current();
    DBlurRows(job, job.Split.Rows(chunk), AbortFlag);
}

} // namespace vorlings::dblur
