// SPDX-License-Identifier: Apache-2.0
// Dither's speed on the test frame, side by side with plain copies of the same frame: Dither
// moves every pixel once, so a copy is the floor it stands against. "radius" is Dither's
// "Radius" in thousandths of the width (10: sources up to 19 pixels across; 200: 384).
#include "support/BenchSupport.h"

#include "dither/DitherPlugIn.h"
#include "frame/Chunks.h"
#include "frame/RenderRoad.h"

#include <cstring>

namespace {

using namespace vorlings::bench;
namespace frame = vorlings::frame;

// Dither through the host's render road: a tool object, its "Radius", a request, one chunk per
// row on the worker pool.
void BM_Dither(benchmark::State& state) {
    const WorkerScope workers(WorkerScope::Host, Workers(state));
    vorlings::dither::DitherPlugIn tool(nullptr, nullptr, nullptr);
    tool.Radius->NumberValue.Value = double(state.range(0)) / 1000.0;
    RenderLoop(state, tool, HostImage());
}

// A tool that only copies, through the same road: the output made as every render makes it,
// its rows copied with memcpy in chunks on the worker pool, handed over.
class CopyRows final : public ThreadedOperator {
public:
    CopyRows() : ThreadedOperator(nullptr, nullptr, nullptr) {
        in_ = AddInput("Input", TYPE_Image, LINK_FirstImage);
        out_ = AddOutput("Output", TYPE_Image, LINK_ImageOutput);
    }

    void Process(Request* request) override {
        input_ = frame::InputImage(*this, in_);
        frame::MadeImage output = frame::NewImageLike(*input_);
        output_ = output.get();
        split_ = frame::ChunkSplit::For(input_->Width, input_->Height);
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

void BM_CopyRows(benchmark::State& state) {
    const WorkerScope workers(WorkerScope::Host, Workers(state));
    CopyRows tool;
    RenderLoop(state, tool, HostImage());
}

// The host's ImageCopy on one thread into an image made once: the bare cost of moving the
// frame's bytes, without a fresh output's first touches.
void BM_ImageCopy(benchmark::State& state) {
    const std::shared_ptr<Image> input = HostImage();
    const std::unique_ptr<Image> output = Image::Create(input->Kind, input->Width, input->Height);
    for (auto _ : state) {
        input->ImageCopy(output.get());
        benchmark::DoNotOptimize(output->RowTable[kHeight / 2][0]);
    }
    ReportRate(state);
}

void RegisterAll() {
    Register("Dither", BM_Dither, "radius")->ArgsProduct({{10, 200}, WorkerCounts()});
    Register("Copy_rows", BM_CopyRows, "new_output")->ArgsProduct({{1}, WorkerCounts()});
    Register("Copy_ImageCopy", BM_ImageCopy, "new_output")->Args({0, 1});
}

} // namespace

int main(int argc, char** argv) {
    return RunBenchmarks(argc, argv, RegisterAll);
}
