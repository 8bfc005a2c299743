// A box: one borderless desktop window described by one box file.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "boxfile/box_file.h"
#include "content/hosted_modules.h"
#include "content/shortcuts.h"
#include "module/owned.h"

namespace kesto {

constexpr std::uint8_t BoxDragging = 0x01;
constexpr std::uint8_t BoxTiled = 0x02;
constexpr std::uint8_t BoxHidden = 0x08;
constexpr std::uint8_t BoxTranslucent = 0x20;
constexpr std::uint8_t BoxRememberPosition = 0x40;

constexpr const char* kBoxClass = "KestoClass";

struct TBox {
  OwnedDC MemDC;            // the picture the window paints from
  OwnedBitmap BackBitmap;   // the loaded image, kept only for a tiled background
  HWND Window = nullptr;    // destroyed explicitly by DestroyBox
  std::int32_t X = 0;
  std::int32_t Y = 0;
  std::int32_t Height = 0;
  std::int32_t Width = 0;
  RECT DragRect{};
  std::string OnLeftClick;
  std::string OnRightClick;
  std::string Name;
  std::uint8_t Flags = 0;
  std::unique_ptr<TShortcut> Shortcuts;
  std::unique_ptr<THostedModule> Modules;
  std::unique_ptr<TWharfSlot> WharfSlots;
  std::unique_ptr<TBox> Next;  // the next (older) box
  RECT SnapArea{};
  BoxFile Header;  // open only while the box is built or its position saved
  std::string FileName;
};

extern std::unique_ptr<TBox> BoxList;  // newest first

void CreateBox(const std::string& path);
void DestroyBox(TBox& box);
LRESULT CALLBACK BoxWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The box whose window this is, or none while a new window is still being created.
TBox* FindBoxByWindow(TBox* first, HWND window);

}  // namespace kesto
