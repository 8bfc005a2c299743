// What a screen reader reads of a box: a pane named by KestoName whose
// children are its buttons and labels in reading order (rows top to bottom,
// each left to right): a button read as the button itself reads, a label as
// static text.
#pragma once

#include <windows.h>

#include <vector>

#include "base/accessible_object.h"
#include "box/box.h"

namespace kesto {

// The box's button windows in reading order: rows top to bottom, each left to right.
std::vector<HWND> ButtonsInReadingOrder(const TBox& box);

const TAccessibleSource& BoxAccessibility();

}  // namespace kesto
