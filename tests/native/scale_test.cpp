// Logical numbers at a monitor's scale, and images drawn at another size.
#include <gtest/gtest.h>

#include "boxfile/premultiplied.h"
#include "boxfile/resample.h"
#include "boxfile/scale.h"

namespace kesto {
namespace {

TEST(ScaleTest, NumbersKeepTheirPlaceAtEveryScaleAndComeBackTheSame) {
  const TScale same = ScaleFor(96, 100, true);
  EXPECT_TRUE(same.Identity());
  EXPECT_EQ(same.ToDevice(-140), -140);
  EXPECT_TRUE(ScaleFor(192, 200, false) == ScaleFor(96, 200, true));  // DPI scaling off: the zoom alone
  const TScale half = ScaleFor(144, 100, true);  // 150 %
  EXPECT_EQ(half.ToDevice(100), 150);
  EXPECT_EQ(half.ToDevice(-140), -210);
  EXPECT_EQ(half.ToDevice(1), 2);   // 1.5 rounds away from zero
  EXPECT_EQ(half.ToDevice(-1), -2);
  const TScale doubled = ScaleFor(192, 100, true);
  for (std::int32_t logical : {-300, -1, 0, 1, 7, 640, 100000}) EXPECT_EQ(doubled.ToLogical(doubled.ToDevice(logical)), logical);
  EXPECT_EQ(ScaleFor(120, 150, true).ToDevice(96), 180);  // 125 % times 150 %
  EXPECT_EQ(doubled.ToDevice(INT32_MAX), INT32_MAX);      // saturates rather than wraps
}

TEST(ScaleTest, ZoomIsAPercentFromTenToAThousand) {
  bool valid = false;
  EXPECT_EQ(ZoomFromText("150", valid), 150);
  EXPECT_TRUE(valid);
  EXPECT_EQ(ZoomFromText("200%", valid), 200);
  for (const char* bad : {"", "0", "-50", "5", "2000", "big", "150x"}) {
    EXPECT_EQ(ZoomFromText(bad, valid), 100) << bad;
    EXPECT_FALSE(valid) << bad;
  }
}

TPixels Solid(int w, int h, std::uint32_t pixel) {
  TPixels image;
  image.Width = w;
  image.Height = h;
  image.Data.assign(static_cast<std::size_t>(w) * h, pixel);
  return image;
}

TEST(ResampleTest, AKeyedImageKeepsItsKeyExactlyAndNoFringe) {
  // Left half red, right half magenta, enlarged 3 times and shrunk to half.
  TPixels image = Solid(4, 2, 0xFFFF0000u);
  for (int y = 0; y < 2; ++y)
    for (int x = 2; x < 4; ++x) image.Data[static_cast<std::size_t>(y) * 4 + x] = 0xFFFF00FFu;
  for (auto [w, h] : {std::pair{12, 6}, std::pair{2, 1}, std::pair{6, 3}}) {
    const TPixels out = Resample(image, w, h, false);
    ASSERT_EQ(out.Data.size(), static_cast<std::size_t>(w) * h);
    for (int x = 0; x < w; ++x) {
      const std::uint32_t pixel = out.Data[static_cast<std::size_t>(x)];
      if (x < w / 2) {
        EXPECT_EQ(pixel, 0xFFFF0000u) << w << " at " << x;  // red right up to the edge: no pink
      } else {
        EXPECT_EQ(pixel, 0xFFFF00FFu) << w << " at " << x;
      }
    }
  }
}

TEST(ResampleTest, AlphaIsFilteredWithColourSoClearPixelsNeverDarkenTheEdge) {
  // Opaque white beside fully clear black: the blend is white, half as opaque.
  TPixels image = Solid(2, 1, 0xFFFFFFFFu);
  image.Data[1] = 0x00000000u;
  const TPixels out = Resample(image, 1, 1, true);
  EXPECT_EQ(out.Data[0] & 0x00FFFFFFu, 0x00FFFFFFu);
  EXPECT_NEAR(static_cast<int>(AlphaOf(out.Data[0])), 128, 1);
  // Enlarging a solid colour changes nothing; shrinking averages.
  EXPECT_EQ(Resample(Solid(3, 3, 0x80102030u), 7, 5, true).Data, Solid(7, 5, 0x80102030u).Data);
  TPixels stripes = Solid(2, 2, 0xFF000000u);
  stripes.Data[0] = stripes.Data[2] = 0xFFC8C8C8u;
  EXPECT_EQ(Resample(stripes, 1, 1, true).Data[0], 0xFF646464u);
}

}  // namespace
}  // namespace kesto
