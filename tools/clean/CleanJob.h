// What every chunk of a Clean render reads.
#pragma once

#include "host/Image.h"

#include <cstdint>

struct CleanJob {
    const Image* InputImage;
    Image* OutputImage;
    int32_t WindowWidth;  ///< 2 x HalfWidth + 1
    int32_t WindowHeight; ///< 2 x HalfHeight + 1
    int32_t Width;
    int32_t Height;
    int32_t HalfWidth;
    int32_t HalfHeight;
};
