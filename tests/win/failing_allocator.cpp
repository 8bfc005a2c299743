// Replaces the program's operator new so a test can make one allocation fail,
// and so that a run can put every allocation above 4 GB (x86-64, with
// KESTO_TEST_HIGH_ADDRESSES set): the free address space below 4 GB is
// reserved before the first allocation, which comes from a heap of its own.
// An address cut to 32 bits anywhere then fails at once.
#include "tests/win/failing_allocator.h"

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <new>

#include "shell/host/host.h"

namespace kestotest {
namespace {

long Countdown = 0;  // 0: no failure pending
bool Failed = false;
long Counted = 0;
int InShell = 0;  // the stand-in shell's own callbacks allocate unhindered

void EnterShell() { ++InShell; }
void LeaveShell() { --InShell; }

void WatchTheShell() {
  static const bool watching = (standin::ObserveHostCallbacks({EnterShell, LeaveShell}), true);
  (void)watching;
}

constexpr std::uint64_t kFourGigabytes = 0x100000000ULL;
bool ChosenHeap = false;
HANDLE HighHeap = nullptr;  // set for a high-address run

void ReserveLowAddressSpace() {
  std::uint64_t address = 0x10000;
  MEMORY_BASIC_INFORMATION region;
  while (address < kFourGigabytes &&
         VirtualQuery(reinterpret_cast<void*>(address), &region, sizeof region) == sizeof region) {
    const auto base = reinterpret_cast<std::uint64_t>(region.BaseAddress);
    const std::uint64_t end = base + region.RegionSize;
    if (region.State == MEM_FREE) {
      // Reservations start on the 64 KB allocation grain.
      const std::uint64_t start = (base + 0xFFFF) & ~std::uint64_t{0xFFFF};
      const std::uint64_t stop = end < kFourGigabytes ? end : kFourGigabytes;
      if (stop > start)
        VirtualAlloc(reinterpret_cast<void*>(start), static_cast<SIZE_T>(stop - start), MEM_RESERVE, PAGE_NOACCESS);
    }
    address = end;
  }
}

void ChooseHeap() {
  ChosenHeap = true;
  if (sizeof(void*) != 8 || GetEnvironmentVariableA("KESTO_TEST_HIGH_ADDRESSES", nullptr, 0) == 0) return;
  ReserveLowAddressSpace();
  HighHeap = HeapCreate(0, 0, 0);
}

void* Allocate(std::size_t size) {
  if (!ChosenHeap) ChooseHeap();
  if (InShell == 0) ++Counted;
  if (InShell == 0 && Countdown > 0 && --Countdown == 0) {
    Failed = true;
    throw std::bad_alloc();
  }
  void* memory = HighHeap ? HeapAlloc(HighHeap, 0, size ? size : 1) : std::malloc(size ? size : 1);
  if (memory) return memory;
  throw std::bad_alloc();
}

void Release(void* memory) {
  if (!memory) return;
  if (HighHeap) {
    HeapFree(HighHeap, 0, memory);
  } else {
    std::free(memory);
  }
}

}  // namespace

void FailAllocation(long nth) {
  WatchTheShell();
  Countdown = nth;
  Failed = false;
}
void StopFailingAllocations() { Countdown = 0; }
bool HighAddressRun() { return HighHeap != nullptr; }
bool AllocationFailed() { return Failed; }
long AllocationsCounted() { return Counted; }
void StartCountingAllocations() {
  WatchTheShell();
  Counted = 0;
}

}  // namespace kestotest

void* operator new(std::size_t size) { return kestotest::Allocate(size); }
void* operator new[](std::size_t size) { return kestotest::Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return kestotest::Allocate(size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* memory) noexcept { kestotest::Release(memory); }
void operator delete[](void* memory) noexcept { kestotest::Release(memory); }
void operator delete(void* memory, std::size_t) noexcept { kestotest::Release(memory); }
void operator delete[](void* memory, std::size_t) noexcept { kestotest::Release(memory); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { kestotest::Release(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { kestotest::Release(memory); }
