// SPDX-License-Identifier: Apache-2.0
// The demo's built-in pictures, generated in code so that the demo needs no files: smooth
// gradients, hard edges, fine detail, specks and bright lights, the features the tools act
// on. A frame number moves the moving parts, for tools that read two frames.
#pragma once

#include "host/Image.h"

#include <cstdint>
#include <memory>

inline constexpr int32_t kDemoWidth = 960;
inline constexpr int32_t kDemoHeight = 540;

/// A 16-bit, opaque picture of the demo scene at `frame`; null when memory is short.
std::unique_ptr<Image> MakeDemoImage(int32_t width, int32_t height, int64_t frame);
