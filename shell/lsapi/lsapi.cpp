// The stand-in for the shell's API library: configuration, variables, images,
// regions, command execution and bang commands, as Kesto expects them.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/wide_text.h"
#include "boxfile/safe_save.h"
#include "boxfile/text_helpers.h"
#include "base/shell_api.h"
#include "shell/lsapi/images.h"
#include "shell/lsapi/modules.h"
#include "shell/dib.h"
#include "shell/standin.h"
#include "shell/variables.h"

namespace {

constexpr std::size_t kExpansionLimit = 4096;

using WideBangHandler = StandInWideBangHandler;

// A bang command as registered: through the ANSI or the wide function.
struct Bang {
  std::string name;
  BangCommandHandler ansi = nullptr;
  WideBangHandler wide = nullptr;
};

struct ShellState {
  std::string configPath;
  std::vector<std::string> configLines;
  std::map<std::string, std::string> variables;  // upper-cased names
  std::string imageFolder;
  std::vector<std::string> log;
  std::map<std::string, int> counters;
  std::vector<Bang> bangs;
};

ShellState& State() {
  static ShellState state;
  return state;
}

struct ConfigReader {
  std::vector<std::string> lines;
  std::size_t next = 0;
};

// The configuration is UTF-8, as the real shell parses it (a mark at its
// start is no part of the first line); text inside is UTF-8 throughout.
std::vector<std::string> ReadLines(const std::string& path) {
  std::vector<std::string> lines;
  std::string bytes;
  if (!kesto::ReadFileBytes(path, bytes)) return lines;
  if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);
  std::istringstream in(bytes);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::string In(const char* ansi) { return kesto::AnsiToUtf8(ansi ? ansi : ""); }
std::string In(const wchar_t* wide) { return kesto::Utf8(wide); }

// A caller's buffer size as a count; none when it is not positive.
std::size_t Capacity(int size) { return size > 0 ? static_cast<std::size_t>(size) : 0; }

// Out to an ANSI caller: through the ANSI code page, '?' for what it lacks.
void CopyOutAnsi(const std::string& text, char* buffer, std::size_t size);
void CopyOutWide(const std::string& text, wchar_t* buffer, std::size_t size) {
  if (!buffer || size == 0) return;
  const std::wstring wide = kesto::Wide(text);
  const std::size_t n = std::min<std::size_t>(wide.size(), size - 1);
  std::copy(wide.begin(), wide.begin() + static_cast<std::ptrdiff_t>(n), buffer);
  buffer[n] = L'\0';
}

void CopyOut(const std::string& text, char* buffer, std::size_t size) {
  if (!buffer || size == 0) return;
  std::size_t n = std::min<std::size_t>(text.size(), size - 1);
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
}

void CopyOutAnsi(const std::string& text, char* buffer, std::size_t size) { CopyOut(kesto::Utf8ToAnsi(text), buffer, size); }

void Count(const char* name) { ++State().counters[name]; }


// The shell reports an expression it cannot evaluate in a modal message box,
// inside the expansion that met it.
void ReportExpressionError(const std::string& expression, const std::string& description) {
  std::string text = "Error in Expression:\n  " + expression + "\n\nDescription:\n  " + description;
  MessageBoxA(nullptr, text.c_str(), "LiteStep", MB_OK | MB_ICONERROR);
}

std::string Expand(const std::string& text) {
  return standin::ExpandVariables(text, State().variables, kExpansionLimit - 1, ReportExpressionError);
}

// The shell's own folder, with its trailing backslash, as $LiteStepDir$.
std::string ShellFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string text(path);
  return text.substr(0, text.rfind('\\') + 1);
}

// "key value" with the value's comment removed and its variables expanded,
// as the real shell hands out a configuration line.
std::string ConfigLine(const std::string& line) {
  standin::ConfigSetting setting = standin::SplitConfigLine(line);
  return setting.Value.empty() ? setting.Key : setting.Key + " " + Expand(setting.Value);
}

std::string NextConfigLine(void* file, const std::string& key, bool& found) {
  auto* reader = static_cast<ConfigReader*>(file);
  found = false;
  if (!reader) return {};
  std::string wanted = kesto::UpperText(key);
  while (reader->next < reader->lines.size()) {
    const std::string& line = reader->lines[reader->next++];
    if (kesto::UpperText(kesto::GetToken(line, 1)) == wanted) {
      found = true;
      return ConfigLine(line);
    }
  }
  return {};
}

// As the real shell: the setting's first token, expanded; none when unset.
bool Setting(const std::string& key, std::string& value) {
  auto found = State().variables.find(kesto::UpperText(key));
  if (found == State().variables.end()) return false;
  value = Expand(standin::ShellFirstToken(found->second));
  return true;
}


int Execute(const std::string& given) {
  State().log.push_back("exec:" + given);
  // The shell expands the command before it runs it.
  std::string text = Expand(given);
  std::string name = kesto::UpperText(kesto::GetToken(text, 1));
  if (name.empty() || name[0] != '!' || name == "!NONE") return 0;
  std::size_t start = text.find_first_not_of(" \t");
  std::size_t args = text.find_first_not_of(" \t", start + kesto::GetToken(text, 1).size());
  std::string rest = args == std::string::npos ? "" : text.substr(args);
  for (const Bang& entry : State().bangs) {
    if (kesto::UpperText(entry.name) != name) continue;
    const Bang bang = entry;  // the table may change while it runs
    // The handler gets the text after the command name, expanded once more,
    // in the form it was registered with.
    std::string expanded = Expand(rest);
    if (bang.wide) {
      bang.wide(nullptr, kesto::Wide(expanded).c_str());
    } else {
      bang.ansi(nullptr, kesto::Utf8ToAnsi(expanded).c_str());
    }
    return 1;
  }
  return standin::RunModuleCommand(name, rest) ? 1 : 0;
}

bool AddBang(const std::string& name, BangCommandHandler ansi, WideBangHandler wide) {
  State().log.push_back("bang+:" + name);
  State().bangs.push_back({name, ansi, wide});
  return true;
}

bool RemoveBang(const std::string& name) {
  State().log.push_back("bang-:" + name);
  auto& bangs = State().bangs;
  auto it = std::find_if(bangs.begin(), bangs.end(),
                         [&](const Bang& b) { return kesto::UpperText(b.name) == kesto::UpperText(name); });
  if (it == bangs.end()) return false;
  bangs.erase(it);
  return true;
}


}  // namespace

extern "C" {

BOOL StandInLoadConfig(const char* path) {
  ShellState& s = State();
  s.configPath = path ? path : "";
  s.configLines = ReadLines(s.configPath);
  s.variables.clear();
  s.imageFolder.clear();
  s.variables["LITESTEPDIR"] = ShellFolder();
  for (const std::string& line : s.configLines) {
    standin::ConfigSetting setting = standin::SplitConfigLine(line);
    if (setting.Key.empty() || setting.Key[0] == ';' || setting.Key[0] == '*') continue;
    // The first definition of a name is the one that counts.
    s.variables.emplace(kesto::UpperText(setting.Key), setting.Value);
  }
  // The image folder: LSImageFolder, or the images folder beside the shell.
  auto folder = s.variables.find("LSIMAGEFOLDER");
  s.imageFolder = folder != s.variables.end() ? Expand(standin::ShellFirstToken(folder->second))
                                              : ShellFolder() + "images\\";
  return !s.configLines.empty();
}

BOOL StandInReloadConfig(void) {
  std::string path = State().configPath;
  return StandInLoadConfig(path.c_str());
}

void StandInLog(const char* entry) { State().log.push_back(entry ? entry : "(null)"); }
int StandInLogCount(void) { return static_cast<int>(State().log.size()); }
int StandInLogEntry(int index, char* buffer, int size) {
  if (index < 0 || index >= StandInLogCount()) return 0;
  CopyOut(State().log[static_cast<std::size_t>(index)], buffer, Capacity(size));
  return 1;
}
void StandInLogClear(void) { State().log.clear(); }
int StandInCounter(const char* name) { return State().counters[name]; }
int StandInBangCount(void) { return static_cast<int>(State().bangs.size()); }

void* LCOpen(const char* path) {
  Count("LCOpen");
  auto reader = std::make_unique<ConfigReader>();
  reader->lines = path ? ReadLines(In(path)) : State().configLines;
  return reader.release();
}

void* LCOpenW(const wchar_t* path) {
  Count("LCOpen");
  auto reader = std::make_unique<ConfigReader>();
  reader->lines = path ? ReadLines(In(path)) : State().configLines;
  return reader.release();
}

BOOL LCReadNextConfig(void* file, const char* key, char* buffer, std::size_t size) {
  if (!key) return FALSE;
  bool found = false;
  std::string line = NextConfigLine(file, key, found);
  if (found) CopyOutAnsi(line, buffer, size);
  return found ? TRUE : FALSE;
}

BOOL LCReadNextConfigW(void* file, const wchar_t* key, wchar_t* buffer, std::size_t size) {
  if (!key) return FALSE;
  bool found = false;
  std::string line = NextConfigLine(file, In(key), found);
  if (found) CopyOutWide(line, buffer, size);
  return found ? TRUE : FALSE;
}

BOOL LCClose(void* file) {
  Count("LCClose");
  delete static_cast<ConfigReader*>(file);
  return TRUE;
}

void VarExpansion(char* expanded, const char* text) {
  Count("VarExpansion");
  // The result and its terminating zero fit the shell's buffer.
  CopyOutAnsi(Expand(In(text)), expanded, kExpansionLimit);
}

void VarExpansionExW(wchar_t* expanded, const wchar_t* text, std::size_t size) {
  Count("VarExpansion");
  CopyOutWide(Expand(In(text)), expanded, size);
}

// The fallback when the key is not set.
BOOL GetRCString(const char* key, char* value, const char* fallback, int size) {
  std::string found;
  if (!Setting(In(key), found)) {
    if (fallback && value) CopyOut(fallback, value, Capacity(size));
    return FALSE;
  }
  if (value) CopyOutAnsi(found, value, Capacity(size));
  return TRUE;
}

BOOL GetRCStringW(const wchar_t* key, wchar_t* value, const wchar_t* fallback, UINT size) {
  std::string found;
  if (!Setting(In(key), found)) {
    if (fallback && value) CopyOutWide(In(fallback), value, size);
    return FALSE;
  }
  if (value) CopyOutWide(found, value, size);
  return TRUE;
}

HBITMAP LoadLSImage(const char* file, const char* /*image*/) {
  Count("LoadLSImage");
  return standin::LoadShellImage(In(file), State().imageFolder, Expand);
}

HBITMAP LoadLSImageW(const wchar_t* file, void* /*image*/) {
  Count("LoadLSImage");
  return standin::LoadShellImage(In(file), State().imageFolder, Expand);
}

void GetLSBitmapSize(HBITMAP bitmap, int* width, int* height) {
  BITMAP info{};
  if (!bitmap || !GetObjectA(bitmap, sizeof info, &info)) info = BITMAP{};
  if (width) *width = info.bmWidth;
  if (height) *height = info.bmHeight;
}

HRGN BitmapToRegion(HBITMAP bitmap, COLORREF key, COLORREF tolerance, int xoffset, int yoffset) {
  Count("BitmapToRegion");
  int width = 0, height = 0;
  GetLSBitmapSize(bitmap, &width, &height);
  if (width <= 0 || height <= 0) return nullptr;

  BITMAPINFO info = standin::TopDown32BitInfo(width, height);
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  HDC screen = GetDC(nullptr);
  GetDIBits(screen, bitmap, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);

  auto isKey = [&](std::uint32_t pixel) {  // pixel is 0x00RRGGBB, key 0x00BBGGRR
    int channels[3][2] = {{static_cast<int>((pixel >> 16) & 255), static_cast<int>(GetRValue(key))},
                          {static_cast<int>((pixel >> 8) & 255), static_cast<int>(GetGValue(key))},
                          {static_cast<int>(pixel & 255), static_cast<int>(GetBValue(key))}};
    int limits[3] = {GetRValue(tolerance), GetGValue(tolerance), GetBValue(tolerance)};
    for (int c = 0; c < 3; ++c)
      if (std::abs(channels[c][0] - channels[c][1]) > limits[c]) return false;
    return true;
  };

  std::vector<RECT> rects;
  for (int y = 0; y < height; ++y) {
    int x = 0;
    while (x < width) {
      while (x < width && isKey(pixels[static_cast<std::size_t>(y) * width + x])) ++x;
      int start = x;
      while (x < width && !isKey(pixels[static_cast<std::size_t>(y) * width + x])) ++x;
      if (x > start) rects.push_back({start + xoffset, y + yoffset, x + xoffset, y + 1 + yoffset});
    }
  }
  std::vector<char> data(sizeof(RGNDATAHEADER) + rects.size() * sizeof(RECT));
  auto* header = reinterpret_cast<RGNDATA*>(data.data());
  header->rdh.dwSize = sizeof(RGNDATAHEADER);
  header->rdh.iType = RDH_RECTANGLES;
  header->rdh.nCount = static_cast<DWORD>(rects.size());
  header->rdh.rcBound = {xoffset, yoffset, width + xoffset, height + yoffset};
  std::memcpy(header->Buffer, rects.data(), rects.size() * sizeof(RECT));
  return ExtCreateRegion(nullptr, static_cast<DWORD>(data.size()), header);
}

HINSTANCE LSExecute(HWND, const char* command, int) {
  return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(Execute(In(command))));
}
HINSTANCE LSExecuteW(HWND, const wchar_t* command, int) {
  return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(Execute(In(command))));
}


HWND GetLitestepWnd(void) { return FindWindowA(kesto::kShellMainClass, kesto::kShellMainTitle); }

BOOL AddBangCommand(const char* name, BangCommandHandler handler) {
  if (!name || !handler) return FALSE;
  return AddBang(In(name), handler, nullptr) ? TRUE : FALSE;
}

BOOL AddBangCommandW(const wchar_t* name, WideBangHandler handler) {
  if (!name || !handler) return FALSE;
  return AddBang(In(name), nullptr, handler) ? TRUE : FALSE;
}

BOOL RemoveBangCommand(const char* name) { return name && RemoveBang(In(name)) ? TRUE : FALSE; }
BOOL RemoveBangCommandW(const wchar_t* name) { return name && RemoveBang(In(name)) ? TRUE : FALSE; }

// As the real shell: "MM-DD-YYYY hh:mm:ss - Level - Module: message" appended
// to LSLogFile for a level up to LSLogLevel (2 unless set). Tests also find
// each line in the stand-in's event log as "lslog:<level>:<message>".
BOOL WINAPI LSLog(int level, const char* module, const char* message) {
  std::string text = message ? message : "";
  State().log.push_back("lslog:" + std::to_string(level) + ":" + text);
  auto setting = [](const char* name) {
    auto found = State().variables.find(name);
    return found == State().variables.end() ? std::string() : Expand(standin::ShellFirstToken(found->second));
  };
  std::string file = setting("LSLOGFILE");
  std::string limit = setting("LSLOGLEVEL");
  if (file.empty() || level > (limit.empty() ? 2 : std::atoi(limit.c_str()))) return TRUE;
  static const char* const kLevels[] = {"", "Error", "Warning", "Notice", "Debug"};
  SYSTEMTIME now;
  GetLocalTime(&now);
  char stamp[64];
  std::snprintf(stamp, sizeof stamp, "%02d-%02d-%04d %02d:%02d:%02d", now.wMonth, now.wDay, now.wYear, now.wHour,
                now.wMinute, now.wSecond);
  std::ofstream out(file, std::ios::binary | std::ios::app);
  out << stamp << " - " << (level >= 1 && level <= 4 ? kLevels[level] : "Debug") << " - "
      << (module ? module : "") << ": " << text << "\r\n";
  return TRUE;
}

}  // extern "C"
