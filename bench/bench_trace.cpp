// SPDX-License-Identifier: Apache-2.0
// Trace's speed on the test frame, side by side with a plain copy of the frame through the same
// road (a new output image, the chunks on the worker pool, each copying its rows): the least any
// tool that writes every pixel can cost. Trace reads each input pixel a few times (as a block's
// pixel, its neighbour, and in the row above's block) and writes it once.
#include "support/BenchSupport.h"

#include "trace/TracePlugIn.h"

namespace {

using namespace vorlings::bench;

// Trace through the host's render road at "Level" 0.5, with "Over Image" off (lines on black)
// or on (lines over the picture).
void BM_Trace(benchmark::State& state) {
    const WorkerScope workers(WorkerScope::Host, Workers(state));
    vorlings::trace::TracePlugIn tool(nullptr, nullptr, nullptr);
    tool.OverImage->NumberValue.Value = double(state.range(0));
    RenderLoop(state, tool, HostImage());
}

void BM_Copy(benchmark::State& state) {
    const WorkerScope workers(WorkerScope::Host, Workers(state));
    CopyLoop(state);
}

void RegisterAll() {
    Register("Trace", BM_Trace, "over")->ArgsProduct({{0, 1}, WorkerCounts()});
    Register("Copy", BM_Copy, "memcpy")->ArgsProduct({{1}, WorkerCounts()});
}

} // namespace

int main(int argc, char** argv) {
    return RunBenchmarks(argc, argv, RegisterAll);
}
