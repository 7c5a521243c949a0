// SPDX-License-Identifier: Apache-2.0
// The host's worker threads behind DoMultiProcess: created once, reused for every call.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class WorkerPool {
public:
    static WorkerPool& Instance();

    /// Sets the number of threads; takes effect at the next Run.
    void SetSize(int threads);
    int Size() const;

    /// Runs work(i) for i in 0..count-1 on the workers; returns when every call is done.
    /// Calls from several threads are served one after the other.
    void Run(int count, const std::function<void(int)>& work);

    ~WorkerPool();

private:
    WorkerPool();
    void Start(int threads);
    void Stop();
    void WorkerLoop();

    std::mutex runMutex_; // one Run at a time
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable finished_;
    std::vector<std::thread> threads_;
    int wantedSize_;
    bool stopping_ = false;
    uint64_t generation_ = 0;
    const std::function<void(int)>* work_ = nullptr;
    int count_ = 0;
    int next_ = 0;
    int running_ = 0;
};
