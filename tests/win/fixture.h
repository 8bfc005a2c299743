// Runs Kesto's code inside the stand-in shell: each test writes its own box
// files and bitmaps, starts the module, and reads back what the platform shows.
#pragma once

#include <windows.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "box/box.h"
#include "box/box_list.h"
#include "boxfile/text_helpers.h"
#include "shell/host/host.h"

namespace kestotest {

constexpr COLORREF kMagenta = RGB(255, 0, 255);
// The name under which the shell runs the Kesto code linked into the tests.
constexpr const char* kBuiltInKesto = "kesto-builtin";

standin::Host& TheHost();
std::string BinDir();  // the folder of the test program: the shell's folder

using PixelFn = std::function<COLORREF(int x, int y)>;

class KestoTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  std::string Path(const std::string& name) const { return dir_ + "\\" + name; }
  std::string WriteText(const std::string& name, const std::string& text);
  std::string ReadText(const std::string& path) const;
  std::string WriteBmp(const std::string& name, int width, int height, const PixelFn& pixel,
                       int bitsPerPixel = 24);
  std::string WriteSolidBmp(const std::string& name, int width, int height, COLORREF color);

  // Starts Kesto with a shell configuration of these lines.
  void Start(const std::vector<std::string>& configLines = {});
  // Starts Kesto with one box made from these box file lines.
  kesto::TBox& StartWithBox(const std::string& boxLines);
  void Stop();
  void Bang(const std::string& command);

  kesto::TBox* Box(const std::string& name);
  static int CountBoxes();

  std::string dir_;
  bool running_ = false;
};

RECT WindowRect(HWND window);
// The window on screen of the box of this name (its title), as a user finds it:
// among the top-level windows and the desktop window's children.
HWND BoxWindow(const std::string& name);
// The primary screen, which negative positions count from.
inline int ScreenWidth() { return GetSystemMetrics(SM_CXSCREEN); }
inline int ScreenHeight() { return GetSystemMetrics(SM_CYSCREEN); }
// Whether the platform draws the window at this screen point (visible and inside its region).
bool RegionHas(HWND window, int clientX, int clientY);
COLORREF ScreenPixel(int x, int y);
// Real mouse input, pumped long enough for the module to see it.
void MouseTo(int x, int y);
void LeftDown();
void LeftUp();
void RightClickAt(int x, int y);
void LeftClickAt(int x, int y);

}  // namespace kestotest
