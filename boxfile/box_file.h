// The box file store: one box file in memory as a chain of lines, with
// single-key lookups, a cursor for walking repeated keys, and write-back that
// never loses the file on disk.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "boxfile/safe_save.h"
#include "boxfile/text_encoding.h"

namespace kesto {

// How a line ended in the file: a save writes each line back with its own end.
enum class LineEnd : std::uint8_t { None, CrLf, Lf, Cr };

struct TBoxEntry {
  std::string Text;     // the line; for a commented key line, the trimmed part before the comment
  std::string Key;      // upper-cased first token of a key line; empty for blank and comment lines
  std::string Comment;  // trailing comment from its ';'; empty when there is none
  std::string Original;  // the line's bytes as they stood (a commented line, or any line of a file not in
                         // UTF-8), written back while its value is unchanged
  LineEnd End = LineEnd::CrLf;
  std::unique_ptr<TBoxEntry> Next;
};

// The shell's variable expansion, through which every value passes when it is
// read. The module hands in the shell's; tools and tests hand in their own.
// An empty one leaves values as written.
using Expander = std::function<std::string(const std::string&)>;

struct TBoxHeader {
  std::string FileName;
  Expander Expand;
  TBoxEntry* Cursor = nullptr;  // where the next NextBoxValue search begins
  std::unique_ptr<TBoxEntry> First;
  TBoxEntry* Last = nullptr;
  LineEnd FileEnd = LineEnd::CrLf;  // the end of the file's first line: what an added line takes
  std::uint64_t ContentHash = 0;    // of the bytes it was read from
  TextEncoding Encoding = TextEncoding::Ansi;  // decided once, when it was read; a save keeps it
  AnsiCodePage Ansi = Windows1252();           // for a file in the ANSI code page

  TBoxHeader() = default;
  TBoxHeader(const TBoxHeader&) = delete;
  TBoxHeader& operator=(const TBoxHeader&) = delete;
  ~TBoxHeader();  // releases the lines one by one: a huge file must not recurse
};

using BoxFile = std::unique_ptr<TBoxHeader>;

// Sentinel default that no real lookup returns.
inline constexpr const char* kAbsent = "NopE";

// None when the file cannot be opened or the name is empty. Its text is
// decoded into UTF-8 by the file's encoding; ansi converts the ANSI code
// page (Windows-1252 when none is given).
BoxFile LoadBoxFile(const std::string& fileName, Expander expand = {}, const AnsiCodePage* ansi = nullptr);
// The same from the file's bytes, already read; never none.
BoxFile ParseBoxFile(const std::string& fileName, const std::string& bytes, Expander expand = {},
                     const AnsiCodePage* ansi = nullptr);
// Saves when asked (atomically: the old file stays intact on any failure) and
// releases everything. Returns whether the save succeeded (true when not
// saving); how it was done, and the content hash of the bytes written, when asked.
bool CloseBoxFile(BoxFile& header, bool save, SaveResult* result = nullptr, std::uint64_t* writtenHash = nullptr);

std::string ReadBoxString(TBoxHeader& header, const std::string& key, const std::string& fallback);
std::int32_t ReadBoxInt(TBoxHeader& header, const std::string& key, std::int32_t fallback);
bool BoxKeyExists(TBoxHeader& header, const std::string& key);
std::string NextBoxValue(TBoxHeader& header, const std::string& key);
// The value of one line read by a key of this length: expanded, the key
// skipped, at most 4096 characters, trimmed.
std::string BoxLineValue(const TBoxHeader& header, const TBoxEntry& entry, const std::string& key);
// The prefix test of repeated keys: the trimmed line, upper-cased, begins with the key.
bool LineStartsWithKey(const TBoxEntry& entry, const std::string& upperKey);
void WriteBoxString(TBoxHeader& header, const std::string& key, const std::string& value);
void WriteBoxInt(TBoxHeader& header, const std::string& key, std::int32_t value);
// The same, but a key not in the file yet gets its line after the last of
// the lines of these keys (at the end when none is there).
void WriteBoxIntAfter(TBoxHeader& header, const std::string& key, std::int32_t value,
                      const std::vector<std::string>& afterKeys);

// The line number (from 1) of the line the last NextBoxValue returned; 0 when
// the walk is at its start. It counts the lines, so it is meant for reports.
int LastValueLine(const TBoxHeader& header);
// The line number (from 1) of the line a single key is read from; 0 when
// the key is absent.
int KeyLine(const TBoxHeader& header, const std::string& key);
// The file's name without its folder, and "name:line" of that last value.
std::string BoxFileName(const TBoxHeader& header);
std::string WhereLastValue(const TBoxHeader& header);

// Calls visit with every value of a repeated key, in file order, until the
// first empty value, as a walk with NextBoxValue does.
template <class Visit>
void ForEachBoxValue(TBoxHeader& header, const std::string& key, Visit visit) {
  for (std::string value = NextBoxValue(header, key); !value.empty(); value = NextBoxValue(header, key)) {
    visit(value);
  }
}

std::string TrimBlanks(const std::string& text);
std::string ExtractComment(const std::string& line);

// The lines of a box file as LoadBoxFile reads them (CR LF, CR or LF end a line).
std::vector<std::string> SplitBoxLines(const std::string& bytes);

// The exact bytes CloseBoxFile writes for a header.
std::string SerializeBoxFile(const TBoxHeader& header);

}  // namespace kesto
