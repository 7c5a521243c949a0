// SPDX-License-Identifier: Apache-2.0
#include "DitherRender.h"

#include "frame/Numeric.h"
#include "host/System.h"

#include <algorithm>

namespace vorlings::dither {

RandomTable AllocateRandomTable() {
    return RandomTable(
        static_cast<int32_t*>(std::malloc(sizeof(int32_t) * size_t(kRandomTableSize))));
}

void FillRandomTable(int32_t* table, unsigned seed) {
    crt::srand(seed);
    for (int32_t i = 0; i < kRandomTableSize; ++i) table[i] = crt::rand();
}

std::optional<DitherRender> MakeDitherRender(double radius, double duplicateEdges, double direction,
                                             unsigned seed, const Image& input, Image& output) {
    const int32_t width = input.Width, height = input.Height;
    const int32_t spread = frame::TruncToInt32(radius * double(width));
    const int32_t duplicate = std::clamp(frame::TruncToInt32(duplicateEdges), 0, 1);
    const int32_t choice = frame::TruncToInt32(direction);

    RandomTable table = AllocateRandomTable();
    if (!table) return std::nullopt;
    FillRandomTable(table.get(), seed);

    const int32_t spreadX = choice == 2 ? 0 : frame::TruncToInt32(double(spread) / input.XScale);
    const int32_t spreadY =
        choice == 1 ? 0 : frame::TruncToInt32(double(spread) / input.PixelAspect);
    return DitherRender{&input,  &output, width,     height, spread,
                        spreadX, spreadY, duplicate, choice, std::move(table)};
}

} // namespace vorlings::dither
