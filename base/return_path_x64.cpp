// x86-64: the return path the entry thunks jump to, copied out of Kesto.dll.
//
// On entry r10 holds the body's address and rcx, rdx, r8 and r9 the caller's
// arguments. The path calls the body, asks for the library reference to give
// back, gives it back with FreeLibrary and returns the body's result. The
// code after FreeLibrary runs from a page that is not part of the library,
// so it is still there when FreeLibrary has unloaded Kesto.dll.
//
// The page is made when the library loads and released when it unloads,
// except when it is the page that unloads it: then it is still on the stack,
// and it stays for the life of the process (one page per such unload).
#include "base/entry_thunk.h"

#if defined(__x86_64__)

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "base/operation.h"

void* KestoReturnPath = nullptr;  // declared extern "C" in the header

// The code as it is copied: position-independent, its two addresses read
// from slots at its end, which the copy fills in.
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
  call *KestoReturnPathFreeSlot(%rip)
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

// The prolog is the one 4-byte "subq $56, %rsp": how a stack walk (an
// exception, a debugger) passes through the page.
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

struct ReturnPathPage {
  unsigned char Code[128];
  RUNTIME_FUNCTION Function;
  UnwindInfo Unwind;
};

ReturnPathPage* Page = nullptr;

// Set once the page has handed a reference to FreeLibrary: it is on the
// stack of that call and must outlive the library.
bool PageUnloadsLibrary = false;

void FillSlot(const unsigned char* slot, const void* address) {
  std::memcpy(Page->Code + (slot - KestoReturnPathCode), &address, sizeof address);
}

}  // namespace

bool EntryReturnPathReady() { return KestoReturnPath != nullptr; }

}  // namespace kesto

// Asked by the page: the reference to give back now, or none.
extern "C" HMODULE KestoTakeSelfReleaseFromPage() {
  HMODULE library = KestoTakeSelfRelease();
  if (library) kesto::PageUnloadsLibrary = true;
  return library;
}

namespace kesto {
namespace {

class ReturnPathOwner {
 public:
  ReturnPathOwner() {
    const auto size = static_cast<std::size_t>(KestoReturnPathEnd - KestoReturnPathCode);
    static_assert(sizeof(ReturnPathPage) <= 4096, "one page");
    if (size > sizeof(Page->Code)) return;
    Page = static_cast<ReturnPathPage*>(
        VirtualAlloc(nullptr, sizeof(ReturnPathPage), MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    if (!Page) return;
    std::memcpy(Page->Code, KestoReturnPathCode, size);
    FillSlot(KestoReturnPathTakeSlot, reinterpret_cast<const void*>(&KestoTakeSelfReleaseFromPage));
    FillSlot(KestoReturnPathFreeSlot, reinterpret_cast<const void*>(&FreeLibrary));
    const auto base = reinterpret_cast<DWORD64>(Page);
    Page->Function.BeginAddress = 0;
    Page->Function.EndAddress = static_cast<DWORD>(size);
    Page->Function.UnwindData = static_cast<DWORD>(offsetof(ReturnPathPage, Unwind));
    Page->Unwind = UnwindInfo{};
    DWORD old = 0;
    if (!VirtualProtect(Page, sizeof(ReturnPathPage), PAGE_EXECUTE_READ, &old)) {
      VirtualFree(Page, 0, MEM_RELEASE);
      Page = nullptr;
      return;
    }
    FlushInstructionCache(GetCurrentProcess(), Page, sizeof(ReturnPathPage));
    registered_ = RtlAddFunctionTable(&Page->Function, 1, base) != FALSE;
    KestoReturnPath = Page->Code;
  }

  ~ReturnPathOwner() {
    if (!Page || PageUnloadsLibrary) return;
    KestoReturnPath = nullptr;
    if (registered_) RtlDeleteFunctionTable(&Page->Function);
    VirtualFree(Page, 0, MEM_RELEASE);
    Page = nullptr;
  }

  ReturnPathOwner(const ReturnPathOwner&) = delete;
  ReturnPathOwner& operator=(const ReturnPathOwner&) = delete;

 private:
  bool registered_ = false;
};

const ReturnPathOwner Owner;

}  // namespace
}  // namespace kesto

#endif
