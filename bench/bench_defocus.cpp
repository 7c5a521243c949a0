// SPDX-License-Identifier: Apache-2.0
// Defocus's speed on the test frame, side by side with the Gaussian blurs of OpenCV and
// OpenImageIO at the same sigma. "radius" is Defocus's "Radius" in thousandths of the width:
// its Gaussian reaches R = radius x 1920 pixels with sigma = R / 3.
#include "support/BenchSupport.h"

#include "defocus/DefocusPlugIn.h"

#include <OpenImageIO/imagebufalgo.h>
#include <opencv2/imgproc.hpp>

namespace {

using namespace vorlings::bench;

double RadiusOf(const benchmark::State& state) {
    return double(state.range(0)) / 1000.0;
}

double SigmaOf(const benchmark::State& state) {
    return RadiusOf(state) * kWidth / 3.0;
}

// Defocus through the host's render road, border pixels repeated as the peers' are.
void BM_Defocus(benchmark::State& state) {
    const WorkerScope workers(WorkerScope::Host, Workers(state));
    vorlings::defocus::DefocusPlugIn tool(nullptr, nullptr, nullptr);
    tool.Radius->NumberValue.Value = RadiusOf(state);
    tool.DuplicateEdges->NumberValue.Value = 1;
    RenderLoop(state, tool, HostImage());
}

// OpenCV's GaussianBlur picks its own aperture from sigma (4 sigma each side for 16-bit
// images, against Defocus's 3) and runs its bit-exact fixed-point path on CV_16UC4.
void BM_OpenCvGaussian(benchmark::State& state) {
    const WorkerScope workers(WorkerScope::OpenCv, Workers(state));
    const cv::Mat& input = OpenCvImage16();
    cv::Mat output(input.size(), input.type());
    const double sigma = SigmaOf(state);
    for (auto _ : state) {
        cv::GaussianBlur(input, output, cv::Size(), sigma, sigma, cv::BORDER_REPLICATE);
        benchmark::DoNotOptimize(output.data);
    }
    ReportRate(state);
}

// OpenImageIO's "gaussian" kernel of width w has sigma w / 4 and reaches 2 sigma each side;
// the blur is a row kernel and a column kernel, two convolutions through a 16-bit buffer.
void BM_OiioGaussian(benchmark::State& state) {
    const WorkerScope workers(WorkerScope::Oiio, Workers(state));
    const OIIO::ImageBuf& input = OiioImage();
    const float width = float(4.0 * SigmaOf(state));
    const OIIO::ImageBuf rowKernel = OIIO::ImageBufAlgo::make_kernel("gaussian", width, 1.0f);
    const OIIO::ImageBuf columnKernel = OIIO::ImageBufAlgo::make_kernel("gaussian", 1.0f, width);
    OIIO::ImageBuf between(input.spec()), output(input.spec());
    for (auto _ : state) {
        if (!OIIO::ImageBufAlgo::convolve(between, input, rowKernel, true, {}, Workers(state)) ||
            !OIIO::ImageBufAlgo::convolve(output, between, columnKernel, true, {},
                                          Workers(state))) {
            state.SkipWithError(output.geterror().c_str());
            break;
        }
        benchmark::DoNotOptimize(output.localpixels());
    }
    ReportRate(state);
}

void RegisterAll() {
    const int all = AllProcessors();
    Register("Defocus", BM_Defocus, "radius")->ArgsProduct({{2, 10, 50}, WorkerCounts()});
    // The peers take from a tenth of a second to several seconds a frame: few iterations.
    Register("OpenCV_GaussianBlur_16U", BM_OpenCvGaussian, "radius")
        ->ArgsProduct({{2, 10}, WorkerCounts()})
        ->Iterations(3);
    Register("OpenCV_GaussianBlur_16U", BM_OpenCvGaussian, "radius")
        ->ArgsProduct({{50}, WorkerCounts()})
        ->Iterations(1);
    Register("OIIO_convolve_gaussian", BM_OiioGaussian, "radius")->Args({2, all})->Iterations(2);
    Register("OIIO_convolve_gaussian", BM_OiioGaussian, "radius")
        ->Args({10, all})
        ->Args({50, all})
        ->Iterations(1);
}

} // namespace

int main(int argc, char** argv) {
    return RunBenchmarks(argc, argv, RegisterAll);
}
