// Replaces a file with new contents so that the old file survives any failure.
#pragma once

#include <string>

namespace kesto {

// Writes the bytes to a temporary file beside the target, flushes it to disk
// and renames it over the target. On failure the target is untouched and the
// temporary file is removed. Returns whether the target now holds the bytes.
bool ReplaceFileContents(const std::string& target, const std::string& bytes);

// Whole file as bytes; false when it cannot be opened.
bool ReadFileBytes(const std::string& path, std::string& bytes);

}  // namespace kesto
