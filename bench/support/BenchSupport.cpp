// SPDX-License-Identifier: Apache-2.0
#include "BenchSupport.h"

#include "frame/Chunks.h"
#include "frame/RenderRoad.h"
#include "host/Request.h"
#include "host/System.h"

#include <OpenImageIO/imageio.h>
#include <opencv2/core/utility.hpp>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

namespace vorlings::bench {

namespace {

int g_allProcessors = 1;

uint16_t ClampWord(double v) {
    return uint16_t(std::clamp(std::lround(v), 0l, 65535l));
}

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

} // namespace

const std::vector<uint16_t>& Picture() {
    static const std::vector<uint16_t> picture = MakePicture();
    return picture;
}

std::shared_ptr<Image> HostImage(ImageKind kind) {
    std::shared_ptr<Image> image = Image::Create(kind, kWidth, kHeight);
    const uint16_t* src = Picture().data();
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x, src += 4) {
            const Pixel p{{src[2], src[1], src[0], src[3]}};
            image->WritePixel(image.get(), image->PixelAddress(x, y), &p);
        }
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

int AllProcessors() {
    return g_allProcessors;
}

namespace {

void SetWorkers(WorkerScope::Library library, int workers) {
    switch (library) {
    case WorkerScope::Host:
        // The processor count decides both the chunk count and the worker pool's size.
        SetProcessorCount(workers);
        break;
    case WorkerScope::Oiio:
        OIIO::attribute("threads", workers);
        break;
    case WorkerScope::OpenCv:
        cv::setNumThreads(workers);
        break;
    }
}

} // namespace

WorkerScope::WorkerScope(Library library, int workers) : library_(library) {
    SetWorkers(library, workers);
}

WorkerScope::~WorkerScope() {
    SetWorkers(library_, g_allProcessors);
}

void ReportRate(benchmark::State& state) {
    state.counters["MP/s"] =
        benchmark::Counter(kMegapixels, benchmark::Counter::kIsIterationInvariantRate);
}

void RenderLoop(benchmark::State& state, Operator& tool, std::shared_ptr<Image> input) {
    const ImageFetcher fetch = [&](const Input& in, int, double) {
        return in.Optional ? nullptr : input;
    };
    for (auto _ : state) {
        Request request(0);
        std::unique_ptr<Image> output = RenderRequest(tool, request, fetch);
        if (!output) {
            state.SkipWithError("the tool handed over no image");
            break;
        }
        benchmark::DoNotOptimize(output->RowTable[output->Height / 2][0]);
    }
    ReportRate(state);
}

benchmark::internal::Benchmark* Register(const char* name, void (*run)(benchmark::State&),
                                         const char* firstArgument) {
    return benchmark::RegisterBenchmark(name, run)
        ->ArgNames({firstArgument, "workers"})
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
}

namespace {

// The copy tool of CopyLoop.
class FrameCopy final : public ThreadedOperator {
public:
    FrameCopy() : ThreadedOperator(nullptr, nullptr, nullptr) {
        in_ = AddInput("Input", TYPE_Image, LINK_FirstImage);
        out_ = AddOutput("Output", TYPE_Image, LINK_ImageOutput);
    }

    void Process(Request* request) override {
        const Image* input = frame::InputImage(*this, in_);
        if (!input) return;
        frame::MadeImage output = frame::NewImageLike(*input);
        if (!output) return;
        input_ = input;
        output_ = output.get();
        split_ = frame::ChunkSplit::For(input->Width, input->Height);
        DoMultiProcess(request, split_.ChunkCount);
        frame::HandOver(*this, out_, std::move(output));
    }

    void ProcessChunk(Request*, int chunk) override {
        const frame::ChunkRange rows = split_.Rows(chunk);
        const size_t rowBytes = size_t(input_->Width) * size_t(input_->PixelBytes);
        for (int32_t y = rows.Begin; y < rows.End; ++y)
            std::memcpy(output_->RowTable[y], input_->RowTable[y], rowBytes);
    }

private:
    Input* in_;
    Output* out_;
    const Image* input_ = nullptr;
    Image* output_ = nullptr;
    frame::ChunkSplit split_;
};

} // namespace

void CopyLoop(benchmark::State& state) {
    FrameCopy copy;
    RenderLoop(state, copy, HostImage());
}

std::vector<int64_t> WorkerCounts() {
    std::vector<int64_t> workers{g_allProcessors};
    if (g_allProcessors > 1) workers.push_back(1);
    return workers;
}

int RunBenchmarks(int argc, char** argv, const std::function<void()>& registerAll) {
    // The chunk count follows the processor count each run sets, so that "workers" means
    // what it says; an inherited NUM_PROC_THARN would override it.
    unsetenv("NUM_PROC_THARN");
    const HostApplication* app = CurrentApplication();
    g_allProcessors = app ? std::max(1, app->ProcessorCount) : 1;

    benchmark::AddCustomContext("frame", std::to_string(kWidth) + " x " + std::to_string(kHeight) +
                                             " RGBA, 16-bit");
    benchmark::AddCustomContext("processors", std::to_string(g_allProcessors));
    benchmark::AddCustomContext("OpenImageIO", OIIO_VERSION_STRING);
    benchmark::AddCustomContext("OpenCV", CV_VERSION);

    registerAll();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace vorlings::bench
