// SPDX-License-Identifier: Apache-2.0
// Process-wide host services: the application object with its processor count, the worker
// pool size, the C library's random numbers as the tools expect them, and the module's
// bitmap resources.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

/// The host's application object; it keeps the processor count tools may split by.
struct HostApplication {
    int ProcessorCount;
};

/// The current application object, or null when there is none.
HostApplication* CurrentApplication();
/// Replaces the current application object (null: no application). For hosts and tests.
void SetCurrentApplication(HostApplication* app);

/// Sets the processor count and the number of worker threads behind DoMultiProcess.
void SetProcessorCount(int count);

namespace crt {
/// The C standard's portable generator: values 0..32767, seed 1 at process start.
/// One state for the whole process, safe to call from worker threads.
int rand();
void srand(unsigned seed);
} // namespace crt

/// A bitmap resource the loaded module carries, by id.
struct ResourceEntry {
    int Id;
    std::span<const uint8_t> Bytes;
};

/// The module's resources join while it is loaded and leave when it is unloaded.
class ResourceRegistrar {
public:
    ResourceRegistrar(int id, std::span<const uint8_t> bytes);
    ~ResourceRegistrar();
    ResourceRegistrar(const ResourceRegistrar&) = delete;
    ResourceRegistrar& operator=(const ResourceRegistrar&) = delete;

private:
    int id_;
};

/// The bytes of resource `id`, empty when no loaded module carries it.
std::span<const uint8_t> FindResource(int id);
