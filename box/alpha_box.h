// Building and showing alpha boxes (see box/alpha_frame.h).
#pragma once

#include <windows.h>

#include <string>

#include "box/box.h"

namespace kesto {

// Whether a box of this file and background image is built as an alpha box:
// the image has an alpha channel, and the box hosts no plug-in (a plug-in's
// windows would not be drawn; such a box keeps the ordinary path, and the log
// says so).
bool BuildsAlphaBox(TBoxHeader& header, HBITMAP image, int width, int height);
// The background (plain, or nine-slice tiled as an ordinary box is) into the
// box's frame, its constant alpha from the KestoAlphaTransparency value.
bool PrepareAlphaFrame(TBox& box, HBITMAP image, const std::string& offsets, const std::string& alpha);
// The *Text labels blended into the frame's background: opaque in their
// colour, their anti-aliased edges blended.
void DrawAlphaLabels(TBox& box, TBoxHeader& header);
// Background, then every shown button in its current state (the earlier line
// on top), shown with one UpdateLayeredWindow; the window's region is the
// pixels that are not see-through, so that clicks on the rest pass through.
void ComposeAlphaFrame(TBox& box);
// Only the part of the picture a button's state change touched (in the box's
// pixels): that part is composed again, shown as the window's changed part,
// and its share of the region computed again.
void ComposeAlphaArea(TBox& box, RECT area);
// What the buttons of the box of this window ask at a state change: the
// area they cover, or (none) the whole picture.
void ComposeFrameOfWindow(HWND window, const RECT* area);
// Every alpha box again (after a group was shown or hidden).
void ComposeAlphaFrames();

}  // namespace kesto
