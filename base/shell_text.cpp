#include "base/shell_text.h"

#include <cwchar>

#include "base/shell_api.h"
#include "base/shell_log.h"
#include "base/wide_text.h"
#include "boxfile/text_encoding.h"

namespace kesto {
namespace {

using LCReadNextConfigWFn = BOOL (*)(void*, const wchar_t*, wchar_t*, std::size_t);
using VarExpansionExWFn = void (*)(wchar_t*, const wchar_t*, std::size_t);
using LSExecuteWFn = HINSTANCE (*)(HWND, const wchar_t*, int);
using LoadLSImageWFn = HBITMAP (*)(const wchar_t*, void*);
using GetRCStringWFn = BOOL (*)(const wchar_t*, wchar_t*, const wchar_t*, UINT);
using GetRCStringFn = BOOL (*)(const char*, char*, const char*, int);
using AddBangCommandWFn = BOOL (*)(const wchar_t*, WideBangHandler);
using RemoveBangCommandWFn = BOOL (*)(const wchar_t*);

// The wide forms of the shell's library, found at the start of a run.
struct TShellText {
  LCReadNextConfigWFn ReadNextConfig = nullptr;
  VarExpansionExWFn Expand = nullptr;
  LSExecuteWFn Execute = nullptr;
  LoadLSImageWFn LoadImage = nullptr;
  GetRCStringWFn Setting = nullptr;
  AddBangCommandWFn AddBang = nullptr;
  RemoveBangCommandWFn RemoveBang = nullptr;
  GetRCStringFn AnsiSetting = nullptr;  // not in every older shell either
};
TShellText Shell;
bool AnsiOnly = false;

template <class Fn>
Fn Find(HMODULE library, const char* name) {
  return library ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(library, name))) : nullptr;
}

constexpr UINT kBuffer = static_cast<UINT>(kShellTextSize);
constexpr std::size_t kLongest = kBuffer - 1;  // characters, before the terminating zero

// A text the shell wrote into a full buffer may end in the first half of a
// pair whose second half did not fit: that half goes, never the character
// before it. True when the buffer was full (the text was, or may have been, cut).
bool EndWhole(wchar_t* buffer) {
  std::size_t length = std::wcslen(buffer);
  if (length < kLongest) return false;
  buffer[Utf16FitLength(buffer, length + 1, length)] = L'\0';
  return true;
}

void NoteCut(const std::string& text) {
  const std::string start = text.substr(0, Utf8FitLength(text, 60));
  ShellLog(kLogWarning, "a value was cut at the shell's limit of " + std::to_string(kLongest) + " characters: '" +
                            start + "...'");
}

// The ANSI text clipped to the buffer, never between the bytes of a
// double-byte character.
std::string ClipAnsi(const std::string& ansi) {
  std::size_t fit = 0;
  while (fit < ansi.size()) {
    const std::size_t step = IsDBCSLeadByte(static_cast<BYTE>(ansi[fit])) ? 2 : 1;
    if (fit + step > kLongest) break;
    fit += step;
  }
  return ansi.substr(0, fit);
}

// A bang's name (Kesto's own, ASCII) in the wide form, made without
// allocating: the bangs are removed at the end of a run, however short of
// memory it is.
struct WideName {
  wchar_t Text[64] = {};
  explicit WideName(const char* name) {
    for (std::size_t i = 0; name[i] && i + 1 < 64; ++i) Text[i] = static_cast<unsigned char>(name[i]);
  }
};

}  // namespace

void UseAnsiShellOnly(bool ansiOnly) { AnsiOnly = ansiOnly; }

void FindShellTextFunctions() {
  Shell = TShellText{};
  HMODULE library = GetModuleHandleA("lsapi.dll");
  Shell.AnsiSetting = Find<GetRCStringFn>(library, "GetRCString");
  if (AnsiOnly) return;
  Shell.ReadNextConfig = Find<LCReadNextConfigWFn>(library, "LCReadNextConfigW");
  Shell.Expand = Find<VarExpansionExWFn>(library, "VarExpansionExW");
  Shell.Execute = Find<LSExecuteWFn>(library, "LSExecuteW");
  Shell.LoadImage = Find<LoadLSImageWFn>(library, "LoadLSImageW");
  Shell.Setting = Find<GetRCStringWFn>(library, "GetRCStringW");
  Shell.AddBang = Find<AddBangCommandWFn>(library, "AddBangCommandW");
  Shell.RemoveBang = Find<RemoveBangCommandWFn>(library, "RemoveBangCommandW");
}

bool ShellIsWide() { return Shell.AddBang != nullptr; }

std::string ShellExpand(const std::string& text) {
  if (Shell.Expand) {
    // The source is clipped to the buffer too, so no expansion can be asked
    // to hold more than it.
    // The shell's buffer is on the stack: every value a box reads comes here.
    std::wstring source = Wide(text);
    const bool sourceCut = source.size() > kLongest;
    source.resize(Utf16FitLength(source.data(), source.size(), kLongest));
    wchar_t expanded[kBuffer];
    expanded[0] = L'\0';
    Shell.Expand(expanded, source.c_str(), kBuffer);
    expanded[kBuffer - 1] = L'\0';
    if (EndWhole(expanded) || sourceCut) NoteCut(text);
    return Utf8(expanded);
  }
  // An older shell expands only in the ANSI code page: text beyond it with
  // nothing to expand is kept as it is rather than turned into '?'.
  bool ascii = true;
  for (unsigned char c : text) ascii = ascii && c < 0x80;
  if (!ascii && text.find('$') == std::string::npos) {
    if (text.size() > kLongest) NoteCut(text);
    return text.substr(0, Utf8FitLength(text, kLongest));
  }
  char expanded[kBuffer];
  expanded[0] = '\0';
  std::string source = ClipAnsi(Utf8ToAnsi(text));
  VarExpansion(expanded, source.c_str());
  expanded[kBuffer - 1] = '\0';
  return AnsiToUtf8(expanded);
}

bool ReadConfigLine(void* config, const char* key, std::string& line) {
  if (Shell.ReadNextConfig) {
    wchar_t buffer[kBuffer] = {};
    if (!Shell.ReadNextConfig(config, Wide(key).c_str(), buffer, kBuffer)) return false;
    buffer[kBuffer - 1] = L'\0';
    const bool cut = EndWhole(buffer);
    line = Utf8(buffer);
    if (cut) NoteCut(line);
    return true;
  }
  char buffer[kBuffer] = {};
  if (!LCReadNextConfig(config, key, buffer, kBuffer)) return false;
  buffer[kBuffer - 1] = '\0';
  line = AnsiToUtf8(buffer);
  return true;
}

void RunShellCommand(HWND owner, const std::string& command) {
  if (Shell.Execute) {
    Shell.Execute(owner, command.empty() ? nullptr : Wide(command).c_str(), 0);
    return;
  }
  const std::string ansi = Utf8ToAnsi(command);
  LSExecute(owner, ansi.empty() ? nullptr : ansi.c_str(), 0);
}

HBITMAP LoadShellImage(const std::string& name) {
  if (Shell.LoadImage) return Shell.LoadImage(Wide(name).c_str(), nullptr);
  return LoadLSImage(Utf8ToAnsi(name).c_str(), nullptr);
}

bool ShellSetting(const char* key, std::string& value) {
  if (Shell.Setting) {
    wchar_t buffer[MAX_PATH * 2] = {};
    if (!Shell.Setting(Wide(key).c_str(), buffer, nullptr, MAX_PATH * 2) || !buffer[0]) return false;
    value = Utf8(buffer);
    return true;
  }
  char buffer[MAX_PATH * 2] = {};
  if (!Shell.AnsiSetting || !Shell.AnsiSetting(key, buffer, nullptr, MAX_PATH * 2) || !buffer[0]) return false;
  value = AnsiToUtf8(buffer);
  return true;
}

bool AddShellBang(const char* name, AnsiBangHandler ansi, WideBangHandler wide) {
  if (Shell.AddBang) return Shell.AddBang(WideName(name).Text, wide) != FALSE;
  return AddBangCommand(name, ansi) != FALSE;
}

bool RemoveShellBang(const char* name) {
  if (Shell.RemoveBang) return Shell.RemoveBang(WideName(name).Text) != FALSE;
  return RemoveBangCommand(name) != FALSE;
}

}  // namespace kesto
