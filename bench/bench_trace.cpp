// SPDX-License-Identifier: Apache-2.0
// Trace's speed on the test frame, side by side with a plain copy of the frame through the same
// road (a new output image, the chunks on the worker pool, each copying its rows): the least any
// tool that writes every pixel can cost. Trace reads each input pixel a few times (as a block's
// pixel, its neighbour, and in the row above's block) and writes it once.
#include "support/BenchSupport.h"

#include "frame/Chunks.h"
#include "frame/RenderRoad.h"
#include "trace/TracePlugIn.h"

#include <cstring>

namespace {

using namespace vorlings::bench;
namespace frame = vorlings::frame;

// Trace through the host's render road at "Level" 0.5, with "Over Image" off (lines on black)
// or on (lines over the picture).
void BM_Trace(benchmark::State& state) {
    const WorkerScope workers(WorkerScope::Host, Workers(state));
    vorlings::trace::TracePlugIn tool(nullptr, nullptr, nullptr);
    tool.OverImage->NumberValue.Value = double(state.range(0));
    RenderLoop(state, tool, HostImage());
}

// The copy: a tool of one image input whose chunks copy their rows of the input into the new
// output image with memcpy.
class FrameCopy final : public ThreadedOperator {
public:
    FrameCopy() : ThreadedOperator(nullptr, nullptr, nullptr) {
        in_ = AddInput("Input", TYPE_Image, LINK_FirstImage);
        out_ = AddOutput("Output", TYPE_Image, LINK_ImageOutput);
    }

    void Process(Request* request) override {
        const Image* input = frame::InputImage(*this, in_);
        if (!input) return;
        frame::MadeImage output = frame::NewImageLike(*input);
        if (!output) return;
        input_ = input;
        output_ = output.get();
        split_ = frame::ChunkSplit::For(input->Width, input->Height);
        DoMultiProcess(request, split_.ChunkCount);
        frame::HandOver(*this, out_, std::move(output));
    }

    void ProcessChunk(Request*, int chunk) override {
        const frame::ChunkRange rows = split_.Rows(chunk);
        const size_t rowBytes = size_t(input_->Width) * size_t(input_->PixelBytes);
        for (int32_t y = rows.Begin; y < rows.End; ++y)
            std::memcpy(output_->RowTable[y], input_->RowTable[y], rowBytes);
    }

private:
    Input* in_;
    Output* out_;
    const Image* input_ = nullptr;
    Image* output_ = nullptr;
    frame::ChunkSplit split_;
};

void BM_Copy(benchmark::State& state) {
    const WorkerScope workers(WorkerScope::Host, Workers(state));
    FrameCopy copy;
    RenderLoop(state, copy, HostImage());
}

void RegisterAll() {
    Register("Trace", BM_Trace, "over")->ArgsProduct({{0, 1}, WorkerCounts()});
    Register("Copy", BM_Copy, "memcpy")->ArgsProduct({{1}, WorkerCounts()});
}

} // namespace

int main(int argc, char** argv) {
    return RunBenchmarks(argc, argv, RegisterAll);
}
