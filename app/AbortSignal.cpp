// SPDX-License-Identifier: Apache-2.0
#include "AbortSignal.h"

#include "host/Operator.h"

#include <atomic>
#include <csignal>

namespace {

// Both are lock-free atomics, so the handler may touch them.
std::atomic<int> g_abortRequested{0};
std::atomic<Operator*> g_activeOperator{nullptr};
static_assert(std::atomic<int>::is_always_lock_free);
static_assert(std::atomic<Operator*>::is_always_lock_free);

extern "C" void OnAbortSignal(int) {
    g_abortRequested.store(1);
    if (Operator* op = g_activeOperator.load()) op->AbortFlag.store(1);
}

} // namespace

void InstallAbortHandlers() {
    struct sigaction action = {};
    action.sa_handler = OnAbortSignal;
    sigemptyset(&action.sa_mask);
    // Restart interrupted reads and writes: the flag is polled, nothing needs waking.
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool AbortRequested() {
    return g_abortRequested.load() != 0;
}

ActiveRender::ActiveRender(Operator& op) {
    g_activeOperator.store(&op);
    // A signal between these two stores is still seen: the flag is copied after the
    // pointer is published.
    op.AbortFlag.store(g_abortRequested.load());
}

ActiveRender::~ActiveRender() {
    g_activeOperator.store(nullptr);
}
