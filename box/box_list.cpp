#include "box/box_list.h"

#include "box/auto_reload.h"
#include "boxfile/text_encoding.h"
#include "boxfile/text_helpers.h"

namespace kesto {

std::unique_ptr<TBox> BoxList;

namespace {

std::uint32_t LastSerial = 0;

bool OnItsWayOut(const TBox& box) { return box.DestroyRequested || box.Life == BoxLife::Destroying; }

TBox* FirstMarkedIdleBox() {
  for (TBox* box = BoxList.get(); box; box = box->Next.get()) {
    if (box->DestroyRequested && box->Life == BoxLife::Live) return box;
  }
  return nullptr;
}

}  // namespace

TBox& LinkNewBox() {
  auto created = std::make_unique<TBox>();
  created->Life = BoxLife::Building;
  created->Serial = ++LastSerial;
  created->Next = std::move(BoxList);
  BoxList = std::move(created);
  return *BoxList;
}

std::unique_ptr<TBox> UnlinkBox(const TBox& box) {
  std::unique_ptr<TBox>* link = &BoxList;
  while (*link && link->get() != &box) link = &(*link)->Next;
  if (!*link) return nullptr;  // not linked: nothing to take out
  std::unique_ptr<TBox> taken = std::move(*link);
  *link = std::move(taken->Next);
  return taken;
}

TBox* FindBoxByName(const std::string& name) {
  // Without regard to case in every script, as for ASCII.
  std::string key = UpperUnicode(GetToken(name, 1));
  for (TBox* box = BoxList.get(); box; box = box->Next.get()) {
    if (!OnItsWayOut(*box) && UpperUnicode(box->Name) == key) return box;
  }
  return nullptr;
}

TBox* FindBoxNamedExactly(const std::string& name) {
  for (TBox* box = BoxList.get(); box; box = box->Next.get()) {
    if (!OnItsWayOut(*box) && box->Name == name) return box;
  }
  return nullptr;
}

TBox* FindBoxByWindow(HWND window) {
  if (!window) return nullptr;
  for (TBox* box = BoxList.get(); box; box = box->Next.get()) {
    if (box->Window == window) return box;
  }
  return nullptr;
}

TBox* FindBoxBySerial(std::uint32_t serial) {
  for (TBox* box = BoxList.get(); box; box = box->Next.get()) {
    if (box->Serial == serial) return box;
  }
  return nullptr;
}

bool AnyBoxes() { return BoxList != nullptr; }

TBox* NewestBox() { return BoxList.get(); }

void RequestDestroy(TBox& box) {
  if (box.Life != BoxLife::Live) {
    // Still being built, or already being destroyed further down the stack.
    box.DestroyRequested = true;
    return;
  }
  box.Life = BoxLife::Destroying;
  // Still linked while its window goes, and disposed of whatever the
  // teardown met: a box is never left in its destroying state.
  try {
    DestroyBox(box);
  } catch (...) {
  }
  const bool watched = box.AutoReload;
  UnlinkBox(box);
  // Its files are watched no more (unless another box watches them too).
  if (watched) UpdateWatches();
}

void RequestDestroyAll() {
  for (TBox* box = BoxList.get(); box; box = box->Next.get()) box->DestroyRequested = true;
  FinishRequestedDestroys();
}

void FinishRequestedDestroys() {
  // From the head each time: a destroy may run commands that change the list.
  while (TBox* box = FirstMarkedIdleBox()) RequestDestroy(*box);
}

}  // namespace kesto
