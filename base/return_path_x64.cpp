// x86-64: the return path the entry thunks jump to, copied out of Kesto.dll.
//
// On entry r10 holds the body's address and rcx, rdx, r8 and r9 the caller's
// arguments. The path calls the body, asks for the library reference to give
// back, gives it back with FreeLibrary and returns the body's result. The
// code after FreeLibrary runs from a page that is not part of the library,
// so it is still there when FreeLibrary has unloaded Kesto.dll.
//
// Two pages are made when the library loads: the code (read and execute) and
// a counter of its FreeLibrary calls under way (read and write). They are
// released when the library unloads, unless the unload is one of those calls:
// then the code is still on the stack, and the pages stay for the life of the
// process (one pair per such unload).
#include "base/entry_thunk.h"

#if defined(__x86_64__)

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "base/operation.h"

void* KestoReturnPath = nullptr;  // declared extern "C" in the header

// The code as it is copied: position-independent, its two addresses read
// from slots at its end, which the copy fills in; the counter lies one page
// after its start.
extern "C" const unsigned char KestoReturnPathCode[], KestoReturnPathTakeSlot[], KestoReturnPathFreeSlot[],
    KestoReturnPathEnd[];
asm(R"(
.section .rdata,"dr"
.p2align 4
.globl KestoReturnPathCode
KestoReturnPathCode:
  subq $56, %rsp             # shadow space, the result's slot, alignment
  call *%r10
  movq %rax, 32(%rsp)
  call *KestoReturnPathTakeSlot(%rip)
  testq %rax, %rax
  jz 1f
  movq %rax, %rcx
  lock incq KestoReturnPathCode+4096(%rip)
  call *KestoReturnPathFreeSlot(%rip)
  lock decq KestoReturnPathCode+4096(%rip)
1:
  movq 32(%rsp), %rax
  addq $56, %rsp
  ret
.p2align 3
.globl KestoReturnPathTakeSlot
KestoReturnPathTakeSlot: .quad 0
.globl KestoReturnPathFreeSlot
KestoReturnPathFreeSlot: .quad 0
.globl KestoReturnPathEnd
KestoReturnPathEnd:
.text
)");

namespace kesto {
namespace {

constexpr std::size_t kPage = 4096;

// The prolog is the one 4-byte "subq $56, %rsp": how a stack walk (an
// exception, a debugger) passes through the code.
constexpr unsigned char kPrologSize = 4;
constexpr unsigned char kFrameSize = 56;

struct UnwindInfo {
  unsigned char VersionAndFlags = 1;
  unsigned char PrologSize = kPrologSize;
  unsigned char CodeCount = 1;
  unsigned char FrameRegister = 0;
  unsigned char CodeOffset = kPrologSize;
  unsigned char Operation = 2 /* UWOP_ALLOC_SMALL */ | ((kFrameSize / 8 - 1) << 4);
  unsigned char Padding[2] = {};
};

struct ReturnPathPages {
  unsigned char Code[128];
  RUNTIME_FUNCTION Function;
  UnwindInfo Unwind;
  unsigned char Rest[kPage - 128 - sizeof(RUNTIME_FUNCTION) - sizeof(UnwindInfo)];
  volatile std::int64_t FreesUnderWay;  // the second page
};
static_assert(offsetof(ReturnPathPages, FreesUnderWay) == kPage, "the counter starts the second page");

class ReturnPathOwner {
 public:
  ReturnPathOwner() {
    const auto size = static_cast<std::size_t>(KestoReturnPathEnd - KestoReturnPathCode);
    if (size > sizeof(ReturnPathPages::Code)) return;
    pages_ = static_cast<ReturnPathPages*>(
        VirtualAlloc(nullptr, sizeof(ReturnPathPages), MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    if (!pages_) return;
    std::memcpy(pages_->Code, KestoReturnPathCode, size);
    FillSlot(KestoReturnPathTakeSlot, reinterpret_cast<const void*>(&KestoTakeSelfRelease));
    FillSlot(KestoReturnPathFreeSlot, reinterpret_cast<const void*>(&FreeLibrary));
    pages_->Function.BeginAddress = 0;
    pages_->Function.EndAddress = static_cast<DWORD>(size);
    pages_->Function.UnwindData = static_cast<DWORD>(offsetof(ReturnPathPages, Unwind));
    pages_->Unwind = UnwindInfo{};
    DWORD old = 0;
    if (!VirtualProtect(pages_, kPage, PAGE_EXECUTE_READ, &old)) {
      VirtualFree(pages_, 0, MEM_RELEASE);
      pages_ = nullptr;
      return;
    }
    FlushInstructionCache(GetCurrentProcess(), pages_, kPage);
    registered_ = RtlAddFunctionTable(&pages_->Function, 1, reinterpret_cast<DWORD64>(pages_)) != FALSE;
    KestoReturnPath = pages_->Code;
  }

  ~ReturnPathOwner() {
    // Unloaded by the pages' own FreeLibrary: they are still on the stack.
    if (!pages_ || pages_->FreesUnderWay != 0) return;
    KestoReturnPath = nullptr;
    if (registered_) RtlDeleteFunctionTable(&pages_->Function);
    VirtualFree(pages_, 0, MEM_RELEASE);
  }

  ReturnPathOwner(const ReturnPathOwner&) = delete;
  ReturnPathOwner& operator=(const ReturnPathOwner&) = delete;

 private:
  void FillSlot(const unsigned char* slot, const void* address) {
    std::memcpy(pages_->Code + (slot - KestoReturnPathCode), &address, sizeof address);
  }

  ReturnPathPages* pages_ = nullptr;
  bool registered_ = false;
};

const ReturnPathOwner Owner;

}  // namespace

bool EntryReturnPathReady() { return KestoReturnPath != nullptr; }

}  // namespace kesto

#endif
