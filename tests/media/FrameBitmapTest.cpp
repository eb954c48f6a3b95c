#include "media/FrameBitmap.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

extern "C" {
#include <libavutil/opt.h>
}

namespace {

constexpr double MarkValue = 7.0;

// A packed picture of `bytesPerPixel` bytes per pixel with `linesize` bytes per row;
// pixel (x, y) holds bytes derived from x, y and the channel, the padding 0xEE.
struct PackedPicture {
    PackedPicture(int width, int height, int bytesPerPixel, int linesize)
        : bytes(static_cast<size_t>(linesize) * height, 0xEE), linesize{linesize, 0, 0, 0} {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width * bytesPerPixel; ++x)
                bytes[static_cast<size_t>(y) * linesize + x] = static_cast<uint8_t>(y * 40 + x * 3 + 1);
        data[0] = bytes.data();
    }
    uint8_t At(int x, int y, int channel, int bytesPerPixel) const {
        return bytes[static_cast<size_t>(y) * linesize[0] + x * bytesPerPixel + channel];
    }

    std::vector<uint8_t> bytes;
    const uint8_t* data[4] = {};
    int linesize[4];
};

void expectSamePixels(const TBitmap24& bitmap, const PackedPicture& picture) {
    for (int y = 0; y < bitmap.Height; ++y)
        for (int x = 0; x < bitmap.Width; ++x)
            for (int ch = 0; ch < 3; ++ch)
                ASSERT_EQ(bitmap.Row(y)[x * 3 + ch], picture.At(x, y, ch, 3)) << x << "," << y << "," << ch;
}

TEST(TBitmap24, RowsArePaddedToFourBytesAndResizeKeepsTheAllocation) {
    TBitmap24 bitmap;
    bitmap.Resize(5, 3);
    EXPECT_EQ(bitmap.Stride(), 16);
    EXPECT_EQ(bitmap.Bits.size(), 48u);
    const uint8_t* storage = bitmap.Bits.data();
    bitmap.Resize(4, 3);
    EXPECT_EQ(bitmap.Stride(), 12);
    EXPECT_EQ(bitmap.Bits.data(), storage);
    bitmap.Resize(-1, 2);
    EXPECT_EQ(bitmap.Width, 0);
    EXPECT_TRUE(bitmap.Bits.empty());
}

TEST(FrameToBitmap, ChoosesBetweenDirectCopyAndScaler) {
    const struct {
        const char* what;
        int width, height, linesize;
        bool viaScaler;
    } cases[] = {
        {"target format, even size, rows like the bitmap's", 4, 2, 12, false},
        {"rows narrower than the padded bitmap rows", 6, 2, 18, true},
        {"rows wider than the bitmap rows", 4, 2, 32, true},
        {"odd width with matching rows", 3, 2, 12, true},
        {"odd height", 4, 3, 12, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        PackedPicture picture(c.width, c.height, 3, c.linesize);
        FrameBitmapConverter converter;
        ASSERT_TRUE(
            FrameToBitmap(converter, picture.data, picture.linesize, AV_PIX_FMT_BGR24, c.height, c.width));
        EXPECT_EQ(converter.ToRGB != nullptr, c.viaScaler);
        EXPECT_EQ(converter.Bitmap.Width, c.width);
        EXPECT_EQ(converter.Bitmap.Height, c.height);
        expectSamePixels(converter.Bitmap, picture);
    }
}

TEST(FrameToBitmap, OtherFormatsAreConvertedToBGR) {
    PackedPicture rgb(6, 4, 3, 18);
    FrameBitmapConverter converter;
    ASSERT_TRUE(FrameToBitmap(converter, rgb.data, rgb.linesize, AV_PIX_FMT_RGB24, 4, 6));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) {
            EXPECT_EQ(converter.Bitmap.Row(y)[x * 3 + 0], rgb.At(x, y, 2, 3));
            EXPECT_EQ(converter.Bitmap.Row(y)[x * 3 + 2], rgb.At(x, y, 0, 3));
        }
}

TEST(FrameToBitmap, ReusesBitmapAndScalerWhileTheSizeStays) {
    PackedPicture first(6, 4, 3, 18);
    FrameBitmapConverter converter;
    ASSERT_TRUE(FrameToBitmap(converter, first.data, first.linesize, AV_PIX_FMT_RGB24, 4, 6));
    const uint8_t* storage = converter.Bitmap.Bits.data();
    // Mark the scaler object itself: a new one could land at the same address.
    // (Packed RGB makes the scaler add flags of its own, which defeats the
    // library's cached-context check.)
    ASSERT_EQ(av_opt_set_double(converter.ToRGB, "param0", MarkValue, 0), 0);

    PackedPicture second(6, 4, 3, 18);
    second.bytes[0] = 200;
    ASSERT_TRUE(FrameToBitmap(converter, second.data, second.linesize, AV_PIX_FMT_RGB24, 4, 6));
    EXPECT_EQ(converter.Bitmap.Bits.data(), storage);
    double mark = 0;
    ASSERT_EQ(av_opt_get_double(converter.ToRGB, "param0", 0, &mark), 0);
    EXPECT_EQ(mark, MarkValue) << "the scaler was made anew for the same size";
    EXPECT_EQ(converter.Bitmap.Row(0)[2], 200);

    PackedPicture larger(10, 8, 3, 30);
    ASSERT_TRUE(FrameToBitmap(converter, larger.data, larger.linesize, AV_PIX_FMT_RGB24, 8, 10));
    EXPECT_EQ(converter.Bitmap.Width, 10);
    EXPECT_EQ(converter.Bitmap.Row(7)[29], larger.At(9, 7, 0, 3));
}

TEST(FrameToBitmap, FailsWithoutAScalerAndResetStartsOver) {
    PackedPicture picture(4, 2, 3, 12);
    FrameBitmapConverter converter;
    EXPECT_FALSE(FrameToBitmap(converter, picture.data, picture.linesize, AV_PIX_FMT_NONE, 2, 4));

    ASSERT_TRUE(FrameToBitmap(converter, picture.data, picture.linesize, AV_PIX_FMT_RGB24, 2, 4));
    ASSERT_NE(converter.ToRGB, nullptr);
    ResetConverter(converter);
    EXPECT_EQ(converter.ToRGB, nullptr);
    EXPECT_EQ(converter.TargetFormat, AV_PIX_FMT_BGR24);
    EXPECT_TRUE(converter.Bitmap.Bits.empty());
    EXPECT_EQ(converter.TargetData[0], nullptr);
}

} // namespace
