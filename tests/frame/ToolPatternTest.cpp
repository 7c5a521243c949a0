// SPDX-License-Identifier: Apache-2.0
// The pattern every tool follows, on a small tool built the same way: a gain on every word.
#include "support/TestImages.h"

#include "frame/Chunks.h"
#include "frame/JobSlot.h"
#include "frame/PixelRows.h"
#include "frame/RenderRoad.h"
#include "frame/ToolEntry.h"
#include "frame/ToolPattern.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

using namespace vorlings::frame;

namespace {

struct GainJob {
    const Image* InputImage;
    Image* OutputImage;
    double Gain;
    ChunkSplit Split;
};

class GainPlugIn final : public ThreadedOperator {
public:
    static constexpr uint32_t ClassID = 0x80017777;

    GainPlugIn(Registry* entry, CArchive* archive, const TagItem* tags)
        : ThreadedOperator(entry, archive, tags) {
        Gain = AddInput("Gain", TYPE_Number, FourCC("Gain"),
                        {TagNum(CTL_Kind, KIND_Slider), TagDouble(CTL_Lower, 0.0),
                         TagDouble(CTL_Upper, 4.0), TagDouble(CTL_Default, 1.0)});
        In = AddInput("Input", TYPE_Image, LINK_FirstImage);
        Out = AddOutput("Output", TYPE_Image, LINK_ImageOutput);
        FinishToolConstruction(*this, archive);
    }
    uint32_t Save(CArchive* archive, const TagItem* tags) override {
        return SaveTool(*this, ClassID, archive, tags);
    }
    void Process(Request* request) override {
        const Image* input = InputImage(*this, In);
        if (!input) return;
        MadeImage output = NewImageLike(*input);
        {
            const auto job = job_.Hold({input, output.get(), NumberValue(*this, Gain),
                                        ChunkSplit::For(input->Width, input->Height)});
            DoMultiProcess(request, job->Split.ChunkCount);
        }
        HandOver(*this, Out, std::move(output));
    }
    void ProcessChunk(Request*, int chunk) override {
        const GainJob& job = job_.Current();
        if (AbortFlag) return;
        const RowAccess in(*job.InputImage), out(*job.OutputImage);
        std::vector<uint16_t> row(size_t(job.Split.Width) * kWordsPerPixel);
        const ChunkRange rows = job.Split.Rows(chunk);
        for (int32_t y = rows.Begin; y < rows.End; ++y) {
            in.ReadInto(y, 0, job.Split.Width, row.data());
            for (uint16_t& w : row) w = uint16_t(std::min(65535.0, w * job.Gain));
            out.Write(y, 0, job.Split.Width, row.data());
        }
    }
    bool HoldingJob() const { return job_.Holding(); }

    Input* Gain;
    Input* In;
    Output* Out;

private:
    JobSlot<GainJob> job_;
};

std::vector<uint8_t> SavedBytes(Operator& tool) {
    std::vector<uint8_t> bytes;
    CArchive out(bytes, CArchive::store);
    EXPECT_EQ(tool.Save(&out, nullptr), 1u);
    return bytes;
}

void PutWord(std::vector<uint8_t>& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}

} // namespace

TEST(RenderRoad, ControlsReachTheChunksThroughTheJobHeldForTheRender) {
    for (ImageKind kind : {ImageKind::Int16, ImageKind::Int8, ImageKind::Float}) {
        auto in = test::RandomImage(11, 9, 5, kind);
        GainPlugIn tool(nullptr, nullptr, nullptr);
        tool.Gain->NumberValue.Value = 1.5;
        test::ChunkEnv env("4");
        std::unique_ptr<Image> out = test::Render(tool, in);
        ASSERT_TRUE(out);
        EXPECT_EQ(out->Kind, kind);
        EXPECT_FALSE(tool.HoldingJob()) << "the job lives only for the render";
        const auto expected = test::MakeImage(kind, 11, 9, [&](int32_t x, int32_t y) {
            Pixel p = test::At(*in, x, y);
            for (uint32_t& w : p.Word) w = uint32_t(std::min(65535.0, w * 1.5));
            return p;
        });
        EXPECT_TRUE(test::SamePixels(*out, *expected));

        tool.AbortFlag = 1;
        EXPECT_EQ(test::Render(tool, in), nullptr) << "an abandoned render hands nothing over";
    }
}

TEST(SavedTool, ClassIdValuesByLinkIdZeroAndEndMarker) {
    GainPlugIn tool(nullptr, nullptr, nullptr);
    tool.Gain->NumberValue.Value = 0.004;

    std::vector<uint8_t> expected;
    PutWord(expected, 0x80017777); // class ID
    PutWord(expected, 1);          // one control
    expected.insert(expected.end(), {'G', 'a', 'i', 'n', 'N', 'u', 'm', 'b'});
    uint64_t bits;
    const double value = 0.004;
    std::memcpy(&bits, &value, 8);
    PutWord(expected, uint32_t(bits));
    PutWord(expected, uint32_t(bits >> 32));
    PutWord(expected, 0);
    expected.insert(expected.end(), {'E', 'n', 'd', 'C'});
    EXPECT_EQ(SavedBytes(tool), expected);
}

TEST(SavedTool, TheLastTwoWordsAreSkippedUnread) {
    GainPlugIn tool(nullptr, nullptr, nullptr);
    tool.Gain->NumberValue.Value = 2.5;
    std::vector<uint8_t> bytes = SavedBytes(tool);
    for (size_t i = bytes.size() - 8; i < bytes.size(); ++i) bytes[i] = 0xA5;
    CArchive in(bytes, CArchive::load);
    uint32_t classId = 0;
    in >> classId;
    std::unique_ptr<Operator> loaded(MakeTool<GainPlugIn>(nullptr, &in, nullptr));
    ASSERT_TRUE(loaded);
    EXPECT_FALSE(in.Failed());
    EXPECT_EQ(static_cast<GainPlugIn&>(*loaded).Gain->NumberValue.Value, 2.5);
}

TEST(RegistryEntry, ATimeSampledToolCarriesItsFlagBeforeTheCategory) {
    // Without the flag the order is held for every registered tool by the conformance suite.
    ToolInfo info{"GainPlugIn", GainPlugIn::ClassID, "Gain", "Gn",
                  "Gain",       "gain.htm",          999,    &MakeTool<GainPlugIn>};
    info.TimeSampled = true;
    const EntryTags tags = BuildEntryTags(info);
    EXPECT_EQ(tags[10].tag, 0x10000022u);
    EXPECT_EQ(tags[10].value, 1u);
    EXPECT_EQ(tags[11].tag, 0x1000000Fu);
    EXPECT_EQ(tags[16].tag, 0u);
}
