#include "box/alpha_box.h"

#include <algorithm>
#include <vector>

#include "base/shell_log.h"
#include "box/background.h"
#include "box/box_list.h"
#include "boxfile/box_rules.h"
#include "boxfile/image_header.h"
#include "boxfile/premultiplied.h"
#include "boxfile/text_helpers.h"
#include "content/text_labels.h"

namespace kesto {
namespace {

// The first line of a plug-in key, or 0.
int PluginLine(const TBoxHeader& header) {
  int line = 0;
  for (const TBoxEntry* entry = header.First.get(); entry; entry = entry->Next.get()) {
    ++line;
    if (LineStartsWithKey(*entry, "*MODULE") || LineStartsWithKey(*entry, "*WHARFMODULE")) return line;
  }
  return 0;
}

// Blends the pixels over the picture at (x, y), within the clip (picture pixels).
void BlendAt(TDibPicture& picture, const TPixels& pixels, int x, int y, const RECT& clip) {
  const int firstRow = std::max({0, -y, static_cast<int>(clip.top) - y});
  const int endRow = std::min({pixels.Height, picture.Height - y, static_cast<int>(clip.bottom) - y});
  const int firstColumn = std::max({0, -x, static_cast<int>(clip.left) - x});
  const int endColumn = std::min({pixels.Width, picture.Width - x, static_cast<int>(clip.right) - x});
  for (int row = firstRow; row < endRow; ++row) {
    std::uint32_t* to = picture.Bits + static_cast<std::size_t>(y + row) * picture.Width;
    const std::uint32_t* from = pixels.Data.data() + static_cast<std::size_t>(row) * pixels.Width;
    for (int column = firstColumn; column < endColumn; ++column) to[x + column] = Over(from[column], to[x + column]);
  }
}

// The button that has the keyboard, inverted as an ordinary box inverts it:
// each premultiplied colour becomes its alpha less itself.
void InvertWithin(TDibPicture& picture, RECT button, const RECT& clip) {
  const RECT whole{0, 0, picture.Width, picture.Height};
  if (!IntersectRect(&button, &button, &clip) || !IntersectRect(&button, &button, &whole)) return;
  for (LONG y = button.top; y < button.bottom; ++y) {
    std::uint32_t* row = picture.Bits + static_cast<std::size_t>(y) * picture.Width;
    for (LONG x = button.left; x < button.right; ++x) {
      const std::uint32_t p = row[x], a = p >> 24;
      if (a == 0) continue;
      const std::uint32_t r = a - std::min(a, (p >> 16) & 255), g = a - std::min(a, (p >> 8) & 255),
                          b = a - std::min(a, p & 255);
      row[x] = (a << 24) | (r << 16) | (g << 8) | b;
    }
  }
}

// Background, then every shown button (the list holds the last line first:
// drawn in list order, the earlier line ends up on top, as with child
// windows), within the area.
void ComposeInto(TBox& box, const RECT& area) {
  TAlphaFrame& frame = *box.Frame;
  GdiFlush();
  for (LONG row = area.top; row < area.bottom; ++row) {
    const std::size_t at = static_cast<std::size_t>(row) * box.Width;
    const std::uint32_t* from = frame.Background.data() + at;
    std::copy(from + area.left, from + area.right, frame.Picture.Bits + at + area.left);
  }
  for (const TShortcut* s = box.Shortcuts.get(); s; s = s->Next.get()) {
    if (!s->Current || !ShortcutShown(*s)) continue;
    BlendAt(frame.Picture, s->Current->Pixels, s->X, s->Y, area);
    if (s->Focused) InvertWithin(frame.Picture, {s->X, s->Y, s->X + s->Width, s->Y + s->Height}, area);
  }
}

}  // namespace

bool BuildsAlphaBox(TBoxHeader& header, HBITMAP image, int width, int height) {
  if (!HasAlphaChannel(image)) return false;
  if (AlphaBoxTooLarge(width, height)) {
    ShellLog(kLogWarning, BoxFileName(header) + ": the box is " + std::to_string(width) + "x" + std::to_string(height) +
                              ", over " + std::to_string(kMaxAlphaBoxPixels) +
                              " pixels for a box drawn from an alpha channel: it is drawn as an ordinary box, "
                              "see-through only where magenta");
    return false;
  }
  if (int line = PluginLine(header)) {
    ShellLog(kLogWarning, BoxFileName(header) + ":" + std::to_string(line) +
                              ": the box hosts a plug-in, so its background's alpha channel is not used (a "
                              "plug-in's windows would not be drawn)");
    return false;
  }
  return true;
}

bool PrepareAlphaFrame(TBox& box, HBITMAP image, const std::string& offsets, const std::string& alpha) {
  auto frame = std::make_unique<TAlphaFrame>();
  if (!MakeDibPicture(frame->Picture, box.Width, box.Height)) return false;
  const TPixels pixels = PremultipliedPixels(image);
  if (TilesBackground(offsets, pixels.Width, pixels.Height)) {
    // The same nine-slice copies as an ordinary box's, on premultiplied pixels.
    OwnedBitmap source = BitmapOfPixels(pixels);
    const RECT borders = AsRect(ReadFourNumbers(offsets));
    TileBackground(source.get(), borders.left, borders.top, borders.right, borders.bottom, frame->Picture.DC.get(),
                   frame->Picture.DC.get(), box.Width, box.Height);
    GdiFlush();
    SetFlag(box.Flags, BoxTiled, true);
  } else {
    CopyPixelsInto(frame->Picture, pixels, 0, 0);
  }
  frame->Background.assign(frame->Picture.Bits, frame->Picture.Bits + static_cast<std::size_t>(box.Width) * box.Height);
  if (alpha != kNoAlpha) frame->ConstantAlpha = static_cast<BYTE>(ParseInt(alpha));
  box.Frame = std::move(frame);
  return true;
}

void DrawAlphaLabels(TBox& box, TBoxHeader& header) {
  if (!box.Frame) return;
  TDibPicture coverage;
  if (!MakeDibPicture(coverage, box.Width, box.Height)) return;
  const TContentHost host{box.Window, box.Width, box.Height, coverage.DC.get(), nullptr, nullptr, &box.Labels,
                          box.Scale()};
  const COLORREF ink = DrawTexts(header, host, true);
  GdiFlush();
  const std::uint32_t colour = (GetRValue(ink) << 16) | (GetGValue(ink) << 8) | GetBValue(ink);
  std::vector<std::uint32_t>& background = box.Frame->Background;
  for (std::size_t i = 0; i < background.size(); ++i) {
    const std::uint32_t covered = coverage.Bits[i];
    const std::uint32_t most = std::max({(covered >> 16) & 255, (covered >> 8) & 255, covered & 255});
    background[i] = InkOver(colour, most, background[i]);
  }
}

void ComposeAlphaFrame(TBox& box) {
  if (!box.Frame || !box.Window) return;
  TAlphaFrame& frame = *box.Frame;
  ComposeInto(box, {0, 0, box.Width, box.Height});
  POINT origin{0, 0};
  SIZE size{box.Width, box.Height};
  BLENDFUNCTION blend{AC_SRC_OVER, 0, frame.ConstantAlpha, AC_SRC_ALPHA};
  UpdateLayeredWindow(box.Window, nullptr, nullptr, &size, frame.Picture.DC.get(), &origin, 0, &blend, ULW_ALPHA);
  // Windows hit-tests such a window by alpha; Wine does not: the region
  // lets clicks on see-through pixels reach the window below on both.
  HRGN shape = RegionOfVisiblePixels(frame.Picture.Bits, box.Width, box.Height);
  if (shape && !SetWindowRgn(box.Window, shape, FALSE)) DeleteObject(shape);
}

void ComposeAlphaArea(TBox& box, RECT area) {
  if (!box.Frame || !box.Window) return;
  const RECT whole{0, 0, box.Width, box.Height};
  if (!IntersectRect(&area, &area, &whole)) return;
  // The window's region now, to change only within the area; without one, all of it.
  OwnedRegion shape(CreateRectRgn(0, 0, 0, 0));
  if (!shape || GetWindowRgn(box.Window, shape.get()) == ERROR) {
    ComposeAlphaFrame(box);
    return;
  }
  TAlphaFrame& frame = *box.Frame;
  ComposeInto(box, area);
  POINT origin{0, 0};
  SIZE size{box.Width, box.Height};
  BLENDFUNCTION blend{AC_SRC_OVER, 0, frame.ConstantAlpha, AC_SRC_ALPHA};
  UPDATELAYEREDWINDOWINFO update{};
  update.cbSize = sizeof update;
  update.psize = &size;
  update.hdcSrc = frame.Picture.DC.get();
  update.pptSrc = &origin;
  update.pblend = &blend;
  update.dwFlags = ULW_ALPHA;
  update.prcDirty = &area;
  UpdateLayeredWindowIndirect(box.Window, &update);
  // The region of the area's visible pixels takes the place of its old share.
  const int width = area.right - area.left, height = area.bottom - area.top;
  std::vector<std::uint32_t> part(static_cast<std::size_t>(width) * height);
  for (int row = 0; row < height; ++row) {
    const std::uint32_t* from = frame.Picture.Bits + static_cast<std::size_t>(area.top + row) * box.Width + area.left;
    std::copy(from, from + width, part.begin() + static_cast<std::ptrdiff_t>(row) * width);
  }
  OwnedRegion hole(CreateRectRgnIndirect(&area));
  OwnedRegion visible(RegionOfVisiblePixels(part.data(), width, height, area.left, area.top));
  if (!hole || !visible || CombineRgn(shape.get(), shape.get(), hole.get(), RGN_DIFF) == ERROR ||
      CombineRgn(shape.get(), shape.get(), visible.get(), RGN_OR) == ERROR)
    return;
  if (SetWindowRgn(box.Window, shape.get(), FALSE)) shape.release();  // the window owns it now
}

void ComposeFrameOfWindow(HWND window, const RECT* area) {
  TBox* box = FindBoxByWindow(window);
  if (!box) return;
  if (area) {
    ComposeAlphaArea(*box, *area);
  } else {
    ComposeAlphaFrame(*box);
  }
}

void ComposeAlphaFrames() {
  ForEachBox([](TBox& box) {
    if (box.Frame && box.Life == BoxLife::Live) ComposeAlphaFrame(box);
  });
}

}  // namespace kesto
