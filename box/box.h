// A box: one borderless desktop window described by one box file.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "boxfile/box_file.h"
#include "boxfile/scale.h"
#include "boxfile/text_helpers.h"
#include "content/hosted_modules.h"
#include "content/shortcuts.h"
#include "base/file_fingerprint.h"
#include "base/owned.h"
#include "box/alpha_frame.h"
#include "box/placement.h"

namespace kesto {

constexpr std::uint8_t BoxDragging = 0x01;
constexpr std::uint8_t BoxTiled = 0x02;
constexpr std::uint8_t BoxHidden = 0x08;
constexpr std::uint8_t BoxTranslucent = 0x20;
constexpr std::uint8_t BoxRememberPosition = 0x40;

constexpr const char* kBoxClass = "KestoClass";

// What a box is going through; only a live box may be destroyed at once.
enum class BoxLife : std::uint8_t { Building, Live, Destroying };

struct TBox {
  OwnedBitmap Picture;      // what MemDC paints from; declared first, so released after it
  OwnedDC MemDC;            // the picture the window paints from
  OwnedBitmap BackBitmap;   // the loaded image, kept only for a tiled background
  HWND Window = nullptr;    // destroyed by DestroyBox; cleared when it dies behind Kesto's back
  std::int32_t X = 0;
  std::int32_t Y = 0;
  std::int32_t Height = 0;
  std::int32_t Width = 0;
  RECT DragRect{};
  std::string OnLeftClick;
  std::string OnRightClick;
  std::string Name;
  std::uint8_t Flags = 0;
  std::unique_ptr<TShortcut> Shortcuts;
  std::unique_ptr<THostedModule> Modules;
  std::unique_ptr<TWharfSlot> WharfSlots;
  std::unique_ptr<TBox> Next;  // the next (older) box
  RECT SnapArea{};        // on the screen; from the file's numbers when it has the line
  bool HasSnapArea = false;
  TFourNumbers SnapNumbers{};  // the file's snap area, relative to the box's monitor
  TPlace Place;            // where the box belongs, as its file means it (or where it was last dragged)
  TPlace BuiltFrom;        // the file's KestoMonitor, KestoX and KestoY when the box was built
  bool Rescued = false;    // shown elsewhere than its place: its monitor is missing or was lost
  bool OnScreen = true;    // its place showed on a monitor when it was last placed
  BoxFile Header;  // open only while the box is built or its position saved
  std::string FileName;  // the full path of the file actually loaded
  BoxLife Life = BoxLife::Building;
  std::uint32_t Serial = 0;  // unique for the module's life: names a box across calls out
  bool DestroyRequested = false;  // carried out once no operation works on the box
  bool AutoReload = false;  // rebuilt when one of its files is saved with other contents
  WatchedFiles Watched;     // its box file first, then every image file it loaded
  std::string WatchProblem;  // why its files could not be checked last time; empty when they could
  int HeldTries = 0;  // reads of a file held by another program since the last save notice
  std::unique_ptr<TAlphaFrame> Frame;  // an alpha box's picture; none for every other box
  bool HasBackgroundLine = false;  // its file named a background: a save without one is cut short
  bool BeingReplaced = false;  // a box is being built from its file to take its place
  bool Replaced = false;  // its successor stands: its teardown writes nothing into the file
  bool HasKeyboard = false;     // given the keyboard by !KestoFocus, until Esc or the user goes elsewhere
  bool TakesKeyboard = false;   // KestoKeyboard: a click gives it the keyboard too
  std::vector<TLabel> Labels;   // its *Text labels, as a screen reader reads them
  HWND KeyboardReturn = nullptr;  // the window that had the keyboard before: Esc gives it back
  unsigned Dpi = kLogicalDpi;  // its monitor's DPI when it was built (96 with KestoDpiScaling off)
  std::int32_t Zoom = 100;  // KestoZoom, or what !KestoZoom set while it runs
  std::int32_t ZoomByBang = 0;  // what !KestoZoom set; 0 when it set nothing
  bool DpiScaling = true;   // false: KestoDpiScaling off, device pixels as the file says

  // Device pixels per logical pixel: its monitor's DPI over 96 times its zoom.
  TScale Scale() const { return ScaleFor(Dpi, Zoom, DpiScaling); }
  // The same without the zoom: its place on the desktop is in its monitor's pixels.
  TScale PlaceScale() const { return ScaleFor(Dpi, 100, DpiScaling); }
};

// What a box built again from its file takes over from the box it replaces:
// its place (unless the file's position values were edited meanwhile), its
// place in the stacking order and whether it is shown.
struct TCarriedOver {
  std::uint32_t Replaces = 0;  // the serial of the box replaced
  HWND Behind = nullptr;       // its window: the new one is stacked right behind it
  TPlace BuiltFrom;            // the file's position values it was built from
  bool Placed = false;         // its window stood at WindowAt
  POINT WindowAt{};
  POINT Centre{};              // its window's centre: the monitor there gives the new box's scale
  std::int32_t X = 0, Y = 0;
  TPlace Place;
  bool Rescued = false;
  bool Shown = true;
  bool Hidden = false;  // hidden by a bang
  std::int32_t Zoom = 0;  // a zoom set by !KestoZoom, kept across the rebuild; 0 for the file's
  unsigned Dpi = 0;       // the DPI it was drawn at: at another one it stands anew where its place is
};

inline RECT AsRect(const TFourNumbers& n) { return {n.Left, n.Top, n.Right, n.Bottom}; }

// The serial of the box it made, or 0 when it made none (or showed an
// existing unique box).
std::uint32_t CreateBox(const std::string& path);
// The same from a file already read; carried, when given, is what the box
// takes over from the one it is built to replace.
std::uint32_t CreateBoxFrom(BoxFile file, const TCarriedOver* carried);
// Releases everything the box holds; the caller unlinks and disposes of it.
void DestroyBox(TBox& box);
// Shows a box window where it stands in the stacking order, without taking
// the keyboard focus from the window the user is typing in.
void ShowWithoutActivating(HWND window);
// The area a drag keeps the box in, on the monitors there are now: the file's
// snap area on the box's monitor, or that whole monitor.
void PlaceSnapArea(TBox& box, const MonitorSet& monitors);
// Puts every box again where its place is on the monitors there are now
// (after monitors were added, removed or changed); writes no file.
void PlaceBoxesAgain();
// The DPI a box standing at this rectangle is drawn at: that of the monitor its
// centre is on (96 for a box that keeps device pixels).
unsigned DpiOn(const TBox& box, const RECT& rect);
// Every box whose monitor's scale is not the one it is drawn at is drawn
// again at its monitor's (built anew from its file, where it stands).
void RescaleBoxes();
LRESULT CALLBACK BoxWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace kesto
