// What a screen reader reads of a box: a pane named by KestoName whose
// children are its buttons in reading order (rows top to bottom, each left
// to right), each read as the button itself reads.
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
