// SPDX-License-Identifier: Apache-2.0
#include "WorkerPool.h"

#include <algorithm>

WorkerPool& WorkerPool::Instance() {
    static WorkerPool pool;
    return pool;
}

WorkerPool::WorkerPool() : wantedSize_(int(std::max(1u, std::thread::hardware_concurrency()))) {}

WorkerPool::~WorkerPool() {
    Stop();
}

void WorkerPool::SetSize(int threads) {
    std::lock_guard lock(mutex_);
    wantedSize_ = std::max(1, threads);
}

int WorkerPool::Size() const {
    std::lock_guard lock(mutex_);
    return wantedSize_;
}

void WorkerPool::Start(int threads) {
    stopping_ = false;
    for (int i = 0; i < threads; ++i) threads_.emplace_back([this] { WorkerLoop(); });
}

void WorkerPool::Stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : threads_) t.join();
    threads_.clear();
}

void WorkerPool::Run(int count, const std::function<void(int)>& work) {
    if (count <= 0) return;
    std::lock_guard runLock(runMutex_);
    if (int(threads_.size()) != Size()) {
        Stop();
        Start(Size());
    }
    std::unique_lock lock(mutex_);
    work_ = &work;
    count_ = count;
    next_ = 0;
    running_ = 0;
    ++generation_;
    wake_.notify_all();
    finished_.wait(lock, [&] { return next_ >= count_ && running_ == 0; });
    work_ = nullptr;
}

void WorkerPool::WorkerLoop() {
    uint64_t seen = 0;
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [&] { return stopping_ || (generation_ != seen && work_); });
        if (stopping_) return;
        // Take chunk numbers in ascending order until this run's are all handed out.
        while (work_ && next_ < count_) {
            const int chunk = next_++;
            ++running_;
            const auto* work = work_;
            lock.unlock();
            (*work)(chunk);
            lock.lock();
            --running_;
        }
        seen = generation_;
        if (next_ >= count_ && running_ == 0) finished_.notify_all();
    }
}
