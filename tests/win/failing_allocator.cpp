// Replaces the program's operator new so a test can make one allocation fail.
#include "tests/win/failing_allocator.h"

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

void* Allocate(std::size_t size) {
  if (InShell == 0) ++Counted;
  if (InShell == 0 && Countdown > 0 && --Countdown == 0) {
    Failed = true;
    throw std::bad_alloc();
  }
  if (void* memory = std::malloc(size ? size : 1)) return memory;
  throw std::bad_alloc();
}

}  // namespace

void FailAllocation(long nth) {
  WatchTheShell();
  Countdown = nth;
  Failed = false;
}
void StopFailingAllocations() { Countdown = 0; }
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
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
