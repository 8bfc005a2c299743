#include "boxfile/box_file.h"

#include <algorithm>

#include "boxfile/content_hash.h"
#include "boxfile/safe_save.h"
#include "boxfile/text_helpers.h"

namespace kesto {
namespace {

constexpr std::size_t kValueLimit = 4096;

// Splits at CR LF, a lone CR or a lone LF; a last line without an end counts.
// Visits each line as (first character, length, its end).
template <class Visit>
void ForEachLine(const std::string& bytes, Visit visit) {
  const char* data = bytes.data();
  const std::size_t size = bytes.size();
  std::size_t begin = 0;
  std::size_t i = 0;
  while (i < size) {
    char c = data[i];
    if (c == '\r' || c == '\n') {
      const bool pair = c == '\r' && i + 1 < size && data[i + 1] == '\n';
      visit(data + begin, i - begin, pair ? LineEnd::CrLf : c == '\r' ? LineEnd::Cr : LineEnd::Lf);
      if (pair) ++i;
      begin = ++i;
    } else {
      ++i;
    }
  }
  if (begin < size) visit(data + begin, size - begin, LineEnd::None);
}

// The same for UTF-16 LE bytes, by their 16-bit units; visits each line's
// bytes (without its end) and its end.
template <class Visit>
void ForEachLine16(const std::string& bytes, Visit visit) {
  const std::size_t units = bytes.size() / 2;
  auto unit = [&](std::size_t i) {
    return static_cast<unsigned>(static_cast<unsigned char>(bytes[2 * i]) | (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  };
  std::size_t begin = 0;
  for (std::size_t i = 0; i < units; ++i) {
    const unsigned c = unit(i);
    if (c != '\r' && c != '\n') continue;
    const bool pair = c == '\r' && i + 1 < units && unit(i + 1) == '\n';
    visit(bytes.substr(2 * begin, 2 * (i - begin)), pair ? LineEnd::CrLf : c == '\r' ? LineEnd::Cr : LineEnd::Lf);
    if (pair) ++i;
    begin = i + 1;
  }
  if (2 * begin < bytes.size()) visit(bytes.substr(2 * begin), LineEnd::None);
}

const char* EndBytes(LineEnd end) {
  switch (end) {
    case LineEnd::CrLf:
      return "\r\n";
    case LineEnd::Lf:
      return "\n";
    case LineEnd::Cr:
      return "\r";
    case LineEnd::None:
      break;
  }
  return "";
}

std::size_t FirstNonBlank(const std::string& text) {
  std::size_t pos = 0;
  while (pos < text.size() && IsBlank(text[pos])) ++pos;
  return pos;
}

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

void Append(TBoxHeader& header, std::unique_ptr<TBoxEntry> entry) {
  TBoxEntry* raw = entry.get();
  if (header.Last) {
    header.Last->Next = std::move(entry);
  } else {
    header.First = std::move(entry);
  }
  header.Last = raw;
}

TBoxEntry* FindKey(TBoxHeader& header, const std::string& key) {
  std::string wanted = UpperText(key);
  for (TBoxEntry* entry = header.First.get(); entry; entry = entry->Next.get()) {
    if (!entry->Key.empty() && entry->Key == wanted) return entry;
  }
  return nullptr;
}

}  // namespace

std::string BoxLineValue(const TBoxHeader& header, const TBoxEntry& entry, const std::string& key) {
  std::string expanded = header.Expand ? header.Expand(entry.Text) : entry.Text;
  std::size_t begin = FirstNonBlank(expanded) + key.size();
  if (begin >= expanded.size()) return {};
  std::size_t end = begin + std::min(kValueLimit, expanded.size() - begin);
  while (begin < end && IsBlank(expanded[begin])) ++begin;
  while (end > begin && IsBlank(expanded[end - 1])) --end;
  return expanded.substr(begin, end - begin);
}

bool LineStartsWithKey(const TBoxEntry& entry, const std::string& upperKey) {
  const std::string& text = entry.Text;
  std::size_t begin = FirstNonBlank(text);
  std::size_t end = text.size();
  while (end > begin && IsBlank(text[end - 1])) --end;
  if (end - begin < upperKey.size()) return false;
  for (std::size_t i = 0; i < upperKey.size(); ++i) {
    if (Upper(text[begin + i]) != upperKey[i]) return false;
  }
  return true;
}

TBoxHeader::~TBoxHeader() {
  while (First) First = std::move(First->Next);
}

std::string TrimBlanks(const std::string& text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

std::string ExtractComment(const std::string& line) {
  // Column 1 is never looked at. The whole comment is kept, however long, so
  // that a save writes back exactly what was read.
  std::size_t at = line.rfind(';');
  if (at == std::string::npos || at == 0) return {};
  return line.substr(at);
}

BoxFile LoadBoxFile(const std::string& fileName, Expander expand, const AnsiCodePage* ansi) {
  std::string bytes;
  if (fileName.empty() || !ReadFileBytes(fileName, bytes)) return nullptr;
  return ParseBoxFile(fileName, bytes, std::move(expand), ansi);
}

BoxFile ParseBoxFile(const std::string& fileName, const std::string& bytes, Expander expand,
                     const AnsiCodePage* ansi) {
  auto header = std::make_unique<TBoxHeader>();
  header->FileName = fileName;
  header->Expand = std::move(expand);
  header->ContentHash = ContentHash(bytes.data(), bytes.size());
  header->Encoding = DetectEncoding(bytes);
  if (ansi) header->Ansi = *ansi;
  const std::string body = bytes.substr(EncodingMark(header->Encoding).size());
  bool firstLine = true;
  auto addLine = [&](const std::string& raw, LineEnd end) {
    auto entry = std::make_unique<TBoxEntry>();
    entry->Text = DecodeText(raw, header->Encoding, header->Ansi);
    // A line whose text is not its bytes is written back as it stood.
    if (entry->Text != raw) entry->Original = raw;
    entry->End = end;
    if (firstLine && end != LineEnd::None) header->FileEnd = end;
    firstLine = false;
    if (FirstNonBlank(entry->Text) < entry->Text.size() && entry->Text[0] != ';') {
      entry->Key = UpperText(GetToken(entry->Text, 1));
      entry->Comment = ExtractComment(entry->Text);
      if (!entry->Comment.empty()) {
        if (entry->Original.empty()) entry->Original = raw;
        entry->Text = TrimBlanks(entry->Text.substr(0, entry->Text.size() - entry->Comment.size()));
      }
    }
    Append(*header, std::move(entry));
  };
  if (header->Encoding == TextEncoding::Utf16Le) {
    ForEachLine16(body, addLine);
  } else {
    ForEachLine(body, [&](const char* line, std::size_t length, LineEnd end) { addLine(std::string(line, length), end); });
  }
  header->Cursor = header->First.get();
  return header;
}

std::vector<std::string> SplitBoxLines(const std::string& bytes) {
  std::vector<std::string> lines;
  ForEachLine(bytes, [&](const char* line, std::size_t length, LineEnd) { lines.emplace_back(line, length); });
  return lines;
}

std::string SerializeBoxFile(const TBoxHeader& header) {
  // In the file's own encoding, with its mark: each line as it was read,
  // unless a value was written into it.
  const bool utf8 = header.Encoding == TextEncoding::Utf8 || header.Encoding == TextEncoding::Utf8WithMark;
  auto encode = [&](const std::string& text) { return utf8 ? text : EncodeText(text, header.Encoding, header.Ansi); };
  std::string bytes = EncodingMark(header.Encoding);
  for (const TBoxEntry* entry = header.First.get(); entry; entry = entry->Next.get()) {
    if (!entry->Original.empty()) {
      bytes += entry->Original;
    } else if (entry->Comment.empty()) {
      bytes += encode(entry->Text);
    } else {
      bytes += encode(entry->Text + " " + entry->Comment);
    }
    bytes += encode(EndBytes(entry->End));
  }
  return bytes;
}

bool CloseBoxFile(BoxFile& header, bool save, SaveResult* result, std::uint64_t* writtenHash) {
  SaveResult outcome = SaveResult::Saved;
  if (header && save) {
    const std::string bytes = SerializeBoxFile(*header);
    if (writtenHash) *writtenHash = ContentHash(bytes.data(), bytes.size());
    outcome = ReplaceFileContents(header->FileName, bytes);
  }
  header.reset();
  if (result) *result = outcome;
  return outcome != SaveResult::Failed;
}

std::string ReadBoxString(TBoxHeader& header, const std::string& key, const std::string& fallback) {
  TBoxEntry* entry = FindKey(header, key);
  return entry ? BoxLineValue(header, *entry, key) : fallback;
}

std::int32_t ReadBoxInt(TBoxHeader& header, const std::string& key, std::int32_t fallback) {
  std::string text = ReadBoxString(header, key, kAbsent);
  return text == kAbsent ? fallback : ParseInt(text);
}

bool BoxKeyExists(TBoxHeader& header, const std::string& key) {
  return ReadBoxString(header, key, kAbsent) != kAbsent;
}

std::string NextBoxValue(TBoxHeader& header, const std::string& key) {
  std::string wanted = UpperText(key);
  for (TBoxEntry* entry = header.Cursor; entry; entry = entry->Next.get()) {
    if (LineStartsWithKey(*entry, wanted)) {
      header.Cursor = entry->Next.get();
      return BoxLineValue(header, *entry, key);
    }
  }
  header.Cursor = header.First.get();
  return {};
}

int LastValueLine(const TBoxHeader& header) {
  int line = 0;
  for (const TBoxEntry* entry = header.First.get(); entry; entry = entry->Next.get()) {
    ++line;
    if (entry->Next.get() == header.Cursor) return line;
  }
  return 0;
}

int KeyLine(const TBoxHeader& header, const std::string& key) {
  const std::string wanted = UpperText(key);
  int line = 0;
  for (const TBoxEntry* entry = header.First.get(); entry; entry = entry->Next.get()) {
    ++line;
    if (!entry->Key.empty() && entry->Key == wanted) return line;
  }
  return 0;
}

std::string BoxFileName(const TBoxHeader& header) {
  std::size_t slash = header.FileName.find_last_of("\\/");
  return slash == std::string::npos ? header.FileName : header.FileName.substr(slash + 1);
}

std::string WhereLastValue(const TBoxHeader& header) {
  return BoxFileName(header) + ":" + std::to_string(LastValueLine(header));
}

namespace {

// A new line after `after` (at the end when none), with the file's line end;
// a last line that had none gets one, and the new line keeps the file
// ending without one.
void InsertLine(TBoxHeader& header, TBoxEntry* after, const std::string& key, const std::string& value) {
  auto entry = std::make_unique<TBoxEntry>();
  entry->Text = key + " " + value;
  entry->Key = UpperText(key);
  entry->End = header.FileEnd;
  if (!after || after == header.Last) {
    if (header.Last && header.Last->End == LineEnd::None) {
      header.Last->End = header.FileEnd;
      entry->End = LineEnd::None;
    }
    Append(header, std::move(entry));
    return;
  }
  entry->Next = std::move(after->Next);
  after->Next = std::move(entry);
}

}  // namespace

void WriteBoxString(TBoxHeader& header, const std::string& key, const std::string& value) {
  if (TBoxEntry* entry = FindKey(header, key)) {
    entry->Text = key + " " + value;
    entry->Original.clear();
    return;
  }
  InsertLine(header, nullptr, key, value);
}

void WriteBoxIntAfter(TBoxHeader& header, const std::string& key, std::int32_t value,
                      const std::vector<std::string>& afterKeys) {
  if (FindKey(header, key)) {
    WriteBoxInt(header, key, value);
    return;
  }
  TBoxEntry* after = nullptr;
  for (TBoxEntry* entry = header.First.get(); entry; entry = entry->Next.get())
    for (const std::string& other : afterKeys)
      if (!entry->Key.empty() && entry->Key == UpperText(other)) after = entry;
  InsertLine(header, after, key, FormatInt(value));
}

void WriteBoxInt(TBoxHeader& header, const std::string& key, std::int32_t value) {
  WriteBoxString(header, key, FormatInt(value));
}

}  // namespace kesto
