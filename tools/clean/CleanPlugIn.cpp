#include "CleanPlugIn.h"

#include "CleanRows.h"
#include "frame/Numeric.h"

#include <algorithm>

namespace {

// 2 x half + 1, kept within 32 bits for absurd filter sizes.
int32_t WindowSpan(int32_t half) {
    return int32_t(std::min<int64_t>(2 * int64_t(half) + 1, INT32_MAX));
}

} // namespace

CleanPlugIn::CleanPlugIn(Registry* entry, CArchive* archive, const TagItem* tags)
    : ThreadedOperator(entry, archive, tags) {
    FilterSize = AddInput("Filter Size", TYPE_Number, FourCC("XRad"),
                          {TagNum(CTL_Kind, KIND_Slider), TagDouble(CTL_Lower, 0.0),
                           TagDouble(CTL_Upper, 0.01), TagEnd()});
    In = AddInput("Input", TYPE_Image, LINK_FirstImage, {TagEnd()});
    Out = AddOutput("Output", TYPE_Image, LINK_ImageOutput, {TagEnd()});
    FinishToolConstruction(*this, archive);
}

uint32_t CleanPlugIn::Save(CArchive* archive, const TagItem* tags) {
    return SaveTool(*this, ClassID, archive, tags);
}

void CleanPlugIn::Process(Request* request) {
    InputImage = static_cast<Image*>(GetInputData(In, 0));
    if (!InputImage) return;
    OutputImage = NewImage(IMG_Template, InputImage, 0);
    if (!OutputImage) return;
    Width = InputImage->Width;
    Height = InputImage->Height;

    const double filterSize = static_cast<Number*>(GetInputData(FilterSize, 0))->Value;
    HalfWidth = TruncToInt32(filterSize * Width / InputImage->XScale);
    if (HalfWidth < 0) HalfWidth = 0;
    HalfHeight = TruncToInt32(HalfWidth / InputImage->PixelAspect);
    if (HalfHeight < 0) HalfHeight = 0;

    if (HalfWidth == 0 || HalfHeight == 0) {
        // A window one pixel wide or high changes nothing worth filtering: plain copy.
        InputImage->ImageCopy(OutputImage);
    } else {
        const CleanJob job{
            InputImage, OutputImage, WindowSpan(HalfWidth), WindowSpan(HalfHeight), Width, Height,
            HalfWidth,  HalfHeight};
        Split = ChunkSplit::For(Width, Height);
        Job = &job;
        DoMultiProcess(request, Split.ChunkCount);
        Job = nullptr;
    }

    if (AbortFlag)
        OutputImage->Recycle();
    else
        SetOutputData(Out, OutputImage);
    OutputImage = nullptr;
}

void CleanPlugIn::ProcessChunk(Request*, int chunk) {
    CleanRows(*Job, Split.Rows(chunk, Height), AbortFlag);
}
