// BoxList, the module-wide chain of boxes, newest first, and every operation
// on it. No other file touches the list's links.
//
// A box says what it is going through. A destroy that meets a box in the
// middle of its building or its teardown (a command run inside a message
// loop that the operation opened) does not free it under that operation's
// feet: the box is marked, and destroyed once the outermost operation on the
// stack has returned.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "box/box.h"

namespace kesto {

extern std::unique_ptr<TBox> BoxList;  // newest first

// A new record at the head of the list, in the building state.
TBox& LinkNewBox();
// Takes the box out of the list; none when it is not linked.
std::unique_ptr<TBox> UnlinkBox(const TBox& box);

// The newest box whose name equals the first token of name, ignoring a-z
// case, that is not on its way out: the lookup of the bang commands.
TBox* FindBoxByName(const std::string& name);
// The newest box of exactly this name that is not on its way out.
TBox* FindBoxNamedExactly(const std::string& name);
// The box whose window this is, in any state; none while a new window is
// still being created.
TBox* FindBoxByWindow(HWND window);
// The box of this serial, in any state; none once it is gone.
TBox* FindBoxBySerial(std::uint32_t serial);
bool AnyBoxes();
// The head of the list: the box made last.
TBox* NewestBox();

// Destroys the box now, or marks it when an operation is working on it.
void RequestDestroy(TBox& box);
// The same for every box, newest first.
void RequestDestroyAll();
// Destroys the marked boxes that no operation is working on any more.
void FinishRequestedDestroys();

template <class Visit>
void ForEachBox(Visit visit) {
  for (TBox* box = BoxList.get(); box; box = box->Next.get()) visit(*box);
}

}  // namespace kesto
