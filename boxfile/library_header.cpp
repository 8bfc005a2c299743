#include "boxfile/library_header.h"

#include <cstdint>

namespace kesto {
namespace {

std::uint32_t Little(const std::string& bytes, std::size_t at, std::size_t size) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < size; ++i) value |= std::uint32_t{static_cast<unsigned char>(bytes[at + i])} << (8 * i);
  return value;
}

constexpr std::size_t kPeOffsetAt = 0x3C;  // where the DOS header keeps the PE header's offset

}  // namespace

LibraryMachine ParseLibraryMachine(const std::string& bytes) {
  if (bytes.size() < kPeOffsetAt + 4 || bytes.compare(0, 2, "MZ") != 0) return LibraryMachine::Unknown;
  const std::size_t pe = Little(bytes, kPeOffsetAt, 4);
  // The signature and the two-byte machine field after it must lie in the bytes.
  if (pe > bytes.size() || bytes.size() - pe < 6 || bytes.compare(pe, 4, std::string("PE\0\0", 4)) != 0)
    return LibraryMachine::Unknown;
  switch (Little(bytes, pe + 4, 2)) {
    case 0x014C: return LibraryMachine::I686;
    case 0x8664: return LibraryMachine::X86_64;
    default: return LibraryMachine::Other;
  }
}

LibraryMachine OwnMachine() { return sizeof(void*) == 8 ? LibraryMachine::X86_64 : LibraryMachine::I686; }

std::string DescribeMachine(LibraryMachine machine) {
  switch (machine) {
    case LibraryMachine::I686: return "32-bit (i686)";
    case LibraryMachine::X86_64: return "64-bit (x86-64)";
    default: return "of another kind";
  }
}

}  // namespace kesto
