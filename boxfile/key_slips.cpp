#include "boxfile/key_slips.h"

#include <algorithm>
#include <map>

#include "boxfile/box_rules.h"
#include "boxfile/text_helpers.h"

namespace kesto {
namespace {

constexpr const char* kUtf8Mark = "\xEF\xBB\xBF";

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

bool IsContentLine(const TBoxEntry& entry) {
  for (const char* key : kContentKeys)
    if (LineStartsWithKey(entry, UpperText(key))) return true;
  return false;
}

}  // namespace

int EditDistance(const std::string& first, const std::string& second) {
  const std::string a = UpperText(first), b = UpperText(second);
  std::vector<int> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = static_cast<int>(j);
  for (std::size_t i = 1; i <= a.size(); ++i) {
    int diagonal = row[0];
    row[0] = static_cast<int>(i);
    for (std::size_t j = 1; j <= b.size(); ++j) {
      int above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

std::string NearestKey(const std::string& key) {
  std::string best;
  int bestDistance = 4;  // a slip of a key or three
  auto consider = [&](const char* name) {
    const int distance = EditDistance(key, name);
    if (distance < bestDistance) {
      bestDistance = distance;
      best = name;
    }
  };
  for (const TBoxKey& known : BoxKeys()) consider(known.Name);
  for (const char* content : kContentKeys) consider(content);
  return best;
}

std::string TabAfterKeyMessage(const std::string& token) {
  return "a tab does not end a key: " + Quoted(token.substr(0, token.find('\t'))) +
         " and its value read as one key";
}

std::string UnknownKeyMessage(const std::string& token) {
  if (token.compare(0, 3, kUtf8Mark) == 0)
    return "unknown key " + Quoted(token.substr(3)) + ": the file begins with a UTF-8 byte-order mark, read as part "
           "of the key; save the file without it";
  const std::string nearest = NearestKey(token);
  return "unknown key " + Quoted(token) + (nearest.empty() ? "" : "; did you mean " + Quoted(nearest) + "?");
}

std::string DuplicateKeyMessage(const std::string& key, int firstLine) {
  return "only the first " + key + " (line " + std::to_string(firstLine) + ") counts; this one is ignored";
}

std::vector<TKeySlip> FindKeySlips(const TBoxHeader& header) {
  std::vector<TKeySlip> slips;
  std::map<std::string, int> firstLines;
  int line = 0;
  for (const TBoxEntry* entry = header.First.get(); entry; entry = entry->Next.get()) {
    ++line;
    if (entry->Key.empty() || entry->Key[0] == ';' || IsContentLine(*entry)) continue;
    const std::string token = GetToken(entry->Text, 1);
    if (token.find('\t') != std::string::npos) {
      slips.push_back({line, "tab-after-key", TabAfterKeyMessage(token)});
      continue;
    }
    const TBoxKey* known = FindBoxKey(token);
    if (!known) {
      slips.push_back({line, "unknown-key", UnknownKeyMessage(token)});
      continue;
    }
    auto [first, isNew] = firstLines.emplace(known->Name, line);
    if (!isNew) slips.push_back({line, "duplicate-key", DuplicateKeyMessage(known->Name, first->second)});
  }
  return slips;
}

}  // namespace kesto
