// Replaces a file with new contents so that the old file survives any failure.
#pragma once

#include <string>

namespace kesto {

enum class SaveResult {
  Saved,         // the target holds the bytes, and was never without a whole version
  SavedInPlace,  // the target holds the bytes, written over it without a temporary file
  Failed,        // the target is as it was; nothing made for the save is left
  SavedIdentityLost,  // saved, but the old file's owner, access list or attributes could not all be kept
};

// Writes the bytes to a temporary file beside the target (made with the
// target's owner and access list), flushes it to disk and renames it over
// the target. On failure the target is untouched and the temporary file is
// removed. Only where the folder's rights refuse a new file while the target
// may be written are the bytes written over the target in one write, flushed
// (SavedInPlace); any other failure to make the file fails the save.
SaveResult ReplaceFileContents(const std::string& target, const std::string& bytes);

// Whole file as bytes, or its first `limit` bytes; false when it cannot be opened.
bool ReadFileBytes(const std::string& path, std::string& bytes, std::size_t limit = static_cast<std::size_t>(-1));

}  // namespace kesto
