// Which architecture a plug-in library names in its header.
#include <gtest/gtest.h>

#include "boxfile/library_header.h"

namespace kesto {
namespace {

std::string Library(std::uint16_t machine, std::size_t peAt = 0x80) {
  std::string bytes(peAt + 24, '\0');
  bytes[0] = 'M';
  bytes[1] = 'Z';
  for (int i = 0; i < 4; ++i) bytes[0x3C + i] = static_cast<char>((peAt >> (8 * i)) & 0xFF);
  bytes.replace(peAt, 4, std::string("PE\0\0", 4));
  bytes[peAt + 4] = static_cast<char>(machine & 0xFF);
  bytes[peAt + 5] = static_cast<char>(machine >> 8);
  return bytes;
}

TEST(LibraryHeaderTest, NamesTheMachineOfEachKind) {
  EXPECT_EQ(ParseLibraryMachine(Library(0x014C)), LibraryMachine::I686);
  EXPECT_EQ(ParseLibraryMachine(Library(0x8664)), LibraryMachine::X86_64);
  EXPECT_EQ(ParseLibraryMachine(Library(0xAA64)), LibraryMachine::Other);  // ARM64
  EXPECT_EQ(ParseLibraryMachine(Library(0x8664, 0x40)), LibraryMachine::X86_64);
  EXPECT_EQ(DescribeMachine(LibraryMachine::I686), "32-bit (i686)");
  EXPECT_EQ(DescribeMachine(LibraryMachine::X86_64), "64-bit (x86-64)");
}

// Cut short anywhere, pointing past its end or at no signature: unknown,
// never a read beyond the bytes.
TEST(LibraryHeaderTest, TruncatedOrForeignFilesAreUnknown) {
  const std::string whole = Library(0x8664);
  for (std::size_t size = 0; size < 0x86; ++size)
    EXPECT_EQ(ParseLibraryMachine(whole.substr(0, size)), LibraryMachine::Unknown) << size;
  EXPECT_EQ(ParseLibraryMachine(whole.substr(0, 0x86)), LibraryMachine::X86_64);
  std::string far = whole;
  far[0x3C] = far[0x3D] = far[0x3E] = far[0x3F] = static_cast<char>(0xFF);
  EXPECT_EQ(ParseLibraryMachine(far), LibraryMachine::Unknown);
  std::string unsigned_ = whole;
  unsigned_[0x80] = 'N';
  EXPECT_EQ(ParseLibraryMachine(unsigned_), LibraryMachine::Unknown);
  EXPECT_EQ(ParseLibraryMachine(std::string(4096, 'x')), LibraryMachine::Unknown);
}

}  // namespace
}  // namespace kesto
