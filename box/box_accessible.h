// What a screen reader reads of a box: a pane named by KestoName whose
// children are its buttons in reading order (rows top to bottom, each left
// to right), each read as the button itself reads.
#pragma once

#include "base/accessible_object.h"

namespace kesto {

const TAccessibleSource& BoxAccessibility();

}  // namespace kesto
