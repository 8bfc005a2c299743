#include "boxfile/box_file.h"

#include "boxfile/safe_save.h"
#include "boxfile/text_helpers.h"

namespace kesto {
namespace {

constexpr std::size_t kValueLimit = 4096;

// Splits at CR LF, a lone CR or a lone LF; a last line without an end counts.
template <class Visit>
void ForEachLine(const std::string& bytes, Visit visit) {
  std::size_t begin = 0;
  std::size_t i = 0;
  while (i < bytes.size()) {
    char c = bytes[i];
    if (c == '\r' || c == '\n') {
      visit(bytes.substr(begin, i - begin));
      if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
      begin = ++i;
    } else {
      ++i;
    }
  }
  if (begin < bytes.size()) visit(bytes.substr(begin));
}

void Append(TBoxHeader& header, std::unique_ptr<TBoxEntry> entry) {
  TBoxEntry* raw = entry.get();
  if (header.Last) {
    header.Last->Next = std::move(entry);
  } else {
    header.First = std::move(entry);
  }
  header.Last = raw;
}

std::string LineValue(const TBoxEntry& entry, const std::string& key) {
  std::string expanded = ExpandVars(entry.Text);
  std::size_t pos = 0;
  while (pos < expanded.size() && IsBlank(expanded[pos])) ++pos;
  pos += key.size();
  if (pos >= expanded.size()) return {};
  return TrimBlanks(expanded.substr(pos, kValueLimit));
}

TBoxEntry* FindKey(TBoxHeader& header, const std::string& key) {
  std::string wanted = UpperText(key);
  for (TBoxEntry* entry = header.First.get(); entry; entry = entry->Next.get()) {
    if (!entry->Key.empty() && entry->Key == wanted) return entry;
  }
  return nullptr;
}

bool MatchesPrefix(const TBoxEntry& entry, const std::string& upperKey) {
  std::string trimmed = TrimBlanks(entry.Text);
  if (trimmed.size() < upperKey.size()) return false;
  return UpperText(trimmed.substr(0, upperKey.size())) == upperKey;
}

}  // namespace

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
  for (std::size_t i = line.size(); i > 1; --i) {
    if (line[i - 1] == ';') return line.substr(i - 1);
  }
  return {};
}

BoxFile LoadBoxFile(const std::string& fileName) {
  if (fileName.empty()) return nullptr;
  std::string bytes;
  if (!ReadFileBytes(fileName, bytes)) return nullptr;

  auto header = std::make_unique<TBoxHeader>();
  header->FileName = fileName;
  ForEachLine(bytes, [&](std::string line) {
    auto entry = std::make_unique<TBoxEntry>();
    entry->Text = std::move(line);
    if (!TrimBlanks(entry->Text).empty() && entry->Text[0] != ';') {
      entry->Key = UpperText(GetToken(entry->Text, 1));
      entry->Comment = ExtractComment(entry->Text);
      if (!entry->Comment.empty()) {
        entry->Text = TrimBlanks(entry->Text.substr(0, entry->Text.size() - entry->Comment.size()));
      }
    }
    Append(*header, std::move(entry));
  });
  header->Cursor = header->First.get();
  return header;
}

std::string SerializeBoxFile(const TBoxHeader& header) {
  std::string bytes;
  for (const TBoxEntry* entry = header.First.get(); entry; entry = entry->Next.get()) {
    bytes += entry->Text;
    if (!entry->Comment.empty()) {
      bytes += ' ';
      bytes += entry->Comment;
    }
    bytes += "\r\n";
  }
  return bytes;
}

bool CloseBoxFile(BoxFile& header, bool save) {
  bool saved = true;
  if (header && save) saved = ReplaceFileContents(header->FileName, SerializeBoxFile(*header));
  header.reset();
  return saved;
}

std::string ReadBoxString(TBoxHeader& header, const std::string& key, const std::string& fallback) {
  TBoxEntry* entry = FindKey(header, key);
  return entry ? LineValue(*entry, key) : fallback;
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
    if (MatchesPrefix(*entry, wanted)) {
      header.Cursor = entry->Next.get();
      return LineValue(*entry, key);
    }
  }
  header.Cursor = header.First.get();
  return {};
}

void WriteBoxString(TBoxHeader& header, const std::string& key, const std::string& value) {
  if (TBoxEntry* entry = FindKey(header, key)) {
    entry->Text = key + " " + value;
    return;
  }
  auto entry = std::make_unique<TBoxEntry>();
  entry->Text = key + " " + value;
  entry->Key = UpperText(key);
  Append(header, std::move(entry));
}

void WriteBoxInt(TBoxHeader& header, const std::string& key, std::int32_t value) {
  WriteBoxString(header, key, FormatInt(value));
}

}  // namespace kesto
