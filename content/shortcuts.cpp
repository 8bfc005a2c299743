#include "content/shortcuts.h"

#include <windows.h>
#include <commctrl.h>

#include <map>
#include <tuple>

#include "base/bitmap_pixels.h"
#include "base/command_queue.h"
#include "base/module_state.h"
#include "base/shell_api.h"
#include "base/shell_image.h"
#include "base/shell_log.h"
#include "base/system_commands.h"
#include "base/wide_text.h"
#include "boxfile/premultiplied.h"
#include "boxfile/text_helpers.h"
#include "content/groups.h"
#include "content/tooltip.h"

namespace kesto {
namespace {

// The name a person hears: the tooltip, else the image's file name without
// its folder and extension ("mail" of "$ThemeDir$\mail.bmp"), never "Button".
std::string SpokenName(const TShortcut& s) {
  if (!s.Tip.empty()) return s.Tip;
  std::string name = s.ImageName;
  const std::size_t slash = name.find_last_of("\\/");
  if (slash != std::string::npos) name.erase(0, slash + 1);
  const std::size_t dot = name.find_last_of('.');
  if (dot != std::string::npos && dot > 0) name.erase(dot);
  return name;
}

constexpr std::uint8_t kNormal = 0;
constexpr std::uint8_t kHover = 1;
constexpr std::uint8_t kPressed = 2;

// The images of one box, by name, while its shortcuts are built; a name that
// failed to load is remembered too, as none.
using ImageCache = std::map<std::string, SharedImage>;

// Loads one image (its DC with the bitmap selected, and its shape) or finds
// it among those this box already loaded. None when it cannot be loaded.
SharedImage ImageNamed(const std::string& name, const TContentHost& box, ImageCache& cache,
                       const TBoxHeader& header) {
  auto found = cache.find(name);
  if (found != cache.end()) return found->second;
  SharedImage& slot = cache[name];
  // Owned from the moment it exists: the record below may fail to be made.
  OwnedBitmap bitmap(LoadScaledImage(name, WhereLastValue(header), box.Scale, box.Sources));
  if (!bitmap) return nullptr;
  auto image = std::make_shared<TShortcutImage>();
  image->Bitmap = std::move(bitmap);
  image->HasAlpha = HasAlphaChannel(image->Bitmap.get());
  if (image->HasAlpha || box.Recompose) {
    // Blended, not copied: its shape is every pixel that is not see-through
    // (alpha 0 or magenta).
    image->Pixels = PremultipliedPixels(image->Bitmap.get());
    image->Region.reset(RegionOfVisiblePixels(image->Pixels.Data.data(), image->Pixels.Width, image->Pixels.Height));
  } else {
    image->Region.reset(BitmapToRegion(image->Bitmap.get(), MakeColor(255, 0, 255), kKeyTolerance, 0, 0));
  }
  image->DC.reset(CreateCompatibleDC(box.MemDC));
  SelectObject(image->DC.get(), image->Bitmap.get());
  slot = std::move(image);
  return slot;
}

// An image with alpha on a button of an ordinary box: blended once over the
// box's picture behind the button, so that its soft edges show the box, not
// black. The copy is the button's own; its shape is the image's.
SharedImage BlendedOverBox(const SharedImage& image, const TContentHost& box, int x, int y) {
  if (!image || !image->HasAlpha || image->Pixels.Data.empty()) return image;
  const int width = image->Pixels.Width, height = image->Pixels.Height;
  std::uint32_t* pixels = nullptr;
  OwnedBitmap bitmap = MakeDibSection(width, height, pixels);
  if (!bitmap) return image;
  auto blended = std::make_shared<TShortcutImage>();
  blended->DC.reset(CreateCompatibleDC(box.MemDC));
  blended->Bitmap = std::move(bitmap);
  SelectObject(blended->DC.get(), blended->Bitmap.get());
  BitBlt(blended->DC.get(), 0, 0, width, height, box.MemDC, x, y, SRCCOPY);
  GdiFlush();
  for (std::size_t i = 0; i < image->Pixels.Data.size(); ++i)
    pixels[i] = Over(image->Pixels.Data[i], pixels[i] | 0xFF000000u);
  blended->Region.reset(RegionOfVisiblePixels(image->Pixels.Data.data(), width, height));
  return blended;
}

void CreateShortcut(const TContentHost& box, std::unique_ptr<TShortcut>& list, const std::string& line,
                    ImageCache& images, const TBoxHeader& header) {
  auto created = std::make_unique<TShortcut>();
  created->Next = std::move(list);
  list = std::move(created);
  TShortcut& shortcut = *list;
  shortcut.Box = box;

  std::string tooltip = GetToken(line, 1);
  shortcut.X = ParseInt(GetToken(line, 2));
  shortcut.Y = ParseInt(GetToken(line, 3));
  shortcut.X = box.Scale.ToDevice(shortcut.X);
  shortcut.Y = box.Scale.ToDevice(shortcut.Y);
  if (shortcut.X < 0) shortcut.X += box.Width;
  if (shortcut.Y < 0) shortcut.Y += box.Height;

  std::string prefix;
  std::int32_t groupNumber = 0;
  shortcut.Command = GetTokenRest(line, 7);
  if (!shortcut.Command.empty() && shortcut.Command[0] == '#') {
    prefix = GetToken(shortcut.Command, 1);
    groupNumber = ParseGroupNumber(prefix);
    shortcut.Command = GetTokenRest(shortcut.Command, 2);
  }

  RegisterModuleClass(kShortcutClass, ShortcutWndProc, true);
  shortcut.Window = CreateWindowExW(0, L"KestoShortcut", nullptr, WS_CHILD, 0, 0, 0, 0, box.Window, nullptr,
                                    ModuleInstance, nullptr);
  SetWindowLongPtrA(shortcut.Window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&shortcut));
  shortcut.Member = JoinGroup(shortcut.Window, groupNumber);

  {
    // The images' DCs are made compatible with the box's picture: the same
    // display as the button's own window DC, without asking for one per button.
    const std::string normal = GetToken(line, 4);
    shortcut.Normal = ImageNamed(normal, box, images, header);
    if (shortcut.Normal) {
      GetLSBitmapSize(shortcut.Normal->Bitmap.get(), &shortcut.Width, &shortcut.Height);
    } else {
      ShellLog(kLogError, WhereLastValue(header) + ": can't load image '" + normal + "' (the button is 0x0)");
      ReportFailure("Check Box File: Can't load image");
    }
    // A missing hover or pressed image falls back to the normal one.
    for (auto [state, token, image] : {std::tuple{"hover", 5, &shortcut.Hover}, {"pressed", 6, &shortcut.Pressed}}) {
      const std::string name = GetToken(line, static_cast<std::uint8_t>(token));
      *image = ImageNamed(name, box, images, header);
      if (!*image && !name.empty())
        ShellLog(kLogWarning, WhereLastValue(header) + ": can't load image '" + name + "' (" + state +
                                  " state uses the normal image)");
    }
  }
  if (!box.Recompose) {
    for (SharedImage* image : {&shortcut.Normal, &shortcut.Hover, &shortcut.Pressed})
      *image = BlendedOverBox(*image, box, shortcut.X, shortcut.Y);
  }
  shortcut.Current = shortcut.NormalImage();
  shortcut.CurrentDC = TShortcut::DCOf(shortcut.NormalImage());
  shortcut.CurrentRgn = TShortcut::RegionOf(shortcut.NormalImage());
  ApplyRegion(shortcut.Window, shortcut.CurrentRgn);

  bool hidden = LastCharPos(prefix, 'H') != 0 || HasFlag(shortcut.Member->Group->Flags, GroupHidden);
  // Each new shortcut goes to the bottom: the earlier line lies on top.
  SetWindowPos(shortcut.Window, HWND_BOTTOM, shortcut.X, shortcut.Y, shortcut.Width, shortcut.Height,
               hidden ? SWP_HIDEWINDOW : SWP_SHOWWINDOW);
  AddTooltip(shortcut.Window, tooltip);
  shortcut.Tooltip = shortcut.Window;
  shortcut.Tip = tooltip;
  shortcut.ImageName = GetToken(line, 4);
  // The window carries the name too: what the system's own object (and any
  // client that asks a window for its text) reads.
  SetWindowTextW(shortcut.Window, Wide(SpokenName(shortcut)).c_str());
  shortcut.State = kNormal;
}

void Invalidate(const TShortcut& shortcut) { InvalidateRect(shortcut.Window, nullptr, TRUE); }

void RequestLeaveNotice(HWND window) {
  TRACKMOUSEEVENT track{};
  track.cbSize = sizeof track;
  track.dwFlags = TME_LEAVE;
  track.hwndTrack = window;
  _TrackMouseEvent(&track);
}

// Switches to a state's prepared image and shape: one copy of the shape, and
// one of the picture when the button paints again.
void EnterState(TShortcut& s, std::uint8_t state) {
  const TShortcutImage* image =
      state == kHover ? s.HoverImage() : state == kPressed ? s.PressedImage() : s.NormalImage();
  const TShortcutImage* before = s.Current;
  s.Current = image;
  s.CurrentDC = TShortcut::DCOf(image);
  HRGN region = TShortcut::RegionOf(image);
  s.State = state;
  // Hover and pressed both end when the mouse leaves, however they began (a
  // press under a pointer that never moved, say): ask to be told each time.
  if (state != kNormal) RequestLeaveNotice(s.Window);
  ApplyRegion(s.Window, region);
  // A box composed with alpha draws its buttons itself: once per change.
  if (s.Box.Recompose) {
    // Only where the button's old and new images lie.
    RECT area{s.X, s.Y, s.X, s.Y};
    for (const TShortcutImage* drawn : {before, image}) {
      if (!drawn) continue;
      const RECT covered{s.X, s.Y, s.X + drawn->Pixels.Width, s.Y + drawn->Pixels.Height};
      UnionRect(&area, &area, &covered);
    }
    s.Box.Recompose(s.Box.Window, &area);
  } else {
    Invalidate(s);
  }
}

LRESULT HandleShortcutMessage(TShortcut& s, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      if (s.Box.Recompose) return 1;  // its box's picture shows it
      BitBlt(reinterpret_cast<HDC>(wParam), 0, 0, s.Width, s.Height, s.CurrentDC, 0, 0, s.Focused ? NOTSRCCOPY : SRCCOPY);
      return 0;
    case WM_MOUSEMOVE:
      if (s.State == kNormal) EnterState(s, kHover);
      return 0;
    case WM_LBUTTONDOWN:
      EnterState(s, kPressed);
      return 0;
    case WM_LBUTTONUP:
      // The mouse is never captured: only a press and release inside, without
      // leaving in between, runs the command.
      if (s.State == kPressed) {
        EnterState(s, kHover);
        PostRunCommand(nullptr, s.Command);
      }
      return 0;
    case WM_MOUSELEAVE:
      EnterState(s, kNormal);
      return 0;
    case WM_GETOBJECT:
      if (LRESULT answer = AnswerGetObject(window, wParam, lParam, ShortcutAccessibility())) return answer;
      return DefWindowProcW(window, message, wParam, lParam);
    case WM_NCDESTROY:
      // The record outlives its window only while the list is released.
      SetWindowLongPtrA(window, GWLP_USERDATA, 0);
      s.Window = nullptr;
      return DefWindowProcW(window, message, wParam, lParam);
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace

void CreateShortcuts(TBoxHeader& header, const TContentHost& host, std::unique_ptr<TShortcut>& list) {
  ImageCache images;
  // The line's number is counted only when a failure is logged: the walk
  // stays one pass over the file.
  ForEachBoxValue(header, "*Shortcut",
                  [&](const std::string& line) { CreateShortcut(host, list, line, images, header); });
}

void DestroyShortcuts(std::unique_ptr<TShortcut>& first) {
  // Every record stays intact while any window of the list is destroyed: a
  // window being destroyed still gets messages, which look the list up. The
  // windows are normally gone already, taken down with the box window.
  for (TShortcut* s = first.get(); s; s = s->Next.get()) {
    // A tool is known by its window's handle, also once the window is gone.
    if (s->Tooltip && s->Focused) HideKeyboardTooltip(s->Tooltip);
    if (s->Tooltip) RemoveTooltip(s->Tooltip);
    s->Tooltip = nullptr;
    // A shared image goes with its last user: region, then DC, then bitmap.
    s->CurrentRgn = nullptr;
    s->CurrentDC = nullptr;
    s->Pressed.reset();
    s->Hover.reset();
    s->Normal.reset();
    LeaveGroup(s->Member);
    s->Member = nullptr;
    if (s->Window) DestroyWindow(s->Window);
    s->Window = nullptr;
  }
  while (first) first = std::move(first->Next);
}

TShortcut* FindShortcutByWindow(HWND window) {
  return reinterpret_cast<TShortcut*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

LRESULT CALLBACK ShortcutWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // No system move, size or menu for a button: their modal loops would run
  // under this procedure, where Kesto.dll may be unloaded.
  if (LRESULT answer = 0; AnswerBeforeKesto(message, wParam, answer)) return answer;
  try {
    TShortcut* shortcut = FindShortcutByWindow(window);
    if (!shortcut) return DefWindowProcW(window, message, wParam, lParam);
    // The tooltip learns of the mouse from the button itself.
    if (message >= WM_MOUSEFIRST && message <= WM_MBUTTONDBLCLK) RelayToTooltip(window, message, wParam, lParam);
    return HandleShortcutMessage(*shortcut, window, message, wParam, lParam);
  } catch (...) {
    return 0;
  }
}

bool ShortcutShown(const TShortcut& shortcut) {
  return shortcut.Window && (GetWindowLongA(shortcut.Window, GWL_STYLE) & WS_VISIBLE) != 0;
}

void ApplyRegion(HWND window, HRGN region) {
  // The window owns the copy; the shortcut's own regions are never handed over.
  HRGN copy = CreateRectRgn(0, 0, 0, 0);
  CombineRgn(copy, region, nullptr, RGN_COPY);
  if (!SetWindowRgn(window, copy, TRUE)) DeleteObject(copy);
}

}  // namespace kesto

namespace kesto {
namespace {


// The record of a button window, asked by a client that may hold a window
// handle long after the button went (and the handle went to another window).
const TShortcut* ShortcutOfClientWindow(HWND window) {
  wchar_t kind[32] = L"";
  if (!IsWindow(window) || !GetClassNameW(window, kind, 32) || lstrcmpW(kind, L"KestoShortcut") != 0) return nullptr;
  return FindShortcutByWindow(window);
}

class ShortcutSource final : public TAccessibleSource {
 public:
  TAccessibleFacts Facts(HWND window, long) const override {
    TAccessibleFacts facts;
    const TShortcut* s = ShortcutOfClientWindow(window);
    if (!s) return facts;
    facts.Exists = true;
    facts.Name = SpokenName(*s);
    facts.Role = ROLE_SYSTEM_PUSHBUTTON;
    facts.State = STATE_SYSTEM_FOCUSABLE;
    if (!IsWindowVisible(window)) facts.State |= STATE_SYSTEM_INVISIBLE;
    if (s->State == 2) facts.State |= STATE_SYSTEM_PRESSED;
    if (s->Focused) facts.State |= STATE_SYSTEM_FOCUSED;
    GetWindowRect(window, &facts.Screen);
    if (!s->Command.empty()) facts.DefaultAction = "Press";
    return facts;
  }
  long ChildCount(HWND) const override { return 0; }
  HWND ChildWindow(HWND, long) const override { return nullptr; }
  bool DoDefaultAction(HWND window, long) const override {
    const TShortcut* s = ShortcutOfClientWindow(window);
    if (!s || s->Command.empty()) return false;
    PostRunCommand(nullptr, s->Command);  // as a click runs it
    return true;
  }
};

}  // namespace

void SetShortcutFocus(TShortcut& s, bool focused) {
  if (s.Focused == focused) return;
  s.Focused = focused;
  if (s.Box.Recompose) {
    const RECT area{s.X, s.Y, s.X + s.Width, s.Y + s.Height};
    s.Box.Recompose(s.Box.Window, &area);
  } else if (s.Window) {
    InvalidateRect(s.Window, nullptr, TRUE);
  }
  if (!s.Window) return;
  if (!focused) {
    HideKeyboardTooltip(s.Window);
    return;
  }
  ShowKeyboardTooltip(s.Window, s.Tip);
  NotifyWinEvent(EVENT_OBJECT_FOCUS, s.Window, OBJID_CLIENT, CHILDID_SELF);
}

const TAccessibleSource& ShortcutAccessibility() {
  static const ShortcutSource source;
  return source;
}

}  // namespace kesto
