// SPDX-License-Identifier: Apache-2.0
// FlareSpot's speed on the test frame with its default controls and each lens ("lens" is the
// "Lens Type" index), for 1, 2 and 8 chunks, beside a plain copy of the frame through the
// same road. The whole render runs on the worker pool ("CPU": all its threads); its three
// stages (tracing, the spot pass with its tracing, compositing) are also timed alone, on one
// thread, summed over the chunks of the split, so the share of each shows. "lit" is the
// fraction of the frame's pixels that the spots reach.
#include "support/BenchSupport.h"

#include "flarespot/FlareSpotPlugIn.h"
#include "flarespot/FlareSpotRows.h"
#include "flarespot/SpotDrawing.h"
#include "frame/Chunks.h"

#include <atomic>
#include <cstdlib>
#include <string>

namespace {

using namespace vorlings::bench;
using namespace vorlings::flarespot;
namespace frame = vorlings::frame;

int Lens(const benchmark::State& state) {
    return int(state.range(0));
}
int Chunks(const benchmark::State& state) {
    return int(state.range(1));
}

/// NUM_PROC_THARN for one run.
class ChunkScope {
public:
    explicit ChunkScope(int chunks) { setenv("NUM_PROC_THARN", std::to_string(chunks).c_str(), 1); }
    ~ChunkScope() { unsetenv("NUM_PROC_THARN"); }
};

/// A render's job built by hand, as Process builds it, for timing the stages alone.
struct Stages {
    explicit Stages(int lens, int chunks)
        : Input(HostImage()), Output(Image::Create(Input->Kind, Input->Width, Input->Height)),
          Params(MakeSpotParams(Controls(lens))), Store(kWidth, kHeight), Planes(Store.Planes()) {
        BuildLensTables(Tables);
        Job = {Input.get(),
               Output.get(),
               &SelectLens(Tables, lens),
               &Params,
               &Planes,
               frame::ChunkSplit::For(kWidth, kHeight, chunks),
               VectorUnitAvailable()};
    }
    static FlareSpotControls Controls(int lens) {
        FlareSpotControls c;
        c.LensType = float(lens);
        return c;
    }
    void Clear() {
        for (int32_t y = 0; y < kHeight; ++y) Planes.Lit[y] = {0, 0};
    }
    /// The fraction of pixels with light in any plane.
    double Lit() const {
        int64_t lit = 0;
        for (int32_t y = 0; y < kHeight; ++y)
            for (int32_t x = Planes.Lit[y].First; x < Planes.Lit[y].End; ++x) {
                const size_t i = size_t(y) * kWidth + size_t(x);
                lit += (Planes.Red[i] | Planes.Green[i] | Planes.Blue[i]) != 0;
            }
        return double(lit) / (double(kWidth) * kHeight);
    }

    std::shared_ptr<Image> Input;
    std::unique_ptr<Image> Output;
    SpotParams Params;
    PlaneStore Store;
    LightPlanes Planes;
    LensTables Tables;
    FlareSpotJob Job;
    std::atomic<int> Running{0};
};

// The whole render through the host's road on the worker pool.
void BM_FlareSpot(benchmark::State& state) {
    const WorkerScope workers(WorkerScope::Host, AllProcessors());
    const ChunkScope chunks(Chunks(state));
    FlareSpotPlugIn tool(nullptr, nullptr, nullptr);
    tool.LensType->NumberValue.Value = Lens(state);
    RenderLoop(state, tool, HostImage());
    Stages stages(Lens(state), Chunks(state));
    stages.Clear();
    RenderSpots(stages.Job, 0, kHeight, stages.Running);
    state.counters["lit"] = stages.Lit();
}

// Tracing alone: every chunk traces every surface of the lens.
void BM_Trace(benchmark::State& state) {
    Stages stages(Lens(state), Chunks(state));
    const LensTable& lens = *stages.Job.Lens;
    SpotRecord spot;
    for (auto _ : state)
        for (int c = 0; c < Chunks(state); ++c)
            for (int i = 0; i < lens.Count; ++i) {
                benchmark::DoNotOptimize(TraceSpot(lens, i, stages.Params, spot));
                benchmark::ClobberMemory();
            }
    ReportRate(state);
}

// The spot pass alone (tracing included), band by band on one thread, into cleared planes.
void BM_Spots(benchmark::State& state) {
    Stages stages(Lens(state), Chunks(state));
    for (auto _ : state) {
        state.PauseTiming();
        stages.Clear();
        state.ResumeTiming();
        for (int c = 0; c < Chunks(state); ++c) {
            const frame::ChunkRange rows = stages.Job.Split.Rows(c);
            RenderSpots(stages.Job, rows.Begin, rows.End, stages.Running);
        }
        benchmark::DoNotOptimize(stages.Planes.Red[kWidth * (kHeight / 2)]);
    }
    ReportRate(state);
}

// Compositing alone: the planes laid over the input into the output, on one thread.
void BM_Composite(benchmark::State& state) {
    Stages stages(Lens(state), Chunks(state));
    stages.Clear();
    RenderSpots(stages.Job, 0, kHeight, stages.Running);
    for (auto _ : state) {
        CompositeBand(stages.Job, 0, kHeight, stages.Running);
        benchmark::DoNotOptimize(stages.Output->RowTable[kHeight / 2][0]);
    }
    ReportRate(state);
}

void BM_CopyRows(benchmark::State& state) {
    const WorkerScope workers(WorkerScope::Host, AllProcessors());
    const ChunkScope chunks(Chunks(state));
    CopyLoop(state);
}

benchmark::internal::Benchmark* RegisterRun(const char* name, void (*run)(benchmark::State&)) {
    return benchmark::RegisterBenchmark(name, run)
        ->ArgNames({"lens", "chunks"})
        ->ArgsProduct({{0, 1, 2, 3}, {1, 2, 8}})
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
}

void RegisterAll() {
    // Whole renders count the CPU time of every thread: the work a frame takes, which the
    // shared machine's load disturbs less than the wall-clock time.
    RegisterRun("FlareSpot", BM_FlareSpot)->MeasureProcessCPUTime();
    RegisterRun("FlareSpot_trace", BM_Trace)->Unit(benchmark::kMicrosecond);
    RegisterRun("FlareSpot_spots", BM_Spots);
    benchmark::RegisterBenchmark("FlareSpot_composite", BM_Composite)
        ->ArgNames({"lens", "chunks"})
        ->Args({0, 1})
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("Copy_rows", BM_CopyRows)
        ->ArgNames({"lens", "chunks"})
        ->ArgsProduct({{0}, {1, 2, 8}})
        ->MeasureProcessCPUTime()
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
}

} // namespace

int main(int argc, char** argv) {
    return RunBenchmarks(argc, argv, RegisterAll);
}
