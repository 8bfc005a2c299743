// Text at the edges of Kesto: inside, all text is UTF-8; Windows takes and
// gives UTF-16, and an older shell the ANSI code page.
#pragma once

#include <string>

#include "boxfile/text_encoding.h"

namespace kesto {

std::wstring Wide(const std::string& utf8);
std::string Utf8(const wchar_t* wide);
std::string Utf8(const std::wstring& wide);
// The system's ANSI code page; what it cannot hold becomes '?', as the shell converts.
std::string AnsiToUtf8(const std::string& ansi);
std::string Utf8ToAnsi(const std::string& utf8);
const AnsiCodePage& SystemAnsiCodePage();

}  // namespace kesto
