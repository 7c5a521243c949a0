// SPDX-License-Identifier: Apache-2.0
#include "CrashZoomPlugIn.h"

#include "CrashZoomRows.h"
#include "frame/RenderRoad.h"

namespace vorlings::crashzoom {

CrashZoomPlugIn::CrashZoomPlugIn(Registry* entry, CArchive* archive, const TagItem* tags)
    : ThreadedOperator(entry, archive, tags) {
    Center = AddInput("XY Center", TYPE_Point, FourCC("Cent"),
                      {TagNum(CTL_Kind, KIND_Offset), TagNum(CTL_Preview, PREVIEW_Crosshair),
                       TagDouble(CTL_DefaultX, 0.5), TagDouble(CTL_DefaultY, 0.5)});
    // The circle drawn over the view is centred on "XY Center".
    ClearAreaRadius = AddInput("Clear Area Radius", TYPE_Number, FourCC("ClrR"),
                               {TagNum(CTL_Kind, KIND_Slider), TagNum(CTL_Preview, PREVIEW_Circle),
                                TagPtr(CTL_TiedTo, Center), TagDouble(CTL_Lower, 0.0),
                                TagDouble(CTL_Upper, 2.0), TagDouble(CTL_Default, 0.1)});
    Speed = AddInput("Speed", TYPE_Number, FourCC("Spee"),
                     {TagNum(CTL_Kind, KIND_Slider), TagDouble(CTL_Lower, -2.0),
                      TagDouble(CTL_Upper, 2.0), TagDouble(CTL_Default, 0.1)});
    Oversampling =
        AddInput("Oversampling", TYPE_Number, FourCC("OvrS"),
                 {TagNum(CTL_Kind, KIND_Combo), TagPtr(CTL_ComboEntry, "1 sample"),
                  TagPtr(CTL_ComboEntry, "4 samples"), TagPtr(CTL_ComboEntry, "16 samples"),
                  TagPtr(CTL_ComboEntry, "64 samples")});
    In = AddInput("Input", TYPE_Image, LINK_FirstImage, {TagEnd()});
    Out = AddOutput("Output", TYPE_Image, LINK_ImageOutput, {TagEnd()});
    frame::FinishToolConstruction(*this, archive);
}

uint32_t CrashZoomPlugIn::Save(CArchive* archive, const TagItem* tags) {
    return frame::SaveTool(*this, ClassID, archive, tags);
}

void CrashZoomPlugIn::Process(Request* request) {
    const Image* input = frame::InputImage(*this, In);
    if (!input) return;
    frame::MadeImage output = frame::NewImageLike(*input);
    if (!output) return;

    {
        // The job is held only while the chunks run; the output leaves after it.
        const auto job = job_.Hold(MakeCrashZoomJob(
            frame::PointValue(*this, Center), frame::NumberValue(*this, ClearAreaRadius),
            frame::NumberValue(*this, Speed), frame::NumberValue(*this, Oversampling), *input,
            *output));
        if (job->CopiesInput())
            input->ImageCopy(output.get());
        else
            DoMultiProcess(request, job->Split.ChunkCount);
    }

    frame::HandOver(*this, Out, std::move(output));
}

void CrashZoomPlugIn::ProcessChunk(Request*, int chunk) {
    const CrashZoomJob& job = job_.Current();
    CrashZoomRows(job, job.Split.Rows(chunk), AbortFlag);
}

} // namespace vorlings::crashzoom
