// SPDX-License-Identifier: Apache-2.0
// Per-render work buffers from the C allocator, owned so that every path out of a render frees
// them. A failed allocation gives an empty owner, which the caller turns into the tool's
// failure rule (render nothing).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <memory>

namespace vorlings::moblur {

struct FreeBlock {
    void operator()(void* block) const { std::free(block); }
};

/// A block of `T` from the C allocator, freed when the owner goes.
template <class T>
using CBuffer = std::unique_ptr<T[], FreeBlock>;

/// `count` zeroed elements, or an empty owner when the size does not fit or memory is short.
template <class T>
CBuffer<T> AllocateZeroed(size_t count) {
    if (count > std::numeric_limits<size_t>::max() / sizeof(T)) return nullptr;
    return CBuffer<T>(static_cast<T*>(std::calloc(count == 0 ? 1 : count, sizeof(T))));
}

/// `count` elements left as the allocator gives them, or an empty owner.
template <class T>
CBuffer<T> Allocate(size_t count) {
    if (count > std::numeric_limits<size_t>::max() / sizeof(T)) return nullptr;
    return CBuffer<T>(static_cast<T*>(std::malloc(count == 0 ? sizeof(T) : count * sizeof(T))));
}

/// Elements of a width x height plane.
inline size_t PlaneSize(int32_t width, int32_t height) {
    return size_t(width) * size_t(height);
}

} // namespace vorlings::moblur
