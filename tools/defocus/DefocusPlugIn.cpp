// SPDX-License-Identifier: Apache-2.0
#include "DefocusPlugIn.h"

#include "DefocusPasses.h"
#include "frame/Numeric.h"
#include "frame/RenderRoad.h"

namespace vorlings::defocus {

DefocusPlugIn::DefocusPlugIn(Registry* entry, CArchive* archive, const TagItem* tags)
    : ThreadedOperator(entry, archive, tags) {
    Radius = AddInput("Radius", TYPE_Number, FourCC("RadB"),
                      {TagNum(CTL_Kind, KIND_Slider), TagDouble(CTL_Lower, 0.0),
                       TagDouble(CTL_Upper, 0.07), TagDouble(CTL_Default, 0.002)});
    DuplicateEdges = AddInput("Duplicate Edges", TYPE_Number, FourCC("DpEd"),
                              {TagNum(CTL_Kind, KIND_Check), TagNum(CTL_CheckDefault, 0)});
    In = AddInput("Input", TYPE_Image, LINK_FirstImage);
    Out = AddOutput("Output", TYPE_Image, LINK_ImageOutput);
    frame::FinishToolConstruction(*this, archive);
}

uint32_t DefocusPlugIn::Save(CArchive* archive, const TagItem* tags) {
    return frame::SaveTool(*this, ClassID, archive, tags);
}

void DefocusPlugIn::Process(Request* request) {
    const Image* input = frame::InputImage(*this, In);
    if (!input) return;
    frame::MadeImage output = frame::NewImageLike(*input);
    if (!output) return;
    frame::MadeImage intermediate = frame::NewImageLike(*input);

    // Without an intermediate image nothing renders: the output goes as it was made.
    if (intermediate) {
        const auto held = frame_.Hold(
            {input, output.get(), intermediate.get(), float(frame::NumberValue(*this, Radius)),
             frame::TruncToInt32(frame::NumberValue(*this, DuplicateEdges))});
        RenderPasses(request);
    }
    intermediate.reset();

    frame::HandOver(*this, Out, std::move(output));
}

void DefocusPlugIn::RenderPasses(Request* request) {
    const FrameInputs& frame = frame_.Current();
    std::optional<DefocusJob> built = MakeDefocusJob(
        frame.Radius, frame.DuplicateEdges, *frame.Input, *frame.Intermediate, *frame.Output);
    if (!built) return;
    const auto job = job_.Hold(std::move(*built));
    // The second run starts only when every chunk of the first has finished, so the column
    // pass reads a complete intermediate image.
    pass_ = 1;
    DoMultiProcess(request, job->Split.ChunkCount);
    pass_ = 2;
    DoMultiProcess(request, job->Split.ChunkCount);
}

void DefocusPlugIn::ProcessChunk(Request*, int chunk) {
    switch (pass_) {
    case 1:
        BlurRows(job_.Current(), chunk);
        break;
    case 2:
        BlurColumns(job_.Current(), chunk);
        break;
    default:
        break;
    }
}

void DefocusPlugIn::BlurColumns(const DefocusJob& job, int chunk) {
    ColumnPass(job, job.Split.Columns(chunk), AbortFlag);
}

void DefocusPlugIn::BlurRows(const DefocusJob& job, int chunk) {
    RowPass(job, job.Split.Rows(chunk), AbortFlag);
}

} // namespace vorlings::defocus
