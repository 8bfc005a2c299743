// kesto-preview: what Kesto's boxes paint, read back from their windows and
// composed into one picture with the see-through parts transparent.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace kestopreview {

enum class ShortcutState { Normal, Hover, Pressed };

struct Picture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgba;  // top-down rows, 4 bytes a pixel

  std::uint32_t At(int x, int y) const;  // 0xAARRGGBB; 0 outside
  void Blend(int x, int y, COLORREF color, std::uint8_t alpha);
};

// The box windows of this process, bottom to top; the shown ones only, unless asked.
std::vector<HWND> BoxWindows(bool hiddenToo = false);
// Shows the boxes and buttons that start hidden (--show-hidden).
void ShowHidden();
// Largest side a preview draws; a box beyond it is reported, not drawn.
constexpr int kLargestSide = 16384;
// Empty when the box can be drawn; otherwise why not.
std::string SizeProblem(HWND box);
// One box as it paints itself, with its shortcuts in the given state.
Picture RenderBox(HWND box, ShortcutState state);
// Every visible box at its place on a transparent screen-sized picture.
Picture RenderScreen(ShortcutState state);
bool WritePng(const Picture& picture, const std::string& path);
// Takes the boxes' windows away before the module ends, so that ending it
// writes no position into any box file: a preview never changes a file.
void RemoveBoxWindows();

}  // namespace kestopreview
