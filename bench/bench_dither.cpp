// SPDX-License-Identifier: Apache-2.0
// Dither's speed on the test frame, side by side with plain copies of the same frame: Dither
// moves every pixel once, so a copy is the floor it stands against. "radius" is Dither's
// "Radius" in thousandths of the width (10: sources up to 19 pixels across; 200: 384).
#include "support/BenchSupport.h"

#include "dither/DitherPlugIn.h"

namespace {

using namespace vorlings::bench;

// Dither through the host's render road: a tool object, its "Radius", a request, one chunk per
// row on the worker pool.
void BM_Dither(benchmark::State& state) {
    const WorkerScope workers(WorkerScope::Host, Workers(state));
    vorlings::dither::DitherPlugIn tool(nullptr, nullptr, nullptr);
    tool.Radius->NumberValue.Value = double(state.range(0)) / 1000.0;
    RenderLoop(state, tool, HostImage());
}

void BM_CopyRows(benchmark::State& state) {
    const WorkerScope workers(WorkerScope::Host, Workers(state));
    CopyLoop(state);
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
