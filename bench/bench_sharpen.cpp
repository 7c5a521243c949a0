// SPDX-License-Identifier: Apache-2.0
// Sharpen's speed on the test frame, side by side with OpenImageIO's unsharp mask and OpenCV's
// filter2D at the same kernel size ("R": the kernel radius, 2R + 1 taps across).
#include "support/BenchSupport.h"

#include "sharpen/SharpenKernel.h"
#include "sharpen/SharpenPlugIn.h"

#include <OpenImageIO/imagebufalgo.h>
#include <opencv2/imgproc.hpp>

namespace {

using namespace vorlings::bench;

int32_t RadiusOf(const benchmark::State& state) {
    return int32_t(state.range(0));
}

// Sharpen through the host's render road at its default "Power". R = trunc(1920 x "Radius"):
// aim at the middle of the step.
void BM_Sharpen(benchmark::State& state) {
    const WorkerScope workers(WorkerScope::Host, Workers(state));
    vorlings::sharpen::SharpenPlugIn tool(nullptr, nullptr, nullptr);
    tool.Radius->NumberValue.Value = (RadiusOf(state) + 0.5) / kWidth;
    tool.Power->NumberValue.Value = 0.5;
    RenderLoop(state, tool, HostImage());
}

// OpenImageIO's unsharp mask with a Gaussian as wide as Sharpen's kernel (2R + 1; its sigma, a
// quarter of that, is close to Sharpen's bell, sigma about 0.48 R): the blur, then the
// difference scaled by the same power and added, in float.
void BM_OiioUnsharpMask(benchmark::State& state) {
    const WorkerScope workers(WorkerScope::Oiio, Workers(state));
    const OIIO::ImageBuf& input = OiioImage();
    OIIO::ImageBuf output(input.spec());
    const float width = float(2 * RadiusOf(state) + 1);
    for (auto _ : state) {
        if (!OIIO::ImageBufAlgo::unsharp_mask(output, input, "gaussian", width, 0.5f, 0.0f, {},
                                              Workers(state))) {
            state.SkipWithError(output.geterror().c_str());
            break;
        }
        benchmark::DoNotOptimize(output.localpixels());
    }
    ReportRate(state);
}

// OpenCV's filter2D with Sharpen's own kernel as floats divided by its sum, black beyond the
// border: the average alone, without the sharpening step. OpenCV takes kernels of 50 taps and
// more (R = 4 and 5) through a Fourier transform.
void BM_OpenCvFilter2D(benchmark::State& state) {
    const WorkerScope workers(WorkerScope::OpenCv, Workers(state));
    const cv::Mat& input = OpenCvImage16();
    cv::Mat output(input.size(), input.type());
    const int32_t r = RadiusOf(state), size = 2 * r + 1;
    const vorlings::sharpen::KernelWeights weights = vorlings::sharpen::MakeSharpenKernel(r);
    cv::Mat kernel(size, size, CV_32F);
    double sum = 0.0;
    for (int32_t t = 0; t < size * size; ++t) sum += weights[t];
    for (int32_t t = 0; t < size * size; ++t)
        kernel.at<float>(t / size, t % size) = float(weights[t] / sum);
    for (auto _ : state) {
        cv::filter2D(input, output, -1, kernel, cv::Point(-1, -1), 0.0, cv::BORDER_CONSTANT);
        benchmark::DoNotOptimize(output.data);
    }
    ReportRate(state);
}

void RegisterAll() {
    Register("Sharpen", BM_Sharpen, "R")->ArgsProduct({{1, 3, 5}, WorkerCounts()});
    // The peers take a good part of a second a frame: few iterations.
    Register("OIIO_unsharp_mask", BM_OiioUnsharpMask, "R")
        ->ArgsProduct({{1, 3, 5}, WorkerCounts()})
        ->Iterations(3);
    Register("OpenCV_filter2D_16U", BM_OpenCvFilter2D, "R")
        ->ArgsProduct({{1, 3, 5}, WorkerCounts()})
        ->Iterations(5);
}

} // namespace

int main(int argc, char** argv) {
    return RunBenchmarks(argc, argv, RegisterAll);
}
