// SPDX-License-Identifier: Apache-2.0
// CrashZoom's speed on the test frame at each oversampling, with the showcase's "Speed" and
// clear radius. No peer library has a zoom blur walked like this one, so beside the rate each
// run reports how many samples its pixels take on average and the wall-clock time per sample.
#include "support/BenchSupport.h"

#include "crashzoom/CrashZoomPlugIn.h"
#include "crashzoom/ZoomStreak.h"

namespace {

using namespace vorlings::bench;
using namespace vorlings::crashzoom;

constexpr double kSpeed = 0.1;
constexpr double kClearAreaRadius = 0.08;

// Samples of every streak of the frame, outside the timing.
uint64_t FrameSamples(const Image& input, int oversampling) {
    auto scratch = Image::Create(input.Kind, 1, 1);
    const CrashZoomJob job =
        MakeCrashZoomJob({0.5, 0.5}, kClearAreaRadius, kSpeed, oversampling, input, *scratch);
    uint64_t total = 0;
    for (int32_t y = 0; y < job.Height; ++y)
        for (int32_t x = 0; x < job.Width; ++x) total += StreakSamples(ZoomStreak(job, x, y));
    return total;
}

// CrashZoom through the host's render road: a tool object, its controls, a request and the
// worker pool.
void BM_CrashZoom(benchmark::State& state) {
    const int oversampling = int(state.range(0));
    const WorkerScope workers(WorkerScope::Host, Workers(state));
    const std::shared_ptr<Image> input = HostImage();
    CrashZoomPlugIn tool(nullptr, nullptr, nullptr);
    tool.ClearAreaRadius->NumberValue.Value = kClearAreaRadius;
    tool.Speed->NumberValue.Value = kSpeed;
    tool.Oversampling->NumberValue.Value = oversampling;
    RenderLoop(state, tool, input);

    const double samples = double(FrameSamples(*input, oversampling));
    state.counters["samples/px"] = samples / (double(kWidth) * kHeight);
    // Wall-clock time per sample, shown with its SI prefix (ns).
    state.counters["time/sample"] = benchmark::Counter(
        samples, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void RegisterAll() {
    // 0 to 3 are the combo's entries; 4, reachable with any number, is the 16 x 16 grid.
    Register("CrashZoom", BM_CrashZoom, "oversampling")
        ->ArgsProduct({{0, 1, 2, 3, 4}, WorkerCounts()});
}

} // namespace

int main(int argc, char** argv) {
    return RunBenchmarks(argc, argv, RegisterAll);
}
