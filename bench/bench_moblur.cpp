// SPDX-License-Identifier: Apache-2.0
// MoBlur's speed on a pair of test frames with a known motion: the estimation alone (grey
// pyramids, block matching on the worker threads, clean-up, interpolation) beside OpenCV's
// DIS optical flow (preset "fast") on the same pair, both with their mean end-point error
// against the true motion; and the smear alone at 10 and 50 steps, with its cost per step.
#include "support/BenchSupport.h"

#include "frame/Chunks.h"
#include "moblur/EstimateMotion.h"
#include "moblur/GreyPyramid.h"
#include "moblur/SmearFrame.h"

#include <opencv2/video/tracking.hpp>

#include <cmath>
#include <ctime>

namespace {

using namespace vorlings::bench;
using namespace vorlings::moblur;

// The true motion: the frame moves 5 pixels right and 3 down, and a 640 x 360 rectangle in its
// middle 12 left and 6 up. A pixel of frame t + 1 came from (x - shift x, y - shift y) in t.
std::array<int32_t, 2> ShiftAt(int32_t x, int32_t y) {
    const bool inside = x >= 640 && x < 1280 && y >= 360 && y < 720;
    return inside ? std::array<int32_t, 2>{-12, -6} : std::array<int32_t, 2>{5, 3};
}

struct Pair {
    std::shared_ptr<Image> Prev = HostImage();
    std::shared_ptr<Image> Next = Image::Create(ImageKind::Int16, kWidth, kHeight);
    cv::Mat PrevGrey, NextGrey;

    Pair() : PrevGrey(kHeight, kWidth, CV_8UC1), NextGrey(kHeight, kWidth, CV_8UC1) {
        for (int32_t y = 0; y < kHeight; ++y)
            for (int32_t x = 0; x < kWidth; ++x) {
                const auto [sx, sy] = ShiftAt(x, y);
                const int32_t fromX = std::clamp(x - sx, 0, kWidth - 1);
                const int32_t fromY = std::clamp(y - sy, 0, kHeight - 1);
                std::memcpy(Next->PixelAddress(x, y), Prev->PixelAddress(fromX, fromY), 8);
            }
        for (int32_t y = 0; y < kHeight; ++y)
            for (int32_t x = 0; x < kWidth; ++x) {
                const auto* p = reinterpret_cast<const uint16_t*>(Prev->PixelAddress(x, y));
                const auto* n = reinterpret_cast<const uint16_t*>(Next->PixelAddress(x, y));
                PrevGrey.at<uint8_t>(y, x) = GreyOf(p[0], p[1], p[2]);
                NextGrey.at<uint8_t>(y, x) = GreyOf(n[0], n[1], n[2]);
            }
    }
};

const Pair& ThePair() {
    static const Pair pair;
    return pair;
}

// Mean distance between a displacement per pixel and the true one.
template <class At>
double EndPointError(const At& displacementAt) {
    double sum = 0.0;
    for (int32_t y = 0; y < kHeight; ++y)
        for (int32_t x = 0; x < kWidth; ++x) {
            const auto [sx, sy] = ShiftAt(x, y);
            const auto [vx, vy] = displacementAt(x, y);
            sum += std::hypot(double(vx) + sx, double(vy) + sy);
        }
    return sum / (double(kWidth) * kHeight);
}

// Processor time of the whole process (every thread), in milliseconds: on a machine shared
// with other work it says more of the work done than the wall clock does.
double ProcessMilliseconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) * 1e-6;
}

// Reports the processor time per iteration since `start` as "cpu_ms".
void ReportProcessTime(benchmark::State& state, double start) {
    state.counters["cpu_ms"] =
        (ProcessMilliseconds() - start) / double(std::max<int64_t>(state.iterations(), 1));
}

// Runs one pass's chunks on the host's worker threads, as the tool does.
class PassRunner final : public ThreadedOperator {
public:
    PassRunner() : ThreadedOperator(nullptr, nullptr, nullptr) {}
    void Run(int chunks, std::function<void(int)> chunk) {
        chunk_ = std::move(chunk);
        DoMultiProcess(nullptr, chunks);
    }
    void ProcessChunk(Request*, int chunk) override { chunk_(chunk); }

private:
    std::function<void(int)> chunk_;
};

MotionSettings WholeFrame() {
    MotionSettings settings;
    settings.Right = kWidth;
    settings.Bottom = kHeight;
    return settings;
}

std::optional<MotionField> Estimate(PassRunner& runner, const std::atomic<int>& abortFlag) {
    const Pair& pair = ThePair();
    const auto split = vorlings::frame::ChunkSplit::For(kWidth, kHeight);
    return EstimateMotion(*pair.Next, *pair.Prev, kWidth, kHeight, WholeFrame(), split, abortFlag,
                          [&](const MotionJob& job) {
                              runner.Run(job.Split.ChunkCount, [&](int c) {
                                  MatchBlockRows(job, job.Split.Rows(c), abortFlag);
                              });
                          });
}

void BM_MoBlurEstimate(benchmark::State& state) {
    const WorkerScope workers(WorkerScope::Host, Workers(state));
    PassRunner runner;
    std::optional<MotionField> field;
    const double start = ProcessMilliseconds();
    for (auto _ : state) {
        field = Estimate(runner, runner.AbortFlag);
        if (!field) {
            state.SkipWithError("no field");
            break;
        }
    }
    ReportProcessTime(state, start);
    if (field)
        state.counters["EPE"] = EndPointError([&](int32_t x, int32_t y) {
            return std::array<float, 2>{field->X[field->At(x, y)], field->Y[field->At(x, y)]};
        });
    ReportRate(state);
}

void BM_DisFast(benchmark::State& state) {
    const WorkerScope workers(WorkerScope::OpenCv, Workers(state));
    const Pair& pair = ThePair();
    cv::Ptr<cv::DISOpticalFlow> dis = cv::DISOpticalFlow::create(cv::DISOpticalFlow::PRESET_FAST);
    cv::Mat flow;
    // The flow from frame t + 1 to frame t: where each pixel of t + 1 was, as MoBlur's field.
    const double start = ProcessMilliseconds();
    for (auto _ : state) dis->calc(pair.NextGrey, pair.PrevGrey, flow);
    ReportProcessTime(state, start);
    state.counters["EPE"] = EndPointError([&](int32_t x, int32_t y) {
        const cv::Vec2f v = flow.at<cv::Vec2f>(y, x);
        return std::array<float, 2>{v[0], v[1]};
    });
    ReportRate(state);
}

void BM_MoBlurSmear(benchmark::State& state) {
    const int32_t steps = int32_t(state.range(0));
    const WorkerScope workers(WorkerScope::Host, Workers(state));
    PassRunner runner;
    const std::optional<MotionField> field = Estimate(runner, runner.AbortFlag);
    const Pair& pair = ThePair();
    const auto split = vorlings::frame::ChunkSplit::For(kWidth, kHeight);
    SmearSettings settings;
    settings.Steps = steps;
    const double start = ProcessMilliseconds();
    for (auto _ : state) {
        std::unique_ptr<Image> output = Image::Create(ImageKind::Int16, kWidth, kHeight);
        SmearFrame(*output, *pair.Next, *pair.Prev, *field, settings, split, runner.AbortFlag,
                   [&](const SmearJob& job) {
                       runner.Run(job.Split.ChunkCount, [&](int c) {
                           SmearRows(job, job.Split.Rows(c), runner.AbortFlag);
                       });
                   });
        benchmark::DoNotOptimize(output->RowTable[kHeight / 2][0]);
    }
    ReportProcessTime(state, start);
    // Seconds per step of every pixel's smear.
    state.counters["per_step"] = benchmark::Counter(
        double(steps), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    ReportRate(state);
}

void RegisterAll() {
    Register("MoBlur_estimate", BM_MoBlurEstimate, "levels")
        ->ArgsProduct({{kGreyLevels}, WorkerCounts()});
    Register("OpenCV_DIS_fast", BM_DisFast, "preset")->ArgsProduct({{0}, WorkerCounts()});
    Register("MoBlur_smear", BM_MoBlurSmear, "steps")->ArgsProduct({{10, 50}, WorkerCounts()});
}

} // namespace

int main(int argc, char** argv) {
    return RunBenchmarks(argc, argv, RegisterAll);
}
