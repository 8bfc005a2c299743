// Allocation failures on request, for the code linked into the test program
// (Kesto's own; the stand-in shell's library and the plug-ins allocate apart).
#pragma once

namespace kestotest {

// From now on, the nth allocation (1 = the next) throws std::bad_alloc, once.
void FailAllocation(long nth);
// No failure pending.
void StopFailingAllocations();
// Whether the failure asked for has happened.
bool AllocationFailed();
// Allocations made since counting began.
long AllocationsCounted();
void StartCountingAllocations();
// Whether this run keeps every allocation above 4 GB (KESTO_TEST_HIGH_ADDRESSES, x86-64).
bool HighAddressRun();

}  // namespace kestotest
