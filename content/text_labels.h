// Fixed text labels, drawn once into the box's picture.
#pragma once

#include "boxfile/box_file.h"
#include "content/content_host.h"

namespace kesto {
void DrawTexts(TBoxHeader& header, const TContentHost& host);
}  // namespace kesto
