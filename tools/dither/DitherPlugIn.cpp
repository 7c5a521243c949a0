// SPDX-License-Identifier: Apache-2.0
#include "DitherPlugIn.h"

#include "DitherRows.h"
#include "frame/RenderRoad.h"

#include <atomic>

namespace vorlings::dither {

namespace {

std::time_t TimeNow() {
    return std::time(nullptr);
}

std::atomic<SeedClock> g_seedClock{&TimeNow};

} // namespace

void SetSeedClock(SeedClock clock) {
    g_seedClock = clock ? clock : &TimeNow;
}

DitherPlugIn::DitherPlugIn(Registry* entry, CArchive* archive, const TagItem* tags)
    : ThreadedOperator(entry, archive, tags) {
    Radius = AddInput("Radius", TYPE_Number, 0x657A69D3,
                      {TagNum(CTL_Kind, KIND_Slider), TagDouble(CTL_Lower, 0.0),
                       TagDouble(CTL_Upper, 1.0), TagDouble(CTL_Default, 0.2)});
    DuplicateEdges = AddInput("Duplicate Edges", TYPE_Number, FourCC("DpEd"),
                              {TagNum(CTL_Kind, KIND_Check), TagNum(CTL_CheckDefault, 0)});
    Direction =
        AddInput("Direction", TYPE_Number, FourCC("DiRe"),
                 {TagNum(CTL_Kind, KIND_Combo), TagPtr(CTL_ComboEntry, "Both"),
                  TagPtr(CTL_ComboEntry, "Horizontal"), TagPtr(CTL_ComboEntry, "Vertical")});
    In = AddInput("Input", TYPE_Image, LINK_FirstImage);
    Out = AddOutput("Output", TYPE_Image, LINK_ImageOutput);
    frame::FinishToolConstruction(*this, archive);
}

uint32_t DitherPlugIn::Save(CArchive* archive, const TagItem* tags) {
    return frame::SaveTool(*this, ClassID, archive, tags);
}

void DitherPlugIn::Process(Request* request) {
    const Image* input = frame::InputImage(*this, In);
    if (!input) return;
    frame::MadeImage output = frame::NewImageLike(*input);
    if (!output) return;

    {
        // Seeded with the time in seconds: renders within the same second use the same table.
        std::optional<DitherRender> made = MakeDitherRender(
            frame::NumberValue(*this, Radius), frame::NumberValue(*this, DuplicateEdges),
            frame::NumberValue(*this, Direction), unsigned(g_seedClock.load()()), *input, *output);
        // Without a table nothing renders: the output goes as it was made.
        if (made) {
            // Held only while the rows run; the table goes with it, before the output leaves.
            const auto render = render_.Hold(std::move(*made));
            // One chunk per row, whatever chunk count the host would choose.
            DoMultiProcess(request, render->Height);
        }
    }

    frame::HandOver(*this, Out, std::move(output));
}

void DitherPlugIn::ProcessChunk(Request*, int chunk) {
    DitherRow(render_.Current(), chunk, AbortFlag);
}

} // namespace vorlings::dither
