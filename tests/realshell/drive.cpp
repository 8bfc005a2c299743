// kesto-drive: plays a user at a running shell, the real one or the stand-in,
// from outside its process. It sends bang commands as "litestep.exe !Bang"
// does (WM_COPYDATA to the shell's main window), moves and clicks the real
// mouse, and reports what is on screen: every Kesto box window with its
// rectangle, visibility and a checksum of the pixels it shows.
//
//   kesto-drive script.txt        verbs: pump <ms> | bang <!Command args> |
//                                 move <x> <y> | click <x> <y> | down | up |
//                                 windows | await-boxes <n> | shell | screenshot <file> |
//                                 sysmove <box title> | key escape|return |
//                                 typing (a window of the driver's own takes the focus) |
//                                 foreground (whether it still has it) |
//                                 compare-preview <file.png> (a kesto-preview of the whole screen) |
//                                 edit <file> <Key> <value> (saved as editors do: a new file renamed over) |
//                                 expect <box title> <left> <top> <width> (waits up to 3 s for it) |
//                                 tooltip <box title> (its first button's tooltip text, read wide) |
//                                 save <file> empty|garbage|kept (an unfinished or mistaken save, or the
//                                 contents it had at "keep <file>") | remove <file> |
//                                 gap <box title> <ms> (how long no box of that title showed meanwhile) |
//                                 lacks <file> <text> (the file does not hold the text) |
//                                 read <box title> (what a screen reader reads: the box's object and
//                                 its children, through the system's accessibility library) |
//                                 press <box title> <n> (the default action of its n-th child, as a reader does it) |
//                                 key tab|shift-tab (and escape, return as above)
//                                 (others, such as quit or revid, are skipped)
#include <windows.h>
#include <commctrl.h>
#include <oleacc.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "base/wide_text.h"
#include "shell/host/host.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb/stb_image.h>

namespace {

void Mouse(DWORD flags) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flags;
  SendInput(1, &input, sizeof input);
  Sleep(60);
}

struct BoxWindow {
  std::string title;
  HWND window;
};

BOOL CALLBACK Collect(HWND window, LPARAM found) {
  auto* boxes = reinterpret_cast<std::vector<BoxWindow>*>(found);
  char className[64] = {};
  GetClassNameA(window, className, sizeof className);
  if (std::string(className) == "KestoClass") {
    // The title in every script, printed as UTF-8.
    wchar_t title[256] = {};
    GetWindowTextW(window, title, 256);
    boxes->push_back({kesto::Utf8(title), window});
  }
  EnumChildWindows(window, Collect, found);
  return TRUE;
}

std::vector<BoxWindow> Boxes() {
  std::vector<BoxWindow> boxes;
  EnumWindows(Collect, reinterpret_cast<LPARAM>(&boxes));
  // A child window is met again while its parent's children are walked.
  std::sort(boxes.begin(), boxes.end(), [](const BoxWindow& a, const BoxWindow& b) { return a.title < b.title; });
  boxes.erase(std::unique(boxes.begin(), boxes.end(),
                          [](const BoxWindow& a, const BoxWindow& b) { return a.window == b.window; }),
              boxes.end());
  return boxes;
}

// Tooltips come up after a delay of their own: what they cover is left out.
BOOL CALLBACK CollectTooltip(HWND window, LPARAM found) {
  char className[64] = {};
  GetClassNameA(window, className, sizeof className);
  RECT r{};
  if (lstrcmpiA(className, "tooltips_class32") == 0 && IsWindowVisible(window) && GetWindowRect(window, &r))
    reinterpret_cast<std::vector<RECT>*>(found)->push_back(r);
  return TRUE;
}

// FNV-1a over the pixels the window shows, read from the screen.
std::uint32_t PixelSum(const standin::Screenshot& shot, const RECT& r, const std::vector<RECT>& covered) {
  std::uint32_t hash = 2166136261u;
  for (int y = std::max(0L, r.top); y < std::min<long>(r.bottom, shot.height); ++y)
    for (int x = std::max(0L, r.left); x < std::min<long>(r.right, shot.width); ++x) {
      POINT point{x, y};
      if (std::any_of(covered.begin(), covered.end(), [&](const RECT& c) { return PtInRect(&c, point); })) continue;
      hash ^= shot.pixels[static_cast<std::size_t>(y) * shot.width + x] & 0xFFFFFF;
      hash *= 16777619u;
    }
  return hash;
}

// One reading of every box: rectangle, visibility and the pixels it shows.
std::vector<std::string> ReadBoxes() {
  std::vector<RECT> tooltips;
  EnumWindows(CollectTooltip, reinterpret_cast<LPARAM>(&tooltips));
  standin::Screenshot shot = standin::CaptureScreen();
  std::vector<std::string> lines;
  for (const BoxWindow& box : Boxes()) {
    RECT r{};
    GetWindowRect(box.window, &r);
    bool visible = IsWindowVisible(box.window) != 0;
    char line[512];
    std::snprintf(line, sizeof line, "box %s %ld %ld %ld %ld visible=%d pixels=%08x", box.title.c_str(), r.left,
                  r.top, r.right, r.bottom, visible ? 1 : 0, visible ? PixelSum(shot, r, tooltips) : 0u);
    lines.emplace_back(line);
  }
  return lines;
}

// What the boxes show once they have settled: a hover noticed late or a
// repaint still on its way changes the screen, so the reading is taken again
// until three in a row agree (at most about 6 s), rather than after a fixed wait.
void ListWindows() {
  std::vector<std::string> seen = ReadBoxes();
  for (int agreeing = 1, tries = 0; agreeing < 3 && tries < 60; ++tries) {
    Sleep(100);
    std::vector<std::string> now = ReadBoxes();
    agreeing = now == seen ? agreeing + 1 : 1;
    seen = std::move(now);
  }
  for (const std::string& line : seen) std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

// A window of the driver's own, standing for the one the user is typing in.
HWND TypingWindow() {
  static HWND window = nullptr;
  if (!window) {
    window = CreateWindowExA(0, "EDIT", "typing", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 600, 500, 200, 80, nullptr,
                             nullptr, GetModuleHandleA(nullptr), nullptr);
  }
  return window;
}

void PumpOwn() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

HWND BoxTitled(const std::string& title) {
  for (const BoxWindow& box : Boxes())
    if (box.title == title) return box.window;
  return nullptr;
}

// A preview agrees with the screen where it is opaque: there the desktop
// must show exactly the preview's colour.
void ComparePreview(const std::string& path) {
  int width = 0, height = 0, channels = 0;
  unsigned char* preview = stbi_load(path.c_str(), &width, &height, &channels, 4);
  if (!preview) {
    std::printf("preview %s cannot be read\n", path.c_str());
    return;
  }
  std::vector<RECT> tooltips;
  EnumWindows(CollectTooltip, reinterpret_cast<LPARAM>(&tooltips));
  standin::Screenshot shot = standin::CaptureScreen();
  long opaque = 0, differ = 0;
  for (int y = 0; y < std::min(height, shot.height); ++y)
    for (int x = 0; x < std::min(width, shot.width); ++x) {
      const unsigned char* p = preview + (static_cast<std::size_t>(y) * width + x) * 4;
      if (p[3] != 255) continue;
      ++opaque;
      std::uint32_t shown = shot.pixels[static_cast<std::size_t>(y) * shot.width + x] & 0xFFFFFF;
      std::uint32_t expected = (static_cast<std::uint32_t>(p[0]) << 16) | (p[1] << 8) | p[2];
      if (shown != expected) ++differ;
    }
  stbi_image_free(preview);
  std::printf("preview: %ld opaque pixels, %ld differ from the screen\n", opaque, differ);
  std::fflush(stdout);
}

// Sets one key of a box file as an author's editor saves it: the whole file
// written anew beside it, then renamed over the old one. The key's first line
// takes the value; a key not there yet is added at the end.
void EditKey(const std::string& path, const std::string& key, const std::string& value) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  in.close();
  std::string out, line;
  bool done = false;
  std::istringstream lines(text.str());
  while (std::getline(lines, line)) {
    std::string first;
    std::istringstream(line) >> first;
    if (!done && lstrcmpiA(first.c_str(), key.c_str()) == 0) {
      line = key + " " + value + (line.empty() || line.back() != '\r' ? "" : "\r");
      done = true;
    }
    out += line + "\n";
  }
  if (!done) out += key + " " + value + "\r\n";
  const std::string temporary = path + ".new";
  std::ofstream(temporary, std::ios::binary) << out;
  const bool moved = MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
  std::printf("edit %s %s %s: %s\n", path.c_str(), key.c_str(), value.c_str(), moved ? "saved" : "not saved");
  std::fflush(stdout);
}

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Saves an editor leaves unfinished, or a mistake, written in place.
std::string KeptText;
void SaveAs(const std::string& path, const std::string& how) {
  std::string bytes;
  if (how == "garbage") bytes = std::string("\x7F" "ELF\2\1\1\0\0\0\x1b[2J garbage", 22);
  if (how == "kept") bytes = KeptText;
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
  std::printf("save %s %s\n", path.c_str(), how.c_str());
  std::fflush(stdout);
}

// Watches for a while whether a visible box of this title stands at every moment.
void WatchForGap(const std::string& title, int milliseconds) {
  const DWORD start = GetTickCount();
  int missing = 0;
  while (GetTickCount() - start < static_cast<DWORD>(milliseconds)) {
    HWND box = nullptr;
    for (const BoxWindow& each : Boxes())
      if (each.title == title && IsWindowVisible(each.window)) box = each.window;
    if (!box) ++missing;
    Sleep(1);
  }
  std::printf("expect no gap of %s: %s\n", title.c_str(),
              missing == 0 ? "yes" : ("no (missing at " + std::to_string(missing) + " looks)").c_str());
  std::fflush(stdout);
}

void ExpectBox(const std::string& title, long left, long top, long width) {
  RECT r{};
  for (int tries = 0; tries < 30; ++tries) {
    HWND box = BoxTitled(title);
    if (box && GetWindowRect(box, &r) && r.left == left && r.top == top && r.right - r.left == width) break;
    Sleep(100);
  }
  const bool there = r.left == left && r.top == top && r.right - r.left == width;
  std::printf("expect %s at %ld %ld width %ld: %s\n", title.c_str(), left, top, width,
              there ? "yes" : ("no (" + std::to_string(r.left) + " " + std::to_string(r.top) + " width " +
                               std::to_string(r.right - r.left) + ")").c_str());
  std::fflush(stdout);
}

// The tooltip text of a box's first button, read with the wide message
// (TTM_GETTEXTW) from the shell's own tooltip control: the tool description
// and its text buffer live in the shell's process, as the control needs.
void PrintTooltip(const std::string& title) {
  HWND box = BoxTitled(title);
  HWND button = box ? GetWindow(box, GW_CHILD) : nullptr;
  DWORD process = 0;
  if (box) GetWindowThreadProcessId(box, &process);
  HWND tooltip = nullptr;
  for (HWND w = FindWindowExW(nullptr, nullptr, L"tooltips_class32", nullptr); w && !tooltip;
       w = FindWindowExW(nullptr, w, L"tooltips_class32", nullptr)) {
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    if (owner == process) tooltip = w;
  }
  HANDLE shell = process ? OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, process) : nullptr;
  std::string text = "none found";
  if (button && tooltip && shell) {
    constexpr SIZE_T kChars = 256;
    constexpr SIZE_T kTextAt = 128;  // past the tool description on either architecture
    static_assert(sizeof(TOOLINFOW) <= kTextAt, "the text follows the description");
    auto* remote = static_cast<unsigned char*>(
        VirtualAllocEx(shell, nullptr, kTextAt + kChars * sizeof(wchar_t), MEM_COMMIT, PAGE_READWRITE));
    TOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V1_SIZE;
    tool.hwnd = button;
    tool.lpszText = reinterpret_cast<wchar_t*>(remote + kTextAt);
    WriteProcessMemory(shell, remote, &tool, sizeof tool, nullptr);
    DWORD_PTR result = 0;
    SendMessageTimeoutW(tooltip, TTM_GETTEXTW, kChars, reinterpret_cast<LPARAM>(remote), SMTO_NORMAL, 5000, &result);
    wchar_t wide[kChars] = {};
    ReadProcessMemory(shell, remote + kTextAt, wide, sizeof wide, nullptr);
    wide[kChars - 1] = L'\0';
    text = "'" + kesto::Utf8(wide) + "'";
    VirtualFreeEx(shell, remote, 0, MEM_RELEASE);
  }
  if (shell) CloseHandle(shell);
  std::printf("tooltip of %s: %s\n", title.c_str(), text.c_str());
  std::fflush(stdout);
}

std::string AccessibleText(IAccessible* object, VARIANT child, bool description) {
  BSTR text = nullptr;
  const HRESULT result = description ? object->get_accDefaultAction(child, &text) : object->get_accName(child, &text);
  std::string utf8 = result == S_OK && text ? kesto::Utf8(std::wstring(text, SysStringLen(text))) : "";
  SysFreeString(text);
  return utf8;
}

long AccessibleNumber(IAccessible* object, VARIANT child, bool role) {
  VARIANT value;
  VariantInit(&value);
  const HRESULT result = role ? object->get_accRole(child, &value) : object->get_accState(child, &value);
  return result == S_OK && value.vt == VT_I4 ? value.lVal : -1;
}

void PrintAccessible(const char* indent, IAccessible* object, VARIANT child) {
  long left = 0, top = 0, width = 0, height = 0;
  object->accLocation(&left, &top, &width, &height, child);
  const long state = AccessibleNumber(object, child, false);
  std::printf("%s'%s' role %ld%s at %ld %ld %ldx%ld action '%s'\n", indent, AccessibleText(object, child, false).c_str(),
              AccessibleNumber(object, child, true), state >= 0 && (state & STATE_SYSTEM_INVISIBLE) ? " hidden" : "",
              left, top, width, height, AccessibleText(object, child, true).c_str());
}

VARIANT Self() {
  VARIANT self;
  VariantInit(&self);
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  return self;
}

// The object a screen reader gets for a box's window; none (and why) when it gets none.
IAccessible* BoxObject(const std::string& title, HRESULT& found) {
  HWND box = BoxTitled(title);
  IAccessible* object = nullptr;
  found = box ? AccessibleObjectFromWindow(box, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                           reinterpret_cast<void**>(&object))
              : E_INVALIDARG;
  if (FAILED(found)) object = nullptr;
  return object;
}

// Each child the object gives, in its order (1, 2, ...), as the object to ask
// and the child to ask it about: a child of its own, or one the parent answers for.
template <typename Visit>
void ForEachChild(IAccessible* object, Visit visit) {
  long count = 0;
  object->get_accChildCount(&count);
  std::vector<VARIANT> children(static_cast<std::size_t>(std::max(count, 0L)));
  long got = 0;
  if (count > 0) AccessibleChildren(object, 0, count, children.data(), &got);
  for (long i = 0; i < got; ++i) {
    VARIANT& child = children[static_cast<std::size_t>(i)];
    IAccessible* own = nullptr;
    if (child.vt == VT_DISPATCH && child.pdispVal &&
        SUCCEEDED(child.pdispVal->QueryInterface(__uuidof(IAccessible), reinterpret_cast<void**>(&own)))) {
      visit(i + 1, own, Self());
      own->Release();
    } else if (child.vt == VT_I4) {
      visit(i + 1, object, child);
    }
    VariantClear(&child);
  }
}

// A box as a screen reader reads it: its object, then each child the object
// gives, in the order it gives them.
void PrintReading(const std::string& title) {
  HRESULT found = S_OK;
  IAccessible* object = BoxObject(title, found);
  if (!object) {
    std::printf("read %s: nothing to read (%08lx)\n", title.c_str(), static_cast<unsigned long>(found));
    std::fflush(stdout);
    return;
  }
  std::printf("read %s: ", title.c_str());
  PrintAccessible("", object, Self());
  ForEachChild(object, [](long, IAccessible* holder, VARIANT child) { PrintAccessible("  ", holder, child); });
  object->Release();
  std::fflush(stdout);
}

// A screen reader's "press": the default action of a box's n-th child.
void PressChild(const std::string& title, long n) {
  HRESULT found = S_OK;
  IAccessible* object = BoxObject(title, found);
  std::string outcome = "nothing to press";
  if (object) {
    ForEachChild(object, [&](long index, IAccessible* holder, VARIANT child) {
      if (index == n) outcome = SUCCEEDED(holder->accDoDefaultAction(child)) ? "pressed" : "refused";
    });
    object->Release();
  }
  std::printf("press %s %ld: %s\n", title.c_str(), n, outcome.c_str());
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: kesto-drive script.txt\n");
    return 2;
  }
  std::ifstream script(argv[1]);
  if (!script) {
    std::fprintf(stderr, "kesto-drive: cannot read %s\n", argv[1]);
    return 2;
  }
  CoInitialize(nullptr);  // the accessibility library's objects are COM's
  std::string line;
  while (std::getline(script, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::istringstream words(line);
    std::string verb;
    words >> verb;
    int x = 0, y = 0;
    if (verb == "pump") {
      words >> x;
      Sleep(static_cast<DWORD>(x));
    } else if (verb == "bang") {
      std::string rest;
      std::getline(words >> std::ws, rest);
      if (!standin::HandOverBang(rest)) {
        std::fprintf(stderr, "kesto-drive: no shell took %s\n", rest.c_str());
        return 1;
      }
      Sleep(100);
    } else if (verb == "move" || verb == "click") {
      words >> x >> y;
      SetCursorPos(x, y);
      Sleep(150);
      if (verb == "click") {
        Mouse(MOUSEEVENTF_LEFTDOWN);
        Mouse(MOUSEEVENTF_LEFTUP);
      }
    } else if (verb == "down" || verb == "up") {
      Mouse(verb == "down" ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP);
    } else if (verb == "windows") {
      ListWindows();
    } else if (verb == "await-boxes") {
      words >> x;
      for (int i = 0; i < 300 && static_cast<int>(Boxes().size()) < x; ++i) Sleep(100);
      if (static_cast<int>(Boxes().size()) < x) {
        std::fprintf(stderr, "kesto-drive: fewer than %d boxes appeared\n", x);
        return 1;
      }
    } else if (verb == "compare-preview") {
      std::string path;
      words >> path;
      ComparePreview(path);
    } else if (verb == "shell") {
      std::printf("shell %s\n", FindWindowA("TApplication", "LiteStep") ? "running" : "gone");
      std::fflush(stdout);
    } else if (verb == "sysmove") {
      // A system move asked of a box from outside, as a window manager or a
      // tool may: where a window accepts it, its procedure runs a modal loop.
      std::string title;
      words >> title;
      HWND box = BoxTitled(title);
      std::printf("sysmove %s %s\n", title.c_str(), box ? "sent" : "no such box");
      std::fflush(stdout);
      if (box) SendNotifyMessageA(box, WM_SYSCOMMAND, SC_MOVE, 0);
      Sleep(200);
    } else if (verb == "key") {
      std::string name;
      words >> name;
      const WORD key = name == "escape" ? VK_ESCAPE : name == "return" ? VK_RETURN
                       : name == "tab" || name == "shift-tab" ? VK_TAB : 0;
      const bool shift = name == "shift-tab";
      INPUT input[4]{};
      for (INPUT& one : input) one.type = INPUT_KEYBOARD;
      input[0].ki.wVk = input[3].ki.wVk = VK_SHIFT;
      input[3].ki.dwFlags = input[2].ki.dwFlags = KEYEVENTF_KEYUP;
      input[1].ki.wVk = input[2].ki.wVk = key;
      if (key) SendInput(shift ? 4 : 2, shift ? input : input + 1, sizeof *input);
      Sleep(100);
    } else if (verb == "typing") {
      HWND typing = TypingWindow();
      SetForegroundWindow(typing);
      SetFocus(typing);
      PumpOwn();
      Sleep(200);
      PumpOwn();
    } else if (verb == "foreground") {
      PumpOwn();
      HWND foreground = GetForegroundWindow();
      char className[64] = {};
      GetClassNameA(foreground, className, sizeof className);
      std::printf("foreground %s\n", foreground == TypingWindow() ? "kept" : ("lost to " + std::string(className)).c_str());
      std::fflush(stdout);
    } else if (verb == "edit") {
      std::string path, key, value;
      words >> path >> key;
      std::getline(words >> std::ws, value);
      EditKey(path, key, value);
    } else if (verb == "keep") {
      std::string path;
      words >> path;
      KeptText = FileText(path);
    } else if (verb == "save") {
      std::string path, how;
      words >> path >> how;
      SaveAs(path, how);
    } else if (verb == "remove") {
      std::string path;
      words >> path;
      std::printf("remove %s: %s\n", path.c_str(), DeleteFileA(path.c_str()) ? "removed" : "not removed");
      std::fflush(stdout);
    } else if (verb == "gap") {
      std::string title;
      int milliseconds = 0;
      words >> title >> milliseconds;
      WatchForGap(title, milliseconds);
    } else if (verb == "lacks") {
      std::string path, text;
      words >> path;
      std::getline(words >> std::ws, text);
      std::printf("expect %s without '%s': %s\n", path.c_str(), text.c_str(),
                  FileText(path).find(text) == std::string::npos ? "yes" : "no");
      std::fflush(stdout);
    } else if (verb == "expect") {
      std::string title;
      long left = 0, top = 0, width = 0;
      words >> title >> left >> top >> width;
      ExpectBox(title, left, top, width);
    } else if (verb == "tooltip") {
      std::string title;
      std::getline(words >> std::ws, title);
      PrintTooltip(title);
    } else if (verb == "press") {
      std::string title;
      long n = 0;
      words >> title >> n;
      PressChild(title, n);
    } else if (verb == "read") {
      std::string title;
      std::getline(words >> std::ws, title);
      PrintReading(title);
    } else if (verb == "screenshot") {
      std::string path;
      words >> path;
      standin::SaveScreenshot(standin::CaptureScreen(), path);
    }
  }
  return 0;
}
