// Keys that Kesto reads otherwise than the author likely meant: an unknown
// key (most often a misspelt one), a tab after a key, and a single key written
// twice. The module logs them as a file loads; the checker reports them.
#pragma once

#include <string>
#include <vector>

#include "boxfile/box_file.h"

namespace kesto {

struct TKeySlip {
  int Line = 0;       // from 1
  std::string Check;  // "unknown-key", "tab-after-key" or "duplicate-key"
  std::string Message;
};

// How many single-character edits turn one text into the other, a-z case ignored.
int EditDistance(const std::string& a, const std::string& b);
// The known key (single or content) nearest to a misspelt one; empty when none is close.
std::string NearestKey(const std::string& key);

std::string TabAfterKeyMessage(const std::string& token);
std::string UnknownKeyMessage(const std::string& token);
std::string DuplicateKeyMessage(const std::string& key, int firstLine);

// Every slip of the file's key lines, in line order. Comment lines, content
// lines and lines whose first token starts with ';' are not key lines here.
std::vector<TKeySlip> FindKeySlips(const TBoxHeader& header);

}  // namespace kesto
