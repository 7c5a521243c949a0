// SPDX-License-Identifier: Apache-2.0
#include "support/TestImages.h"

#include "host/Image.h"
#include "host/TagList.h"

#include <gtest/gtest.h>

namespace {

Pixel RoundTrip(ImageKind kind, Pixel p) {
    auto image = Image::Create(kind, 1, 1);
    image->WritePixel(image.get(), image->RowTable[0], &p);
    return test::At(*image, 0, 0);
}

} // namespace

TEST(ImageKinds, EightBitScalesBy257AndRoundsBack) {
    // Every 8-bit value survives 8 -> 16 -> 8, and reads as value x 257.
    for (uint32_t v8 = 0; v8 < 256; ++v8) {
        const Pixel q = RoundTrip(ImageKind::Int8, test::Grey(v8 * 257));
        for (int c = 0; c < 4; ++c) EXPECT_EQ(q.Word[c], v8 * 257);
    }
    // A 16-bit word lands on the nearest 8-bit step: (v x 255 + 32767) / 65535.
    // The halfway points lie at 128.5 and 385.5.
    const Pixel below = RoundTrip(ImageKind::Int8, Pixel{{128, 385, 0, 65535}});
    const Pixel above = RoundTrip(ImageKind::Int8, Pixel{{129, 386, 65534, 65407}});
    EXPECT_EQ(below.Word[0], 0u);
    EXPECT_EQ(below.Word[1], 257u);
    EXPECT_EQ(below.Word[3], 65535u);
    EXPECT_EQ(above.Word[0], 257u);
    EXPECT_EQ(above.Word[1], 2u * 257);
    EXPECT_EQ(above.Word[2], 65535u);
    EXPECT_EQ(above.Word[3], 255u * 257); // 65407 lies just above 254.5 steps
}

TEST(ImageKinds, FloatRoundTripsEveryWordAndClampsOnRead) {
    for (uint32_t v = 0; v <= 65535; ++v)
        ASSERT_EQ(RoundTrip(ImageKind::Float, test::Grey(v)).Word[0], v);
    auto image = Image::Create(ImageKind::Float, 4, 1);
    const float stored[4][4] = {{-0.5f, 2.0f, 0.5f, 1.0f}, {NAN, 0.0f, 1e-9f, 0.99999f}, {}, {}};
    std::memcpy(image->RowTable[0], stored, sizeof stored);
    const Pixel a = test::At(*image, 0, 0), b = test::At(*image, 1, 0);
    EXPECT_EQ(a.Word[0], 0u);
    EXPECT_EQ(a.Word[1], 65535u);
    EXPECT_EQ(a.Word[2], 32768u); // 32767.5 rounds up
    EXPECT_EQ(a.Word[3], 65535u);
    EXPECT_EQ(b.Word[0], 0u);
    EXPECT_EQ(b.Word[2], 0u);
    EXPECT_EQ(b.Word[3], 65534u);
}

TEST(NewImage, MakesTheTemplatesKindSizeAndGeometryZeroFilled) {
    for (ImageKind kind : {ImageKind::Int16, ImageKind::Int8, ImageKind::Float}) {
        auto templ = test::RandomImage(7, 5, 3, kind);
        templ->PixelAspect = 2.0;
        templ->XScale = 0.5;
        std::unique_ptr<Image> made(NewImage(IMG_Template, templ.get(), 0));
        ASSERT_TRUE(made);
        EXPECT_EQ(made->Kind, kind);
        EXPECT_EQ(made->Width, 7);
        EXPECT_EQ(made->Height, 5);
        EXPECT_EQ(made->PixelBytes, PixelBytesOf(kind));
        EXPECT_EQ(made->PixelAspect, 2.0);
        EXPECT_EQ(made->XScale, 0.5);
        EXPECT_TRUE(test::SamePixels(*made, *test::Flat(7, 5, 0)));
        // Addressing is the row table plus the pixel step times the column.
        EXPECT_EQ(made->PixelAddress(3, 2), made->RowTable[2] + 3 * made->PixelBytes);
    }
    EXPECT_EQ(NewImage(0x1234, Image::Create(ImageKind::Int16, 1, 1).get(), 0), nullptr);
    EXPECT_EQ(Image::Create(ImageKind::Int16, 0, 5), nullptr);
}

TEST(ImageCopyAndFill, CopyWithinAndAcrossKinds) {
    auto source = test::RandomImage(9, 4, 11);
    auto same = Image::Create(ImageKind::Int16, 9, 4);
    source->ImageCopy(same.get());
    EXPECT_TRUE(test::SamePixels(*source, *same));

    // 8-bit words survive a trip through a float image.
    auto eight = test::RandomImage(9, 4, 12, ImageKind::Int8);
    auto asFloat = Image::Create(ImageKind::Float, 9, 4);
    eight->ImageCopy(asFloat.get());
    EXPECT_TRUE(test::SamePixels(*eight, *asFloat));

    same->Fill(1, 2, 3, 4);
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 9; ++x) {
            const Pixel p = test::At(*same, x, y);
            EXPECT_EQ(p.Word[0], 1u);
            EXPECT_EQ(p.Word[3], 4u);
        }
}
