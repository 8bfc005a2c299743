// The stand-in shell's windows and message loop, shared by the host program
// and the tests: the main window that keeps message registrations, the desktop
// window that boxes become children of, and a message-box catcher.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace standin {

constexpr COLORREF kDesktopColor = RGB(0, 64, 128);

class Host {
 public:
  Host();
  ~Host();
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  HWND MainWindow() const { return main_; }
  HWND DesktopWindow() const { return desktop_; }
  // Windows registered with LM_REGISTERMESSAGE and their message lists.
  static const std::map<HWND, std::vector<UINT>>& Registrations();

 private:
  HWND main_ = nullptr;
  HWND desktop_ = nullptr;
  HHOOK messageBoxHook_ = nullptr;
};

// A bang handed to a running shell by another process, as "litestep.exe
// !Bang args" hands it: WM_COPYDATA carrying the shell's LMBANGCOMMANDW.
constexpr ULONG_PTR kBangCommandW = 33284;
struct BangCommandW {
  UINT cbSize;
  HWND hWnd;
  wchar_t command[64];
  wchar_t args[256];
};
// Hands "!Command args" to the running shell; false when no shell takes it.
bool HandOverBang(const std::string& text);

// Told whenever the shell's own window procedures and hooks run, which may
// be inside a call from a module: a test that makes the module's allocations
// fail keeps the shell's own apart. None by default.
struct HostCallbackObserver {
  void (*Enter)() = nullptr;
  void (*Leave)() = nullptr;
};
void ObserveHostCallbacks(HostCallbackObserver observer);

// The size of the one screen the display shows, whatever monitor layout the
// stand-in plays for its modules (it answers the screen metrics they ask).
SIZE DisplaySize();

// Dispatches messages for at least the given time.
void Pump(int milliseconds);
// Dispatches until the queue is empty.
void PumpPending();

// Message boxes are answered with OK and recorded in the stand-in log as
// "msgbox:<caption>|<text>". They run their own message loop, as on the
// desktop: commands queued here run inside the next one, before it closes.
void RunInsideNextDialog(const std::string& command);
std::vector<std::string> MessageBoxesShown();
std::vector<std::string> LogEntries();
std::vector<std::string> ExecutedCommands();  // "exec:" entries without the prefix

struct Screenshot {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, top-down
  COLORREF At(int x, int y) const;    // as a COLORREF (0x00BBGGRR); black outside
};
// Wine without a window manager can leave the X window of a top-level window
// that turned layered stacked below the desktop although its Win32 order is
// above it. Mapping the windows again in Win32 order puts the X stack right.
void RestackToMatchZOrder();
Screenshot CaptureScreen();
bool SaveBitmapFile(const Screenshot& shot, const std::string& path);
bool SavePngFile(const Screenshot& shot, const std::string& path);
// As PNG for a ".png" name, as BMP otherwise.
bool SaveScreenshot(const Screenshot& shot, const std::string& path);

// This process's top-level windows, the top one first.
std::vector<HWND> OwnTopLevelWindows();
std::string ClassNameOf(HWND window);

// A 32-bit top-down bitmap and a memory DC to paint into it.
class Canvas {
 public:
  Canvas(int width, int height);
  ~Canvas();
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  COLORREF At(int x, int y) const;
  const std::uint32_t* Bits() const;  // 0x00RRGGBB each, after any pending drawing

  HDC dc = nullptr;
  int width = 0;
  int height = 0;

 private:
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ previous_ = nullptr;
  std::uint32_t* bits_ = nullptr;
};

// Real mouse input through the platform's input queue.
void MoveMouse(int x, int y);
void MouseButton(bool left, bool down);

}  // namespace standin
