// SPDX-License-Identifier: Apache-2.0
#include "MoBlurPlugIn.h"

#include "EstimateMotion.h"
#include "MoBlurJob.h"
#include "SmearFrame.h"
#include "frame/Numeric.h"
#include "frame/RenderRoad.h"

namespace vorlings::moblur {

namespace {

TagItem Slider() {
    return TagNum(CTL_Kind, KIND_Slider);
}

// Frame t + 1 is smeared over frame t's pixels, so only a frame of the same size can be used.
bool SameSize(const Image& a, const Image& b) {
    return a.Width == b.Width && a.Height == b.Height;
}

} // namespace

MoBlurPlugIn::MoBlurPlugIn(Registry* entry, CArchive* archive, const TagItem* tags)
    : ThreadedOperator(entry, archive, tags) {
    AddControlPage("Effect", {TagEnd()});
    NumberOfSteps = AddInput("Number of Steps", TYPE_Number, FourCC("Step"),
                             {Slider(), TagDouble(CTL_Lower, 2.0), TagDouble(CTL_Upper, 50.0),
                              TagDouble(CTL_Default, 10.0)});
    StartWeight = AddInput("Start Weight", TYPE_Number, FourCC("SWei"),
                           {Slider(), TagDouble(CTL_Lower, 1.0), TagDouble(CTL_Upper, 50.0),
                            TagDouble(CTL_Default, 1.0)});
    EndWeight = AddInput("End Weight", TYPE_Number, FourCC("EWei"),
                         {Slider(), TagDouble(CTL_Lower, 1.0), TagDouble(CTL_Upper, 50.0),
                          TagDouble(CTL_Default, 1.0)});
    LengthScale = AddInput("Length Scale", TYPE_Number, FourCC("LSca"),
                           {Slider(), TagDouble(CTL_Lower, 0.1), TagDouble(CTL_Upper, 10.0),
                            TagDouble(CTL_Default, 1.0)});
    Threshold = AddInput("Threshold", TYPE_Number, FourCC("Thre"),
                         {Slider(), TagDouble(CTL_Lower, 0.5), TagDouble(CTL_Upper, 40.0),
                          TagDouble(CTL_Default, 2.0)});

    AddControlPage("Bounds", {TagEnd()});
    Center = AddInput("XY Center", TYPE_Point, FourCC("Cent"),
                      {TagNum(CTL_Kind, KIND_Offset), TagNum(CTL_Preview, PREVIEW_Crosshair),
                       TagDouble(CTL_DefaultX, 0.5), TagDouble(CTL_DefaultY, 0.5)});
    BoundsWidth = AddInput("Width", TYPE_Number, FourCC("Widt"),
                           {Slider(), TagDouble(CTL_Lower, 0.0), TagDouble(CTL_Upper, 1.0),
                            TagDouble(CTL_Default, 0.95)});
    BoundsHeight = AddInput("Height", TYPE_Number, FourCC("Heig"),
                            {Slider(), TagDouble(CTL_Lower, 0.0), TagDouble(CTL_Upper, 1.0),
                             TagDouble(CTL_Default, 0.95)});
    BoundingRegion = AddInput("Bounding Region", TYPE_Number, FourCC("Boxx"),
                              {TagNum(CTL_Preview, PREVIEW_Rectangle), TagPtr(CTL_TiedTo, Center)});
    // The rectangle drawn over the view is centred on "XY Center" with the two sizes.
    SetAttrs(BoundsHeight, {TagNum(CTL_Preview, PREVIEW_Rectangle), TagPtr(CTL_TiedTo, Center),
                            TagNum(CTL_RectWidthHeight, 1), TagNum(CTL_RectIsHeight, 1)});
    SetAttrs(BoundsWidth, {TagNum(CTL_Preview, PREVIEW_Rectangle), TagPtr(CTL_TiedTo, Center),
                           TagNum(CTL_RectWidthHeight, 1), TagNum(CTL_RectIsHeight, 0)});

    First = AddInput("First input", TYPE_Image, LINK_FirstImage,
                     {TagNum(CTL_SampleTimes, ~uint64_t(0)), TagNum(CTL_SampleCount, 2)});
    Out = AddOutput("Output image", TYPE_Image, LINK_ImageOutput, {TagEnd()});
    frame::FinishToolConstruction(*this, archive);
}

uint32_t MoBlurPlugIn::Save(CArchive* archive, const TagItem* tags) {
    return frame::SaveTool(*this, ClassID, archive, tags);
}

void MoBlurPlugIn::CheckRequest(Request* request) {
    Operator::CheckRequest(request);
    if (!request || request->TimingWord != -1) return;
    const int32_t t = frame::TruncToInt32(GetInputTime(First, 0));
    SetInputTime(First, double(t), 0);
    SetInputTime(First, double(t) + 1.0, 1);
}

void MoBlurPlugIn::Process(Request* request) {
    const Image* prev = frame::InputImage(*this, First, 0);
    const Image* next = frame::InputImage(*this, First, 1);
    if (prev && next && !SameSize(*prev, *next)) next = nullptr;
    // With one frame the output is a copy of it; with none there is nothing to size it by.
    const Image* only = prev ? prev : next;
    if (!only) return;
    frame::MadeImage output = frame::NewImageLike(*only);
    if (!output) return;

    if (prev && next)
        Blur(request, *prev, *next, *output);
    else
        only->ImageCopy(output.get());

    frame::HandOver(*this, Out, std::move(output));
}

void MoBlurPlugIn::Blur(Request* request, const Image& prev, const Image& next, Image& output) {
    const int32_t width = prev.Width, height = prev.Height;
    MoBlurControls controls;
    controls.Steps = frame::NumberValue(*this, NumberOfSteps);
    controls.StartWeight = frame::NumberValue(*this, StartWeight);
    controls.EndWeight = frame::NumberValue(*this, EndWeight);
    controls.LengthScale = frame::NumberValue(*this, LengthScale);
    controls.Threshold = frame::NumberValue(*this, Threshold);
    controls.Center = frame::PointValue(*this, Center);
    controls.BoundsWidth = frame::NumberValue(*this, BoundsWidth);
    controls.BoundsHeight = frame::NumberValue(*this, BoundsHeight);
    const MoBlurSettings settings = MakeMoBlurSettings(controls, width, height);
    const frame::ChunkSplit split = frame::ChunkSplit::For(width, height);

    const std::optional<MotionField> field = EstimateMotion(
        next, prev, width, height, settings.Motion, split, AbortFlag, [&](const MotionJob& job) {
            const auto held = motionJob_.Hold(job);
            pass_ = 1;
            DoMultiProcess(request, job.Split.ChunkCount);
            pass_ = 0;
        });
    if (!field) return;
    SmearFrame(output, next, prev, *field, settings.Smear, split, AbortFlag,
               [&](const SmearJob& job) {
                   const auto held = smearJob_.Hold(job);
                   pass_ = 2;
                   DoMultiProcess(request, job.Split.ChunkCount);
                   pass_ = 0;
               });
}

void MoBlurPlugIn::ProcessChunk(Request*, int chunk) {
    if (pass_ == 1 && motionJob_.Holding()) {
        const MotionJob& job = motionJob_.Current();
        MatchBlockRows(job, job.Split.Rows(chunk), AbortFlag);
    } else if (pass_ == 2 && smearJob_.Holding()) {
        const SmearJob& job = smearJob_.Current();
        SmearRows(job, job.Split.Rows(chunk), AbortFlag);
    }
}

} // namespace vorlings::moblur
