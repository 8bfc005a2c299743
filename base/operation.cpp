#include "base/operation.h"

#include <utility>

namespace kesto {
namespace {

int OperationDepth = 0;
KestoOperation::Release OutermostRelease = KestoOperation::Release::AfterReturn;
HMODULE HeldLibrary = nullptr;     // the reference taken by the outermost operation
HMODULE PendingRelease = nullptr;  // handed to the entry thunk once the entry returns
void (*DeferredWork)() = nullptr;

HMODULE HoldOwnLibrary() {
  HMODULE self = nullptr;
  // Without the unchanged-count flag this adds a reference, as LoadLibrary does.
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&HoldOwnLibrary), &self);
  return self;
}

}  // namespace

KestoOperation::KestoOperation(Release release) : release_(release) {
  if (OperationDepth++ > 0) return;
  dpi_.emplace();
  OutermostRelease = release_;
  HeldLibrary = HoldOwnLibrary();
}

KestoOperation::~KestoOperation() {
  if (OperationDepth > 1) {
    --OperationDepth;
    return;
  }
  try {
    if (DeferredWork) DeferredWork();
  } catch (...) {
    // Whatever could not be finished now is tried again after the next operation.
  }
  --OperationDepth;
  dpi_.reset();
  HMODULE held = std::exchange(HeldLibrary, nullptr);
  if (!held) return;
  if (OutermostRelease == Release::AtOnce) {
    FreeLibrary(held);
  } else {
    PendingRelease = held;
  }
}

int KestoOperation::Depth() { return OperationDepth; }

void SetDeferredWork(void (*work)()) { DeferredWork = work; }

}  // namespace kesto

extern "C" HMODULE KestoTakeSelfRelease() { return std::exchange(kesto::PendingRelease, nullptr); }
