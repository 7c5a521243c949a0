// SPDX-License-Identifier: Apache-2.0
#include "System.h"

#include "WorkerPool.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <thread>

namespace {

HostApplication& DefaultApplication() {
    static HostApplication app{int(std::max(1u, std::thread::hardware_concurrency()))};
    return app;
}

HostApplication* g_current = &DefaultApplication();

std::mutex g_randMutex;
unsigned long g_randNext = 1;

std::mutex& ResourceMutex() {
    static std::mutex m;
    return m;
}
std::map<int, std::span<const uint8_t>>& Resources() {
    static std::map<int, std::span<const uint8_t>> table;
    return table;
}

} // namespace

HostApplication* CurrentApplication() {
    return g_current;
}
void SetCurrentApplication(HostApplication* app) {
    g_current = app;
}

void SetProcessorCount(int count) {
    count = std::max(1, count);
    DefaultApplication().ProcessorCount = count;
    WorkerPool::Instance().SetSize(count);
}

namespace crt {

int rand() {
    std::lock_guard lock(g_randMutex);
    g_randNext = (g_randNext * 1103515245ul + 12345ul) & 0xFFFFFFFFul;
    return int((g_randNext / 65536ul) % 32768ul);
}

void srand(unsigned seed) {
    std::lock_guard lock(g_randMutex);
    g_randNext = seed;
}

} // namespace crt

ResourceRegistrar::ResourceRegistrar(int id, std::span<const uint8_t> bytes) : id_(id) {
    std::lock_guard lock(ResourceMutex());
    Resources()[id] = bytes;
}

ResourceRegistrar::~ResourceRegistrar() {
    std::lock_guard lock(ResourceMutex());
    Resources().erase(id_);
}

std::span<const uint8_t> FindResource(int id) {
    std::lock_guard lock(ResourceMutex());
    auto it = Resources().find(id);
    return it == Resources().end() ? std::span<const uint8_t>{} : it->second;
}
