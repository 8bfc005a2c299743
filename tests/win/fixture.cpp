#include "tests/win/fixture.h"

#include <fstream>
#include <sstream>

#include "boxfile/safe_save.h"
#include "module/lifecycle.h"
#include "base/shell_api.h"
#include "shell/standin.h"

namespace kestotest {

std::string BinDir() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string text(path);
  return text.substr(0, text.rfind('\\'));
}

void KestoTest::SetUp() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  dir_ = BinDir() + "\\testdata\\" + info->test_suite_name() + "." + info->name();
  CreateDirectoryA((BinDir() + "\\testdata").c_str(), nullptr);
  CreateDirectoryA(dir_.c_str(), nullptr);
  StandInLogClear();
  MouseTo(ScreenWidth() - 24, ScreenHeight() - 18);  // out of the way of every box
}

void KestoTest::TearDown() {
  if (running_) Stop();
  StandInSetMonitors(nullptr);  // the one real screen again, whatever a test played
  StandInLogClear();
}

std::string KestoTest::WriteText(const std::string& name, const std::string& text) {
  std::string path = Path(name);
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

std::string KestoTest::ReadText(const std::string& path) const {
  std::string bytes;
  kesto::ReadFileBytes(path, bytes);
  return bytes;
}

std::string KestoTest::WriteBmp(const std::string& name, int width, int height, const PixelFn& pixel,
                                int bitsPerPixel) {
  const int bytesPerPixel = bitsPerPixel / 8;
  int rowBytes = (width * bytesPerPixel + 3) & ~3;
  BITMAPFILEHEADER file{};
  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;  // bottom-up rows
  info.biPlanes = 1;
  info.biBitCount = static_cast<WORD>(bitsPerPixel);
  info.biCompression = BI_RGB;
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + rowBytes * height;
  std::vector<char> rows(static_cast<std::size_t>(rowBytes) * height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      COLORREF c = pixel(x, y);
      char* p = &rows[static_cast<std::size_t>(height - 1 - y) * rowBytes + x * bytesPerPixel];
      p[0] = static_cast<char>(GetBValue(c));
      p[1] = static_cast<char>(GetGValue(c));
      p[2] = static_cast<char>(GetRValue(c));
    }
  }
  std::string path = Path(name);
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof file);
  out.write(reinterpret_cast<const char*>(&info), sizeof info);
  out.write(rows.data(), static_cast<std::streamsize>(rows.size()));
  return path;
}

std::string KestoTest::WriteSolidBmp(const std::string& name, int width, int height, COLORREF color) {
  return WriteBmp(name, width, height, [color](int, int) { return color; });
}

void KestoTest::Start(const std::vector<std::string>& configLines) {
  std::ostringstream config;
  config << "; stand-in shell configuration\r\n";
  for (const auto& line : configLines) config << line << "\r\n";
  std::string path = WriteText("shell.rc", config.str());
  ASSERT_TRUE(StandInLoadConfig(path.c_str()));
  StandInLogClear();
  // Kesto's code is linked into the test program: the shell runs it as a
  // module without a library of its own.
  StandInForgetModules();
  StandInConfigureBuiltInModule(kBuiltInKesto, initModuleEx, quitModule);
  EXPECT_TRUE(StandInStartModules());
  running_ = true;
  standin::Pump(30);
}

kesto::TBox& KestoTest::StartWithBox(const std::string& boxLines) {
  std::string path = WriteText("test.box", boxLines);
  Start({"*KestoCreate \"" + path + "\""});
  EXPECT_NE(kesto::BoxList, nullptr);
  return *kesto::BoxList;
}

void KestoTest::Stop() {
  StandInQuitModules();
  running_ = false;
  standin::PumpPending();
}

void KestoTest::Bang(const std::string& command) {
  LSExecute(nullptr, command.c_str(), 0);
  standin::PumpPending();
}

kesto::TBox* KestoTest::Box(const std::string& name) {
  for (kesto::TBox* box = kesto::BoxList.get(); box; box = box->Next.get())
    if (box->Name == name) return box;
  return nullptr;
}

int KestoTest::CountBoxes() {
  int count = 0;
  for (kesto::TBox* box = kesto::BoxList.get(); box; box = box->Next.get()) ++count;
  return count;
}

HWND BoxWindow(const std::string& name) {
  if (HWND top = FindWindowExA(nullptr, nullptr, kesto::kBoxClass, name.c_str())) return top;
  return FindWindowExA(TheHost().DesktopWindow(), nullptr, kesto::kBoxClass, name.c_str());
}

RECT WindowRect(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  return rect;
}

bool RegionHas(HWND window, int clientX, int clientY) {
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  int kind = GetWindowRgn(window, region);
  bool inside = kind == ERROR ? true : PtInRegion(region, clientX, clientY) != 0;
  DeleteObject(region);
  return inside;
}

COLORREF ScreenPixel(int x, int y) {
  standin::Pump(60);
  return standin::CaptureScreen().At(x, y);
}

void MouseTo(int x, int y) {
  standin::MoveMouse(x, y);
  standin::Pump(60);
}

void LeftDown() {
  standin::MouseButton(true, true);
  standin::Pump(60);
}

void LeftUp() {
  standin::MouseButton(true, false);
  standin::Pump(60);
}

void RightClickAt(int x, int y) {
  MouseTo(x, y);
  standin::MouseButton(false, true);
  standin::Pump(40);
  standin::MouseButton(false, false);
  standin::Pump(60);
}

void LeftClickAt(int x, int y) {
  MouseTo(x, y);
  LeftDown();
  LeftUp();
}

}  // namespace kestotest
