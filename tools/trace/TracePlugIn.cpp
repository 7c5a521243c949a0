// SPDX-License-Identifier: Apache-2.0
#include "TracePlugIn.h"

#include "TraceRows.h"
#include "frame/RenderRoad.h"

namespace vorlings::trace {

TracePlugIn::TracePlugIn(Registry* entry, CArchive* archive, const TagItem* tags)
    : ThreadedOperator(entry, archive, tags) {
    Level = AddInput("Level", TYPE_Number, FourCC("Leve"),
                     {TagNum(CTL_Kind, KIND_Slider), TagDouble(CTL_Lower, 0.0),
                      TagDouble(CTL_Upper, 1.0), TagDouble(CTL_Default, 0.5)});
    OverImage = AddInput("Over Image", TYPE_Number, FourCC("Over"),
                         {TagNum(CTL_Kind, KIND_Check), TagNum(CTL_CheckDefault, 0)});
    Color = AddInput("Color", TYPE_Number, FourCC("TCol"),
                     {TagNum(CTL_Kind, KIND_Combo), TagPtr(CTL_ComboEntry, "RGB"),
                      TagPtr(CTL_ComboEntry, "MONO")});
    ContourAlpha = AddInput("Contour Alpha", TYPE_Number, FourCC("CnAl"),
                            {TagNum(CTL_Kind, KIND_Check), TagNum(CTL_CheckDefault, 0)});
    In = AddInput("Input", TYPE_Image, LINK_FirstImage);
    Out = AddOutput("Output", TYPE_Image, LINK_ImageOutput);
    frame::FinishToolConstruction(*this, archive);
}

uint32_t TracePlugIn::Save(CArchive* archive, const TagItem* tags) {
    return frame::SaveTool(*this, ClassID, archive, tags);
}

void TracePlugIn::Process(Request* request) {
    const Image* input = frame::InputImage(*this, In);
    if (!input) return;
    frame::MadeImage output = frame::NewImageLike(*input);
    if (!output) return;

    {
        // The job is held only while the chunks run; the output leaves after it.
        const auto job = job_.Hold(
            MakeTraceJob(frame::NumberValue(*this, Level), frame::NumberValue(*this, OverImage),
                         frame::NumberValue(*this, Color), frame::NumberValue(*this, ContourAlpha),
                         *input, *output));
        DoMultiProcess(request, job->Split.ChunkCount);
    }

    frame::HandOver(*this, Out, std::move(output));
}

void TracePlugIn::ProcessChunk(Request*, int chunk) {
    const TraceJob& job = job_.Current();
    TraceRows(job, job.Split.Rows(chunk), AbortFlag);
}

} // namespace vorlings::trace
