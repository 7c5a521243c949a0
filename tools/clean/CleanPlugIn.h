// Clean: replaces every pixel by the per-channel median of a window around it, removing
// specks smaller than the window.
#pragma once

#include "CleanJob.h"
#include "frame/ChunkSplit.h"
#include "frame/ToolEntry.h"
#include "frame/ToolPattern.h"
#include "host/Operator.h"

class CleanPlugIn final : public ThreadedOperator {
public:
    static constexpr uint32_t ClassID = 0x8001006A;

    CleanPlugIn(Registry* entry, CArchive* archive, const TagItem* tags);
    ~CleanPlugIn() override = default;
    uint32_t Save(CArchive* archive, const TagItem* tags) override;
    void Process(Request* request) override;
    void ProcessChunk(Request* request, int chunk) override;

    // Links, in declaration order.
    Input* FilterSize;
    Input* In;
    Output* Out;

    // The current render.
    Image* InputImage = nullptr;
    Image* OutputImage = nullptr;
    int32_t Width = 0;
    int32_t Height = 0;
    int32_t HalfWidth = 0;
    int32_t HalfHeight = 0;
    ChunkSplit Split;
    const CleanJob* Job = nullptr;
};

inline constexpr ToolInfo CleanInfo{
    "CleanPlugIn",
    CleanPlugIn::ClassID,
    "Clean",
    "Cln",
    "For removing little bits of the image",
    "TharnVorlings.chm::/html/clean.htm",
    110,
    &MakeTool<CleanPlugIn>,
};
