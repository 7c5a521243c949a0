// SPDX-License-Identifier: Apache-2.0
// What every benchmark program shares: the test frame in the forms each library takes, the
// render of a tool through the host's road, the rate counter, and a main that reports the
// machine. Every result is in megapixels per second of wall-clock time ("MP/s"), since the
// work runs on worker threads; "workers" is the thread count a run is given (all the host's
// processors, or 1 to show one core's speed).
#pragma once

#include "host/Image.h"
#include "host/Operator.h"

#include <OpenImageIO/imagebuf.h>
#include <benchmark/benchmark.h>
#include <opencv2/core.hpp>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace vorlings::bench {

inline constexpr int kWidth = 1920;
inline constexpr int kHeight = 1080;
inline constexpr double kMegapixels = double(kWidth) * kHeight / 1e6;

/// splitmix64: a fixed, portable sequence, so every run and every machine works on the same
/// picture.
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

/// The test frame, interleaved R, G, B, A, 16-bit, as files store it: smooth colour gradients
/// with film-grain-like noise, dust specks (single pixels and 2 x 2 blobs, bright and dark),
/// and an alpha that is opaque except for a soft left edge.
const std::vector<uint16_t>& Picture();

/// The frame as the host hands it to a tool: R, G, B, A in Pixel words 2, 1, 0, 3.
std::shared_ptr<Image> HostImage(ImageKind kind = ImageKind::Int16);
/// The frame as an OpenImageIO buffer (R, G, B, A, 16-bit).
const OIIO::ImageBuf& OiioImage();
/// The frame in OpenCV's channel order (B, G, R, A), 16-bit; and reduced to 8 bits as the host
/// reduces a word.
const cv::Mat& OpenCvImage16();
const cv::Mat& OpenCvImage8();

/// The host's processor count when the program started.
int AllProcessors();
/// The "workers" argument of a run (its second).
inline int Workers(const benchmark::State& state) {
    return int(state.range(1));
}
/// Sets the host's processor count and worker pool, or OpenImageIO's and OpenCV's thread
/// counts, for one run, and puts them back at its end.
class WorkerScope {
public:
    enum Library { Host, Oiio, OpenCv };
    WorkerScope(Library library, int workers);
    ~WorkerScope();

private:
    Library library_;
};

/// Counts a frame per iteration in "MP/s".
void ReportRate(benchmark::State& state);

/// Times a tool through the host's road: a request per iteration, the input on every image
/// input, the output made, filled and handed over as a host's render does.
void RenderLoop(benchmark::State& state, Operator& tool, std::shared_ptr<Image> input);

/// Times a plain copy of the test frame through the same road as RenderLoop: a tool of one
/// image input whose chunks copy their rows into the new output with memcpy. Any tool that
/// writes every pixel costs at least this much; it is the floor the tools stand against.
void CopyLoop(benchmark::State& state);

/// Registers a run with arguments ("window" or the tool's own name, "workers"), in real time
/// and milliseconds.
benchmark::internal::Benchmark* Register(const char* name, void (*run)(benchmark::State&),
                                         const char* firstArgument);

/// The runs for "workers": all processors, and 1 when there are more.
std::vector<int64_t> WorkerCounts();

/// The program's main: reports the frame, the processors and the peer libraries' versions,
/// calls `registerAll`, runs what the command line selects.
int RunBenchmarks(int argc, char** argv, const std::function<void()>& registerAll);

} // namespace vorlings::bench
