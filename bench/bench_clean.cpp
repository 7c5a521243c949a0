// Clean's speed on a 1920 x 1080 16-bit RGBA frame, side by side with the median filters of
// OpenImageIO and OpenCV on the same picture and window sizes. Every result is reported in
// megapixels per second of wall-clock time ("MP/s"), since the work runs on worker threads.
//
// Benchmark arguments: window (the side of the square window: 3, 9 or 21) and workers (the
// thread count the run is given: all the host's processors, or 1 to show one core's speed).

#include "clean/CleanPlugIn.h"
#include "host/Image.h"
#include "host/Operator.h"
#include "host/Request.h"
#include "host/System.h"

#include <OpenImageIO/imagebuf.h>
#include <OpenImageIO/imagebufalgo.h>
#include <OpenImageIO/imageio.h>
#include <benchmark/benchmark.h>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr double kMegapixels = double(kWidth) * kHeight / 1e6;

// The processor count the host started with, before any benchmark changed it.
int g_allProcessors = 1;

/// splitmix64: a fixed, portable sequence, so every run and every machine filters the
/// same picture.
class Random {
public:
    explicit Random(uint64_t seed) : state_(seed) {}
    uint64_t Next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    /// Uniform in 0..n-1.
    uint32_t Below(uint32_t n) { return uint32_t((Next() >> 32) * n >> 32); }

private:
    uint64_t state_;
};

uint16_t ClampWord(double v) {
    return uint16_t(std::clamp(std::lround(v), 0l, 65535l));
}

/// The test picture, interleaved R, G, B, A as files store it: smooth colour gradients with
/// film-grain-like noise, dust specks (single pixels and 2 x 2 blobs, bright and dark), and
/// an alpha that is opaque except for a soft left edge.
std::vector<uint16_t> MakePicture() {
    std::vector<uint16_t> rgba(size_t(kWidth) * kHeight * 4);
    Random random(20240607);
    auto noise = [&] { return double(random.Below(1601)) + double(random.Below(1601)) - 1600.0; };
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const double fx = double(x) / (kWidth - 1), fy = double(y) / (kHeight - 1);
            const double dx = fx - 0.5, dy = fy - 0.5;
            uint16_t* p = &rgba[(size_t(y) * kWidth + x) * 4];
            p[0] = ClampWord(3000 + 58000 * fx + noise());
            p[1] = ClampWord(3000 + 40000 * fy + 12000 * std::sin(9.0 * fx) + noise());
            p[2] = ClampWord(60000 - 90000 * (dx * dx + dy * dy) + noise());
            p[3] = ClampWord(65535 * std::min(1.0, fx * 10.0));
        }
    }
    // Dust: about 0.5% of the pixels, a quarter of them as 2 x 2 blobs.
    const int specks = kWidth * kHeight / 200;
    for (int i = 0; i < specks; ++i) {
        const int x = int(random.Below(kWidth - 1)), y = int(random.Below(kHeight - 1));
        const uint16_t value =
            random.Below(2) ? uint16_t(65535 - random.Below(4000)) : uint16_t(random.Below(4000));
        const int side = random.Below(4) == 0 ? 2 : 1;
        for (int sy = 0; sy < side; ++sy)
            for (int sx = 0; sx < side; ++sx) {
                uint16_t* p = &rgba[(size_t(y + sy) * kWidth + x + sx) * 4];
                p[0] = p[1] = p[2] = value;
            }
    }
    return rgba;
}

const std::vector<uint16_t>& Picture() {
    static const std::vector<uint16_t> picture = MakePicture();
    return picture;
}

/// The picture as the host hands it to a tool: a 16-bit image, R, G, B, A in Pixel words
/// 2, 1, 0, 3.
std::shared_ptr<Image> HostImage() {
    static const std::shared_ptr<Image> image = [] {
        std::shared_ptr<Image> im = Image::Create(ImageKind::Int16, kWidth, kHeight);
        const uint16_t* src = Picture().data();
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x, src += 4) {
                Pixel p;
                p.Word[0] = src[2];
                p.Word[1] = src[1];
                p.Word[2] = src[0];
                p.Word[3] = src[3];
                WritePixel16(im->PixelAddress(x, y), &p);
            }
        }
        return im;
    }();
    return image;
}

const OIIO::ImageBuf& OiioImage() {
    static const OIIO::ImageBuf buf = [] {
        OIIO::ImageBuf b(OIIO::ImageSpec(kWidth, kHeight, 4, OIIO::TypeDesc::UINT16));
        b.set_pixels(b.roi(), OIIO::TypeDesc::UINT16, Picture().data());
        return b;
    }();
    return buf;
}

/// The picture in OpenCV's channel order (B, G, R, A), 16-bit.
const cv::Mat& OpenCvImage16() {
    static const cv::Mat mat = [] {
        cv::Mat m(kHeight, kWidth, CV_16UC4);
        const uint16_t* src = Picture().data();
        for (int y = 0; y < kHeight; ++y) {
            auto* row = m.ptr<cv::Vec<uint16_t, 4>>(y);
            for (int x = 0; x < kWidth; ++x, src += 4) row[x] = {src[2], src[1], src[0], src[3]};
        }
        return m;
    }();
    return mat;
}

/// The same, reduced to 8 bits as the host reduces a 16-bit word.
const cv::Mat& OpenCvImage8() {
    static const cv::Mat mat = [] {
        cv::Mat m(kHeight, kWidth, CV_8UC4);
        const cv::Mat& wide = OpenCvImage16();
        for (int y = 0; y < kHeight; ++y) {
            const auto* in = wide.ptr<cv::Vec<uint16_t, 4>>(y);
            auto* out = m.ptr<cv::Vec<uint8_t, 4>>(y);
            for (int x = 0; x < kWidth; ++x)
                for (int c = 0; c < 4; ++c) out[x][c] = Word8From16(in[x][c]);
        }
        return m;
    }();
    return mat;
}

int Workers(const benchmark::State& state) {
    return int(state.range(1));
}

void ReportRate(benchmark::State& state) {
    state.counters["MP/s"] =
        benchmark::Counter(kMegapixels, benchmark::Counter::kIsIterationInvariantRate);
}

// Clean through the host's render road: a tool object, its "Filter Size" control, a request
// and the worker pool. Each render also allocates and clears its output image, as a host's
// render does.
void BM_Clean(benchmark::State& state) {
    const int window = int(state.range(0));
    const int workers = Workers(state);
    // The processor count decides both the chunk count and the worker pool's size.
    SetProcessorCount(workers);

    CleanPlugIn tool(nullptr, nullptr, nullptr);
    // HalfWidth = trunc(size x width): aim at the middle of the step so rounding cannot
    // land on the half size below.
    const int half = window / 2;
    tool.FilterSize->NumberValue.Value = (half + 0.5) / kWidth;

    const std::shared_ptr<Image> input = HostImage();
    const ImageFetcher fetch = [&](const Input&, int, double) { return input; };

    for (auto _ : state) {
        Request request(0);
        std::unique_ptr<Image> output = RenderRequest(tool, request, fetch);
        if (!output) {
            state.SkipWithError("Clean handed over no image");
            break;
        }
        benchmark::DoNotOptimize(output->RowTable[kHeight / 2][0]);
    }
    ReportRate(state);
    SetProcessorCount(g_allProcessors);
}

// OpenImageIO's median filter sorts each window (a partial sort per pixel and channel), so it
// takes seconds per frame at the larger windows: a fixed, small iteration count.
void BM_OiioMedian(benchmark::State& state) {
    const int window = int(state.range(0));
    const int workers = Workers(state);
    OIIO::attribute("threads", workers);

    const OIIO::ImageBuf& input = OiioImage();
    OIIO::ImageBuf output(input.spec());
    for (auto _ : state) {
        if (!OIIO::ImageBufAlgo::median_filter(output, input, window, window, {}, workers)) {
            state.SkipWithError(output.geterror().c_str());
            break;
        }
        benchmark::DoNotOptimize(output.localpixels());
    }
    ReportRate(state);
    OIIO::attribute("threads", g_allProcessors);
}

// OpenCV's medianBlur takes 16-bit images (1, 3 or 4 channels) only with 3 x 3 and 5 x 5
// apertures; 4-channel 16-bit input goes in whole, with no splitting into planes.
void BM_OpenCvMedian16(benchmark::State& state) {
    const int window = int(state.range(0));
    const int workers = Workers(state);
    cv::setNumThreads(workers);

    const cv::Mat& input = OpenCvImage16();
    cv::Mat output(input.size(), input.type());
    for (auto _ : state) {
        cv::medianBlur(input, output, window);
        benchmark::DoNotOptimize(output.data);
    }
    ReportRate(state);
    cv::setNumThreads(g_allProcessors);
}

// Larger apertures exist in OpenCV for 8-bit images only (256-level histograms, a smaller
// problem than Clean's 16384 levels): shown for scale, not as a like-for-like peer.
void BM_OpenCvMedian8(benchmark::State& state) {
    const int window = int(state.range(0));
    const int workers = Workers(state);
    cv::setNumThreads(workers);

    const cv::Mat& input = OpenCvImage8();
    cv::Mat output(input.size(), input.type());
    for (auto _ : state) {
        cv::medianBlur(input, output, window);
        benchmark::DoNotOptimize(output.data);
    }
    state.SetLabel("8-bit");
    ReportRate(state);
    cv::setNumThreads(g_allProcessors);
}

/// Registers every run; `all` is the host's processor count, known only at run time.
void RegisterAll(int all) {
    std::vector<int64_t> workers{all};
    if (all > 1) workers.push_back(1);
    auto add = [](const char* name, void (*fn)(benchmark::State&)) {
        return benchmark::RegisterBenchmark(name, fn)
            ->ArgNames({"window", "workers"})
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
    };
    add("Clean", BM_Clean)->ArgsProduct({{3, 9, 21}, workers});
    add("OIIO_median_filter", BM_OiioMedian)->Args({3, all})->Iterations(2);
    add("OIIO_median_filter", BM_OiioMedian)->Args({9, all})->Args({21, all})->Iterations(1);
    add("OpenCV_medianBlur_16U", BM_OpenCvMedian16)->ArgsProduct({{3}, workers});
    add("OpenCV_medianBlur_8U", BM_OpenCvMedian8)->ArgsProduct({{3, 9, 21}, workers});
}

} // namespace

int main(int argc, char** argv) {
    // The chunk count follows the processor count each benchmark sets, so that "workers"
    // means what it says; an inherited NUM_PROC_THARN would override it.
    unsetenv("NUM_PROC_THARN");
    const HostApplication* app = CurrentApplication();
    g_allProcessors = app ? std::max(1, app->ProcessorCount) : 1;

    benchmark::AddCustomContext("frame", std::to_string(kWidth) + " x " + std::to_string(kHeight) +
                                             " RGBA, 16-bit");
    benchmark::AddCustomContext("processors", std::to_string(g_allProcessors));
    benchmark::AddCustomContext("OpenImageIO", OIIO_VERSION_STRING);
    benchmark::AddCustomContext("OpenCV", CV_VERSION);

    RegisterAll(g_allProcessors);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
