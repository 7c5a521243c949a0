// SPDX-License-Identifier: Apache-2.0
#include "WatchedRender.h"

#include "RenderFrame.h"

#include "host/System.h"

#include <pybind11/pybind11.h>

#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <shared_mutex>
#include <thread>

namespace py = pybind11;

namespace {

// Renders share the worker pool; one that sets its size has it to itself.
std::shared_mutex g_poolSize;

std::unique_ptr<Image> RenderWithThreads(Operator& tool, const std::string& toolName, double time,
                                         const ImageFetcher& fetch, std::optional<int> threads) {
    if (!threads) {
        std::shared_lock shared(g_poolSize);
        return RenderAtTime(tool, toolName, time, fetch);
    }
    std::unique_lock sole(g_poolSize);
    const HostApplication* app = CurrentApplication();
    const int before = app ? app->ProcessorCount : int(std::thread::hardware_concurrency());
    SetProcessorCount(*threads);
    struct Restore {
        int Count;
        ~Restore() { SetProcessorCount(Count); }
    } restore{before};
    return RenderAtTime(tool, toolName, time, fetch);
}

} // namespace

std::unique_ptr<Image> RenderWatched(Operator& tool, const std::string& toolName, double time,
                                     const ImageFetcher& fetch, std::optional<int> threads,
                                     double& seconds) {
    constexpr auto kSignalLook = std::chrono::milliseconds(20);
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    std::unique_ptr<Image> output;
    std::exception_ptr failure;
    std::optional<py::error_already_set> interrupt;

    tool.AbortFlag.store(0);
    {
        py::gil_scoped_release release;
        std::thread render([&] {
            std::unique_ptr<Image> image;
            std::exception_ptr error;
            const auto start = std::chrono::steady_clock::now();
            try {
                image = RenderWithThreads(tool, toolName, time, fetch, threads);
            } catch (...) {
                error = std::current_exception();
            }
            const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
            std::lock_guard lock(mutex);
            seconds = took.count();
            output = std::move(image);
            failure = error;
            done = true;
            ended.notify_all();
        });
        std::unique_lock lock(mutex);
        while (!ended.wait_for(lock, kSignalLook, [&] { return done; })) {
            if (interrupt) continue;
            lock.unlock();
            {
                // Python's own handler has only noted the signal; it is raised here, in the
                // thread that called.
                py::gil_scoped_acquire acquire;
                if (PyErr_CheckSignals() != 0) {
                    interrupt.emplace();
                    tool.AbortFlag.store(1);
                }
            }
            lock.lock();
        }
        lock.unlock();
        render.join();
    }
    if (!interrupt && PyErr_CheckSignals() != 0) interrupt.emplace();
    if (interrupt) throw *interrupt;
    if (failure) std::rethrow_exception(failure);
    return output;
}
