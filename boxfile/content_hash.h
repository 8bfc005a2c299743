// A 64-bit FNV-1a hash of a file's bytes: tells a file saved with new
// contents from one written again with the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kesto {

constexpr std::uint64_t kEmptyContentHash = 14695981039346656037ull;

inline std::uint64_t ContentHash(const char* bytes, std::size_t size,
                                 std::uint64_t hash = kEmptyContentHash) {
  for (std::size_t i = 0; i < size; ++i) {
    hash ^= static_cast<unsigned char>(bytes[i]);
    hash *= 1099511628211ull;
  }
  return hash;
}

}  // namespace kesto
