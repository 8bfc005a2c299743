// Text in every script: box files in UTF-8 or UTF-16, names, titles,
// tooltips, bang arguments, commands and paths beyond the ANSI code page.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <fstream>
#include <utility>

#include "base/shell_text.h"
#include "base/wide_text.h"
#include "boxfile/text_encoding.h"
#include "content/tooltip.h"
#include "shell/standin.h"
#include "tests/win/fixture.h"

namespace kestotest {
namespace {

// In UTF-8, as every string inside Kesto and these tests.
const std::string kName = "Gr\xC3\xBC\xC3\x9F" "e \xE4\xBD\xA0\xE5\xA5\xBD";  // Grüße 你好
const std::string kNameLower = "gr\xC3\xBC\xC3\x9F" "e";                    // grüße
const std::string kHello = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82";  // Привет
const std::string kUber = "\xC3\x9C" "ber";                                     // Über

std::wstring W(const std::string& utf8) {
  std::wstring wide(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0)), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, &wide[0], static_cast<int>(wide.size()));
  wide.pop_back();
  return wide;
}

std::wstring TitleOf(HWND window) {
  wchar_t title[256] = {};
  GetWindowTextW(window, title, 256);
  return title;
}

std::wstring TooltipOf(HWND button) {
  wchar_t text[256] = {};
  TOOLINFOW tool{};
  tool.cbSize = TTTOOLINFOW_V1_SIZE;
  tool.hwnd = button;
  tool.lpszText = text;
  SendMessageW(kesto::TooltipWnd, TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&tool));
  return text;
}

class UnicodeTest : public KestoTest {
 protected:
  std::string WriteBytes(const std::string& name, const std::string& bytes) {
    std::wstring path = W(Path(name));
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD wrote = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &wrote, nullptr);
    CloseHandle(file);
    return Path(name);
  }
  std::string ReadBytes(const std::string& path) {
    HANDLE file = CreateFileW(W(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    std::string bytes(1 << 16, '\0');
    DWORD got = 0;
    ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &got, nullptr);
    CloseHandle(file);
    bytes.resize(got);
    return bytes;
  }
};

TEST_F(UnicodeTest, EveryEncodingGivesAUnicodeTitleAndTooltipAndBangsFindTheNameInAnyCase) {
  WriteSolidBmp("b.bmp", 10, 10, RGB(1, 2, 3));
  const std::string text = "KestoName " + kName + "\r\nKestoWidth 40\r\nKestoHeight 30\r\n*Shortcut \"" + kHello +
                           "\" 2 2 " + Path("b.bmp") + " " + Path("b.bmp") + " " + Path("b.bmp") + " !x\r\n";
  for (const std::string& bytes :
       {text, "\xEF\xBB\xBF" + text, "\xFF\xFE" + kesto::Utf8ToUtf16Le(text)}) {
    Start({"*KestoCreate " + WriteBytes("u.box", bytes)});
    HWND box = kesto::BoxList ? kesto::BoxList->Window : nullptr;
    ASSERT_NE(box, nullptr) << static_cast<int>(bytes[0]);
    EXPECT_EQ(TitleOf(box), W(kName));
    EXPECT_EQ(TooltipOf(GetWindow(box, GW_CHILD)), W(kHello));
    Stop();
  }
}

TEST_F(UnicodeTest, BangsFindABoxByItsNameInAnyCaseAndScript) {
  Start({"*KestoCreate " + WriteBytes("g.box", "KestoName Gr\xC3\xBC\xC3\x9F" "e\r\nKestoWidth 20\r\nKestoHeight 20\r\n")});
  ASSERT_NE(kesto::FindBoxByName(kNameLower), nullptr);  // the lookup of the bang commands
  HWND box = kesto::BoxList->Window;
  ASSERT_TRUE(IsWindowVisible(box));
  // The argument in another case, as the shell hands it over.
  LSExecuteW(nullptr, W("!KestoToggle " + kNameLower).c_str(), 0);
  EXPECT_FALSE(IsWindowVisible(box));
  LSExecuteW(nullptr, W("!KestoShow GR\xC3\x9C\xC3\x9F" "E").c_str(), 0);  // GRÜßE
  EXPECT_TRUE(IsWindowVisible(box));
}

// Names compare without case as Windows' ordinal compare does, for every
// letter of the Basic Multilingual Plane: the table names are upper-cased
// with gives, for each code point, what the system's own gives.
TEST(UnicodeCaseTest, EveryCodePointOfThePlaneUpperCasesAsWindowsDoes) {
  using Upcase = WCHAR(WINAPI*)(WCHAR);
  auto upcase = reinterpret_cast<Upcase>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "RtlUpcaseUnicodeChar")));
  ASSERT_NE(upcase, nullptr);
  int differ = 0;
  std::string examples;
  for (unsigned cp = 1; cp < 0x10000; ++cp) {
    if (cp >= 0xD800 && cp <= 0xDFFF) continue;
    const std::wstring one(1, static_cast<wchar_t>(cp));
    const std::string ours = kesto::UpperUnicode(kesto::Utf8(one));
    const std::string system = kesto::Utf8(std::wstring(1, upcase(static_cast<WCHAR>(cp))));
    if (ours == system) continue;
    if (++differ <= 10) {
      char line[64];
      std::snprintf(line, sizeof line, " U+%04X", cp);
      examples += line;
    }
  }
  EXPECT_EQ(differ, 0) << "first ones:" << examples;
}

TEST_F(UnicodeTest, BangsFindNamesWithAccentsAndLettersOfEveryBlockInAnyCase) {
  if (!kesto::ShellIsWide()) GTEST_SKIP() << "an ANSI shell hands Greek and Cyrillic names over as '?'";
  const std::vector<std::pair<std::string, std::string>> names = {
      {"\xCE\x93\xCE\xB5\xCE\xB9\xCE\xAC", "\xCE\x93\xCE\x95\xCE\x99\xCE\x86"},  // Γειά, ΓΕΙΆ
      {"\xD2\x90\xD0\xB0\xD0\xBD\xD0\xBE\xD0\xBA", "\xD2\x91\xD0\xB0\xD0\xBD\xD0\xBE\xD0\xBA"},  // Ґанок, ґанок
      {"Caf\xC3\xBF", "CAF\xC5\xB8"},                                                  // Cafÿ, CAFŸ
  };
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < names.size(); ++i)
    lines.push_back("*KestoCreate " + WriteBytes("n" + std::to_string(i) + ".box", "KestoName " + names[i].first +
                                                                                      "\r\nKestoWidth 20\r\nKestoHeight 20\r\n"));
  Start(lines);
  for (const auto& [name, otherCase] : names) {
    kesto::TBox* box = Box(name);
    ASSERT_NE(box, nullptr) << name;
    LSExecuteW(nullptr, W("!KestoHide " + otherCase).c_str(), 0);
    EXPECT_FALSE(IsWindowVisible(box->Window)) << otherCase;
    LSExecuteW(nullptr, W("!KestoShow " + otherCase).c_str(), 0);
    EXPECT_TRUE(IsWindowVisible(box->Window)) << otherCase;
  }
}

TEST_F(UnicodeTest, APathBeyondTheAnsiCodePageIsCreatedAndACommandReachesTheShellAsWritten) {
  if (!kesto::ShellIsWide()) GTEST_SKIP() << "an ANSI shell turns such a path into '?', as the real one does";
  CreateDirectoryW(W(Path(kUber)).c_str(), nullptr);
  const std::string command = "!execute [\"C:\\" + kUber + "\\app.exe\"]";
  const std::string box = WriteBytes(kUber + "\\" + kHello + ".box",
                                     "KestoName Hello\r\nKestoWidth 40\r\nKestoHeight 40\r\nKestoX 300\r\nKestoY 300\r\n"
                                     "KestoAlwaysOnTop\r\nKestoOnLeftClick " + command + "\r\n");
  // The shell's own configuration, in UTF-8 as the real shell reads it.
  Start({"*KestoCreate \"" + box + "\""});
  ASSERT_NE(Box("Hello"), nullptr);
  EXPECT_EQ(Box("Hello")->FileName, box);
  LeftClickAt(310, 310);
  EXPECT_EQ(standin::ExecutedCommands(), (std::vector<std::string>{command}));
}

TEST_F(UnicodeTest, AUtf16BoxThatRemembersItsPlaceStaysUtf16WithOnlyItsPositionChanged) {
  const std::string text = "; " + kName + "\r\nKestoName " + kHello + "\r\nKestoX 10\r\nKestoY 20 ; top\r\n"
                           "KestoWidth 30\r\nKestoHeight 30\r\nKestoRememberPosition\r\n";
  const std::string path = WriteBytes("pos.box", "\xFF\xFE" + kesto::Utf8ToUtf16Le(text));
  Start({"*KestoCreate " + path});
  SetWindowPos(Box(kHello)->Window, nullptr, 200, 150, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  Stop();
  const std::string moved = "; " + kName + "\r\nKestoName " + kHello + "\r\nKestoX 200\r\nKestoY 150 ; top\r\n"
                            "KestoWidth 30\r\nKestoHeight 30\r\nKestoRememberPosition\r\n";
  EXPECT_EQ(ReadBytes(path), "\xFF\xFE" + kesto::Utf8ToUtf16Le(moved));
}

TEST_F(UnicodeTest, TheLogNamesUnicodeFilesInUtf8AsTheShellWritesTheBytesGiven) {
  const std::string logFile = Path("litestep.log");
  const std::string box = WriteBytes("log.box", "KestoName " + kName + "\r\nKestoWidth 10\r\nKestoHeight 10\r\n");
  Start({"LSLogLevel 3", "LSLogFile " + logFile, "*KestoCreate " + box});
  Stop();
  const std::string written = ReadBytes(logFile);
  EXPECT_NE(written.find("Kesto: box '" + kName + "' made from " + box), std::string::npos) << written;
  EXPECT_TRUE(kesto::IsValidUtf8(written));
}

}  // namespace
}  // namespace kestotest
