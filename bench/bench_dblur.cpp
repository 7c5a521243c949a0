// SPDX-License-Identifier: Apache-2.0
// DBlur's speed on the test frame, side by side with OpenCV's filter2D applying the same taps
// (laid into a float kernel matrix, borders replicated) to the same 16-bit RGBA frame.
// "angle" is in degrees; the stroke lengths are fractions of the width.
#include "support/BenchSupport.h"

#include "dblur/DBlurPlugIn.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>

namespace {

using namespace vorlings::bench;
using vorlings::dblur::DBlurTap;

// The stroke lengths compared: 19 and 96 pixels on the 1920-pixel frame.
constexpr double kLengths[] = {0.01, 0.05};

// DBlur through the host's render road, stroke starting at the pixel.
template <int LengthIndex>
void BM_DBlur(benchmark::State& state) {
    const WorkerScope workers(WorkerScope::Host, Workers(state));
    vorlings::dblur::DBlurPlugIn tool(nullptr, nullptr, nullptr);
    tool.Length->NumberValue.Value = kLengths[LengthIndex];
    tool.Angle->NumberValue.Value = double(state.range(0));
    RenderLoop(state, tool, HostImage());
}

// DBlur's taps as filter2D's kernel: kernel(i, j) weighs the pixel at (x + i - anchor.x,
// y + j - anchor.y), so each tap goes to (column - least column, row - least row) and the
// anchor is minus the least offsets.
template <int LengthIndex>
void BM_OpenCvFilter2D(benchmark::State& state) {
    const std::vector<DBlurTap> taps = vorlings::dblur::BuildStrokeKernel(vorlings::dblur::ShapeFor(
        kLengths[LengthIndex], double(state.range(0)), 0.0, kWidth, kHeight, 1.0));
    int minColumn = 0, maxColumn = 0, minRow = 0, maxRow = 0;
    for (const DBlurTap& t : taps) {
        minColumn = std::min<int>(minColumn, t.Column);
        maxColumn = std::max<int>(maxColumn, t.Column);
        minRow = std::min<int>(minRow, t.Row);
        maxRow = std::max<int>(maxRow, t.Row);
    }
    cv::Mat kernel = cv::Mat::zeros(maxRow - minRow + 1, maxColumn - minColumn + 1, CV_32F);
    for (const DBlurTap& t : taps)
        kernel.at<float>(t.Row - minRow, t.Column - minColumn) = t.Weight;
    state.counters["taps"] = double(taps.size());
    state.counters["kernel"] = double(kernel.total());

    const WorkerScope workers(WorkerScope::OpenCv, Workers(state));
    const cv::Mat& input = OpenCvImage16();
    cv::Mat output(input.size(), input.type());
    for (auto _ : state) {
        cv::filter2D(input, output, -1, kernel, cv::Point(-minColumn, -minRow), 0,
                     cv::BORDER_REPLICATE);
        benchmark::DoNotOptimize(output.data);
    }
    ReportRate(state);
}

void RegisterAll() {
    const std::vector<int64_t> angles{0, 30};
    Register("DBlur_0.01", BM_DBlur<0>, "angle")->ArgsProduct({angles, WorkerCounts()});
    Register("OpenCV_filter2D_0.01", BM_OpenCvFilter2D<0>, "angle")
        ->ArgsProduct({angles, WorkerCounts()});
    Register("DBlur_0.05", BM_DBlur<1>, "angle")->ArgsProduct({angles, WorkerCounts()});
    Register("OpenCV_filter2D_0.05", BM_OpenCvFilter2D<1>, "angle")
        ->ArgsProduct({angles, WorkerCounts()});
}

} // namespace

int main(int argc, char** argv) {
    return RunBenchmarks(argc, argv, RegisterAll);
}
