// SPDX-License-Identifier: Apache-2.0
#include "support/TestImages.h"

#include "host/Operator.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <set>
#include <thread>

namespace {

// An operator declaring one control of each kind the tools use, and recording its chunks.
class Sampler final : public ThreadedOperator {
public:
    Sampler(CArchive* archive = nullptr) : ThreadedOperator(nullptr, archive, nullptr) {
        AddControlPage("Main", {TagEnd()});
        Size = AddInput("Size", TYPE_Number, FourCC("Size"),
                        {TagNum(CTL_Kind, KIND_Slider), TagDouble(CTL_Lower, 0.5),
                         TagDouble(CTL_Upper, 4.0), TagEnd()});
        Mode = AddInput("Mode", TYPE_Number, FourCC("Mode"),
                        {TagNum(CTL_Kind, KIND_Combo), TagPtr(CTL_ComboEntry, "Both"),
                         TagPtr(CTL_ComboEntry, "Horizontal"), TagEnd()});
        Centre = AddInput("XY Center", TYPE_Point, FourCC("Cent"),
                          {TagNum(CTL_Kind, KIND_Offset), TagNum(CTL_Preview, PREVIEW_Crosshair),
                           TagDouble(CTL_DefaultX, 0.25), TagDouble(CTL_DefaultY, 0.75)});
        AddControlPage("Color", {TagEnd()});
        Red = AddInput("Red", TYPE_Number, FourCC("SpSR"),
                       {TagNum(CTL_Kind, KIND_Colour), TagPtr(CTL_GroupLabel, "Start Color"),
                        TagNum(CTL_GroupNumber, 1), TagNum(CTL_GroupIndex, 0),
                        TagDouble(CTL_Lower, 0.0), TagDouble(CTL_RangeUpper, 1.0),
                        TagDouble(CTL_Default, 1.0), TagEnd()});
        Edge = AddInput("Edge Boost", TYPE_Number, FourCC("EdgB"),
                        {TagNum(CTL_Kind, KIND_Check), TagNum(CTL_CheckDefault, 1), TagEnd()});
        Box = AddInput("Bounding Region", TYPE_Number, FourCC("Boxx"),
                       {TagNum(CTL_Preview, PREVIEW_Rectangle), TagPtr(CTL_TiedTo, Centre)});
        SetAttrs(Size, {TagNum(CTL_RectWidthHeight, 1), TagNum(CTL_RectIsHeight, 0)});
        First = AddInput("First input", TYPE_Image, LINK_FirstImage, {TagEnd()});
        Background = AddInput("Background(optional)", TYPE_Image, LINK_SecondImage,
                              {TagNum(CTL_Optional, 0), TagEnd()});
        Out = AddOutput("Output", TYPE_Image, LINK_ImageOutput);
    }

    // Asks for the first input at t and t + 1, as a tool reading two frames does.
    void CheckRequest(Request* request) override {
        Operator::CheckRequest(request);
        const double t = GetInputTime(First, 0);
        SetInputTime(First, t + 1, 1);
    }

    void Process(Request* request) override {
        Frames[0] = static_cast<Image*>(GetInputData(First, 0));
        Frames[1] = static_cast<Image*>(GetInputData(First, 1));
        SeenSize = static_cast<Number*>(GetInputData(Size, 0))->Value;
        DoMultiProcess(request, Chunks);
        if (Frames[0]) SetOutputData(Out, NewImage(IMG_Template, Frames[0], 0));
    }

    void ProcessChunk(Request*, int chunk) override {
        if (chunk == ThrowIn) throw std::runtime_error("chunk failed");
        std::lock_guard lock(mutex);
        Ran.push_back(chunk);
        Threads.insert(std::this_thread::get_id());
    }

    Input *Size, *Mode, *Centre, *Red, *Edge, *Box, *First, *Background;
    Output* Out;
    int Chunks = 0;
    int ThrowIn = -1;
    double SeenSize = 0;
    Image* Frames[2] = {};
    std::mutex mutex;
    std::vector<int> Ran;
    std::set<std::thread::id> Threads;
};

} // namespace

TEST(Declarations, RecordEveryAttributeAndPage) {
    Sampler op;
    ASSERT_EQ(op.Pages(), (std::vector<std::string>{"Main", "Color"}));
    EXPECT_EQ(op.Size->Page, 0);
    EXPECT_EQ(op.Red->Page, 1);
    EXPECT_EQ(op.Size->ControlKind, KIND_Slider);
    EXPECT_EQ(*op.Size->Lower, 0.5);
    EXPECT_EQ(*op.Size->Upper, 4.0);
    EXPECT_EQ(op.Mode->Entries, (std::vector<std::string>{"Both", "Horizontal"}));
    EXPECT_EQ(op.Centre->PreviewKind, PREVIEW_Crosshair);
    EXPECT_EQ(op.Red->GroupLabel, "Start Color");
    EXPECT_EQ(*op.Red->GroupNumber, 1);
    EXPECT_EQ(*op.Red->GroupIndex, 0);
    EXPECT_EQ(*op.Red->Upper, 1.0);
    EXPECT_EQ(op.Box->TiedTo, op.Centre);
    EXPECT_EQ(op.Box->ControlKind, 0u);
    EXPECT_TRUE(op.Background->Optional);
    EXPECT_FALSE(op.First->Optional);
    // Tags without a role of the host's own are kept, in order, for the host to read.
    ASSERT_EQ(op.Size->ExtraTags.size(), 2u);
    EXPECT_EQ(op.Size->ExtraTags[0].tag, CTL_RectWidthHeight);
    EXPECT_EQ(op.Size->ExtraTags[1].tag, CTL_RectIsHeight);
    EXPECT_EQ(op.FindInput(FourCC("EdgB")), op.Edge);
    EXPECT_EQ(op.FindInput(FourCC("none")), nullptr);
}

TEST(Declarations, DefaultsFollowTheDeclaration) {
    Sampler op;
    EXPECT_EQ(op.Size->NumberValue.Value, 0.5); // no default: the lower bound, being above 0
    EXPECT_EQ(op.Mode->NumberValue.Value, 0.0); // combo: entry 0
    EXPECT_EQ(op.Red->NumberValue.Value, 1.0);  // declared
    EXPECT_EQ(op.Edge->NumberValue.Value, 1.0); // check box state
    EXPECT_EQ(op.Box->NumberValue.Value, 0.0);
    EXPECT_EQ(op.Centre->PointValue.X, 0.25);
    EXPECT_EQ(op.Centre->PointValue.Y, 0.75);
}

TEST(BaseData, SaveAndLoadCarryEveryControlByLinkId) {
    Sampler op;
    op.Size->NumberValue.Value = 3.25;
    op.Mode->NumberValue.Value = 1;
    op.Centre->PointValue = Point(0.1, 0.9);
    std::vector<uint8_t> bytes;
    CArchive out(bytes, CArchive::store);
    EXPECT_EQ(op.Save(&out, nullptr) & 1, 1u);

    CArchive in(bytes, CArchive::load);
    Sampler loaded(&in);
    EXPECT_FALSE(in.Failed());
    EXPECT_EQ(loaded.Size->NumberValue.Value, 3.25);
    EXPECT_EQ(loaded.Mode->NumberValue.Value, 1.0);
    EXPECT_EQ(loaded.Centre->PointValue.X, 0.1);
    EXPECT_EQ(loaded.Centre->PointValue.Y, 0.9);
    EXPECT_EQ(loaded.Red->NumberValue.Value, 1.0);
}

TEST(BaseData, BrokenDataSetsTheArchiveError) {
    // An absurd control count, and a control of an unknown kind.
    std::vector<uint8_t> huge = {0xFF, 0xFF, 0xFF, 0x7F};
    CArchive a(huge, CArchive::load);
    Sampler fromHuge(&a);
    EXPECT_EQ(a.Error(), "corrupt saved tool");
    EXPECT_EQ(fromHuge.Size->NumberValue.Value, 0.5);

    std::vector<uint8_t> bytes;
    CArchive out(bytes, CArchive::store);
    out << uint32_t(1) << FourCC("Size") << FourCC("Blob") << 1.0;
    CArchive b(bytes, CArchive::load);
    Sampler fromBlob(&b);
    EXPECT_EQ(b.Error(), "corrupt saved tool");
}

TEST(Requests, SamplesArriveAtTheTimesTheToolAsksFor) {
    Sampler op;
    op.Size->NumberValue.Value = 2.5;
    std::vector<std::pair<int, double>> fetched;
    auto frame = test::RandomImage(4, 3, 1);
    Request request(41.0);
    auto out = RenderRequest(op, request, [&](const Input& in, int sample, double time) {
        if (in.LinkId == LINK_FirstImage) fetched.emplace_back(sample, time);
        return in.LinkId == LINK_FirstImage ? frame : nullptr;
    });
    EXPECT_EQ(fetched, (std::vector<std::pair<int, double>>{{0, 41.0}, {1, 42.0}}));
    EXPECT_EQ(op.Frames[0], frame.get());
    EXPECT_EQ(op.Frames[1], frame.get());
    EXPECT_EQ(op.SeenSize, 2.5);
    ASSERT_TRUE(out);
    EXPECT_EQ(out->Width, 4);
    EXPECT_EQ(request.TimingWord, -1);
}

TEST(DoMultiProcess, RunsEveryChunkOnceOnWorkerThreads) {
    Sampler op;
    for (int count : {1, 3, 64, 1000}) {
        op.Ran.clear();
        op.Threads.clear();
        op.Chunks = count;
        Request request(0.0);
        // Each chunk's end is reported once, on a worker, as a count of the chunks ended.
        std::mutex reportMutex;
        std::vector<int> ended;
        std::set<std::thread::id> reporters;
        request.ChunkEnded = [&](int n, int of) {
            std::lock_guard lock(reportMutex);
            EXPECT_EQ(of, count);
            ended.push_back(n);
            reporters.insert(std::this_thread::get_id());
        };
        RenderRequest(op, request, nullptr);
        std::vector<int> ran = op.Ran;
        std::sort(ran.begin(), ran.end());
        std::sort(ended.begin(), ended.end());
        ASSERT_EQ(int(ran.size()), count);
        ASSERT_EQ(int(ended.size()), count);
        for (int i = 0; i < count; ++i) EXPECT_EQ(ran[size_t(i)], i);
        for (int i = 0; i < count; ++i) EXPECT_EQ(ended[size_t(i)], i + 1);
        EXPECT_EQ(op.Threads.count(std::this_thread::get_id()), 0u);
        EXPECT_EQ(reporters.count(std::this_thread::get_id()), 0u);
        EXPECT_FALSE(request.ChunkFailed);
    }
}

TEST(DoMultiProcess, AFailingChunkIsRecordedAndTheOthersStillRun) {
    Sampler op;
    op.Chunks = 8;
    op.ThrowIn = 3;
    Request request(0.0);
    std::atomic<int> reports{0};
    request.ChunkEnded = [&](int, int) { ++reports; };
    RenderRequest(op, request, nullptr);
    EXPECT_TRUE(request.ChunkFailed);
    EXPECT_EQ(op.Ran.size(), 7u);
    EXPECT_EQ(reports, 8) << "the failed chunk ended too";
}
