// Move-only owners for the Windows handles Kesto creates: each handle is
// released exactly once, by the owner that holds it last.
#pragma once

#include <windows.h>

#include <utility>

namespace kesto {

template <class H, auto Free>
class Owned {
 public:
  Owned() = default;
  explicit Owned(H handle) : handle_(handle) {}
  Owned(Owned&& other) noexcept : handle_(std::exchange(other.handle_, H{})) {}
  Owned& operator=(Owned&& other) noexcept {
    reset(std::exchange(other.handle_, H{}));
    return *this;
  }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  ~Owned() { reset(); }

  void reset(H handle = H{}) {
    H old = std::exchange(handle_, handle);
    if (old) Free(old);
  }
  H get() const { return handle_; }
  H release() { return std::exchange(handle_, H{}); }
  explicit operator bool() const { return handle_ != H{}; }

 private:
  H handle_{};
};

inline void FreeGdiObject(HGDIOBJ object) { DeleteObject(object); }
inline void FreeDC(HDC dc) { DeleteDC(dc); }
inline void FreeLibraryHandle(HMODULE library) { FreeLibrary(library); }

using OwnedDC = Owned<HDC, FreeDC>;
using OwnedBitmap = Owned<HBITMAP, FreeGdiObject>;
using OwnedRegion = Owned<HRGN, FreeGdiObject>;
using OwnedFont = Owned<HFONT, FreeGdiObject>;
using OwnedLibrary = Owned<HMODULE, FreeLibraryHandle>;

// A window's device context, taken for a moment and given back to its window.
class WindowDC {
 public:
  explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~WindowDC() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// Selects an object into a DC and puts the previous one back on scope exit.
class Selection {
 public:
  Selection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  ~Selection() {
    if (dc_ && previous_) SelectObject(dc_, previous_);
  }
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

}  // namespace kesto
