// SPDX-License-Identifier: Apache-2.0
// Flare's speed on a 1920 x 1080 frame with default controls but "Lightmap Only" off, over
// light maps of about 100, 1,000 and 10,000 light pixels ("lights"). The whole render goes
// through the host's road; its stages run alone through their free functions: the kernels
// (setup), the light map, the scatter pass (pass 1, in as many chunks as workers, each on its
// own thread as the host runs them) and the composite (pass 2). The scatter pass reports
// "adds/s": plane-element additions (halo, streaks and glow) per second of wall-clock time.
#include "support/BenchSupport.h"

#include "flare/Composite.h"
#include "flare/FlarePlugIn.h"
#include "flare/FlareSetup.h"
#include "flare/LightMap.h"
#include "flare/LineWalk.h"
#include "flare/Scatter.h"
#include "host/System.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <thread>

namespace {

using namespace vorlings::bench;
using namespace vorlings::flare;

/// A black light map with `lights` white pixels at fixed random places inside the default
/// region.
std::shared_ptr<Image> LightMap(int lights) {
    std::shared_ptr<Image> image = Image::Create(ImageKind::Int16, kWidth, kHeight);
    Random random(uint64_t(lights) * 7919u);
    const Pixel white{{65535, 65535, 65535, 65535}};
    for (int i = 0; i < lights; ++i) {
        const int32_t x = 60 + int32_t(random.Below(kWidth - 120));
        const int32_t y = 40 + int32_t(random.Below(kHeight - 80));
        image->WritePixel(image.get(), image->PixelAddress(x, y), &white);
    }
    return image;
}

FlareControls FrameControls() {
    FlareControls controls;
    controls.LightmapOnly = 0;
    return controls;
}

/// A job over one frame with its kernels, planes and light map ready for pass 1.
struct Stage {
    std::unique_ptr<FlareJob> Job = std::make_unique<FlareJob>();
    FlareTables Tables;
    std::shared_ptr<Image> Source, Work, Output;

    explicit Stage(int lights)
        : Source(LightMap(lights)), Work(Image::Create(ImageKind::Int16, kWidth, kHeight)),
          Output(Image::Create(ImageKind::Int16, kWidth, kHeight)) {
        FillFlareJob(*Job, FrameControls(), kWidth, kHeight);
        Job->PixelAspect = 1.0f;
        Job->Adder = MachineRowAdder();
        BuildContrastTable(Job->ContrastTable, Job->OverlayContrast);
        crt::srand(1);
        BuildKernels(*Job, Tables);
        DrawStreakTable(Job->RandomStreakTable);
        AllocatePlanes(*Job, Tables);
        Job->SourceImage = Source.get();
        Job->WorkImage = Work.get();
        Job->OutputImage = Output.get();
        PrepareLightMap(*Job);
    }

    /// Runs `worker` for every chunk of a split into `workers` chunks, one thread each.
    template <class Worker>
    void Chunks(int workers, Worker&& worker) {
        const vorlings::frame::ChunkSplit split =
            vorlings::frame::ChunkSplit::For(kWidth, kHeight, workers);
        const std::atomic<int> running{0};
        std::vector<std::thread> threads;
        for (int c = 1; c < workers; ++c)
            threads.emplace_back([&, c] { worker(*Job, split.Rows(c), running); });
        worker(*Job, split.Rows(0), running);
        for (std::thread& t : threads) t.join();
    }

    /// Plane-element additions of one scatter pass: each light pixel's halo and glow squares
    /// clipped to the frame, and every streak cell and neighbour inside it, three channels
    /// each (the streaks' geometry as DrawStreak walks it).
    double Additions() const {
        double adds = 0;
        const auto clipped = [](int32_t centre, int32_t radius, int32_t size) {
            return std::min(centre + radius, size - 1) - std::max(centre - radius, 0) + 1;
        };
        const auto inside = [](int64_t x, int64_t y) {
            return x >= 0 && x < kWidth && y >= 0 && y < kHeight;
        };
        const int32_t length = int32_t(Job->StreakLength);
        for (int32_t y = 0; y < kHeight; ++y)
            for (int32_t x = 0; x < kWidth; ++x) {
                Pixel p;
                Work->ReadPixel(Work.get(), Work->PixelAddress(x, y), &p);
                if ((p.Word[0] | p.Word[1] | p.Word[2]) >> 2 == 0) continue;
                for (int32_t r : {Job->Halo->Count, Job->Glow->Radius})
                    adds += 3.0 * clipped(x, r, kWidth) * clipped(y, r, kHeight);
                for (int32_t i = 0; i < Job->StreakCount; ++i)
                    for (int side = 0; side < 2; ++side) {
                        const StreakDraw& draw = Job->RandomStreakTable[i];
                        const double direction = Job->StreakRotation * 0.017453292222222222 +
                                                 draw.Angle + (side == 1 ? 3.1415926 : 0.0);
                        const float reach = (draw.Factor + 1.0f) * float(length);
                        const int32_t dx = int32_t(std::cos(direction) * reach + x) - x;
                        const int32_t dy = int32_t(std::sin(direction) * reach + y) - y;
                        if (dx == 0 && dy == 0) continue;
                        LineWalk::Over(dx, dy).Walk(
                            x, y,
                            [&](int32_t, int32_t cx, int32_t cy, float, int32_t nx, int32_t ny) {
                                if (!inside(cx, cy)) return;
                                adds += 3.0 * (1 + inside(cx + nx, cy + ny));
                            });
                    }
            }
        return adds;
    }
};

void BM_FlareFrame(benchmark::State& state) {
    const WorkerScope workers(WorkerScope::Host, Workers(state));
    FlarePlugIn tool(nullptr, nullptr, nullptr);
    tool.LightmapOnly->NumberValue.Value = 0;
    RenderLoop(state, tool, LightMap(int(state.range(0))));
}

void BM_FlareKernels(benchmark::State& state) {
    Stage stage(0);
    for (auto _ : state) {
        FlareTables tables;
        benchmark::DoNotOptimize(BuildKernels(*stage.Job, tables));
    }
}

void BM_FlareLightMap(benchmark::State& state) {
    Stage stage(int(state.range(0)));
    for (auto _ : state) PrepareLightMap(*stage.Job);
}

template <bool Streaks>
void BM_FlareScatter(benchmark::State& state) {
    Stage stage(int(state.range(0)));
    // Without streaks the pass is the halo's and glow's kernel rows alone.
    if (!Streaks) stage.Job->StreakCount = 0;
    const int workers = Workers(state);
    const size_t bytes = size_t(kWidth) * kHeight * kPlaneStride * sizeof(float);
    for (auto _ : state) {
        state.PauseTiming();
        std::memset(stage.Job->Planes, 0, bytes);
        state.ResumeTiming();
        stage.Chunks(workers, ScatterChunk);
    }
    state.counters["adds/s"] = benchmark::Counter(stage.Additions() * double(state.iterations()),
                                                  benchmark::Counter::kIsRate);
}

void BM_FlareComposite(benchmark::State& state) {
    Stage stage(int(state.range(0)));
    stage.Job->SourceImage = stage.Source.get();
    for (auto _ : state) stage.Chunks(Workers(state), CompositeChunk);
    ReportRate(state);
}

void RegisterAll() {
    const std::vector<int64_t> lights = {100, 1000, 10000};
    Register("Flare", BM_FlareFrame, "lights")->ArgsProduct({lights, WorkerCounts()});
    Register("Flare_kernels", BM_FlareKernels, "lights")->Args({0, 1});
    Register("Flare_lightmap", BM_FlareLightMap, "lights")->ArgsProduct({lights, {1}});
    Register("Flare_scatter", BM_FlareScatter<true>, "lights")
        ->ArgsProduct({lights, WorkerCounts()});
    Register("Flare_scatter_no_streaks", BM_FlareScatter<false>, "lights")
        ->ArgsProduct({lights, WorkerCounts()});
    Register("Flare_composite", BM_FlareComposite, "lights")->ArgsProduct({{1000}, WorkerCounts()});
}

} // namespace

int main(int argc, char** argv) {
    return RunBenchmarks(argc, argv, RegisterAll);
}
