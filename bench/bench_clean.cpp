// SPDX-License-Identifier: Apache-2.0
// Clean's speed on the test frame, side by side with the median filters of OpenImageIO and
// OpenCV on the same picture and window sizes ("window": the side of the square window).
#include "support/BenchSupport.h"

#include "clean/CleanPlugIn.h"

#include <OpenImageIO/imagebufalgo.h>
#include <opencv2/imgproc.hpp>

namespace {

using namespace vorlings::bench;

// The frame's size in pure noise, every word drawn anew: the histogram's worst case, where
// neighbouring medians lie far apart.
std::shared_ptr<Image> NoiseImage() {
    static const std::shared_ptr<Image> image = [] {
        std::shared_ptr<Image> noise = Image::Create(ImageKind::Int16, kWidth, kHeight);
        Random random(7);
        for (int y = 0; y < kHeight; ++y) {
            auto* words = reinterpret_cast<uint16_t*>(noise->RowTable[y]);
            for (int i = 0; i < kWidth * 4; ++i) words[i] = uint16_t(random.Next());
        }
        return noise;
    }();
    return image;
}

// Clean through the host's render road: a tool object, its "Filter Size" control, a request
// and the worker pool, on the test frame or on noise.
template <std::shared_ptr<Image> (*Picture)()>
void BM_Clean(benchmark::State& state) {
    const int window = int(state.range(0));
    const WorkerScope workers(WorkerScope::Host, Workers(state));
    vorlings::clean::CleanPlugIn tool(nullptr, nullptr, nullptr);
    // HalfWidth = trunc(size x width): aim at the middle of the step so rounding cannot
    // land on the half size below.
    tool.FilterSize->NumberValue.Value = (window / 2 + 0.5) / kWidth;
    RenderLoop(state, tool, Picture());
}

std::shared_ptr<Image> Plate() {
    return HostImage();
}

// OpenImageIO's median filter sorts each window (a partial sort per pixel and channel), so it
// takes seconds per frame at the larger windows: a fixed, small iteration count.
void BM_OiioMedian(benchmark::State& state) {
    const int window = int(state.range(0));
    const WorkerScope workers(WorkerScope::Oiio, Workers(state));
    const OIIO::ImageBuf& input = OiioImage();
    OIIO::ImageBuf output(input.spec());
    for (auto _ : state) {
        if (!OIIO::ImageBufAlgo::median_filter(output, input, window, window, {}, Workers(state))) {
            state.SkipWithError(output.geterror().c_str());
            break;
        }
        benchmark::DoNotOptimize(output.localpixels());
    }
    ReportRate(state);
}

// OpenCV's medianBlur takes 16-bit images (1, 3 or 4 channels) only with 3 x 3 and 5 x 5
// apertures; larger ones exist for 8-bit images only (256-level histograms, a smaller problem
// than Clean's 16384 levels): shown for scale, not as a like-for-like peer.
template <const cv::Mat& (*Picture)()>
void BM_OpenCvMedian(benchmark::State& state) {
    const WorkerScope workers(WorkerScope::OpenCv, Workers(state));
    const cv::Mat& input = Picture();
    cv::Mat output(input.size(), input.type());
    for (auto _ : state) {
        cv::medianBlur(input, output, int(state.range(0)));
        benchmark::DoNotOptimize(output.data);
    }
    ReportRate(state);
}

void RegisterAll() {
    const int all = AllProcessors();
    Register("Clean", BM_Clean<Plate>, "window")
        ->ArgsProduct({{3, 5, 7, 9, 21, 41, 101}, WorkerCounts()});
    Register("Clean_noise", BM_Clean<NoiseImage>, "window")
        ->ArgsProduct({{3, 5, 7, 9, 21, 41, 101}, WorkerCounts()});
    Register("OIIO_median_filter", BM_OiioMedian, "window")->Args({3, all})->Iterations(2);
    Register("OIIO_median_filter", BM_OiioMedian, "window")
        ->Args({9, all})
        ->Args({21, all})
        ->Iterations(1);
    Register("OpenCV_medianBlur_16U", BM_OpenCvMedian<OpenCvImage16>, "window")
        ->ArgsProduct({{3, 5}, WorkerCounts()});
    Register("OpenCV_medianBlur_8U", BM_OpenCvMedian<OpenCvImage8>, "window")
        ->ArgsProduct({{3, 9, 21}, WorkerCounts()});
}

} // namespace

int main(int argc, char** argv) {
    return RunBenchmarks(argc, argv, RegisterAll);
}
