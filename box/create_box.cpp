#include "base/command_queue.h"
#include "base/dpi.h"
#include "base/module_state.h"
#include "base/monitors.h"
#include "base/no_throw.h"
#include "base/shell_api.h"
#include "base/shell_expansion.h"
#include "base/shell_image.h"
#include "base/shell_log.h"
#include "base/wide_text.h"
#include "box/alpha_box.h"
#include "box/auto_reload.h"
#include "box/background.h"
#include "box/box.h"
#include "box/box_list.h"
#include "boxfile/box_rules.h"
#include "boxfile/key_slips.h"
#include "boxfile/scale.h"
#include "boxfile/text_helpers.h"
#include "content/content_host.h"
#include "content/hosted_modules.h"
#include "content/shortcuts.h"
#include "content/text_labels.h"

namespace kesto {
namespace {

BoxFile OpenBoxFile(const std::string& path) {
  BoxFile file = LoadBoxFile(path, ShellExpansion, &SystemAnsiCodePage());
  if (!file) file = LoadBoxFile(LiteStepDir + "\\" + path, ShellExpansion, &SystemAnsiCodePage());
  // The absolute form, against the current folder now: the folder may have
  // changed by the time the position is written back.
  if (file) file->FileName = FullPathOf(file->FileName);
  return file;
}

// Where the box stands: at the mouse, or where its file puts it on its
// monitor; and the area a drag keeps it in.
void ReadPosition(TBox& box) {
  TBoxHeader& file = *box.Header;
  const MonitorSet monitors = CurrentMonitors();
  box.BuiltFrom = PlaceInFile(file);
  if (BoxKeyExists(file, "KestoPopupAtMousePos")) {
    POINT cursor{};
    GetCursorPos(&cursor);
    box.X = cursor.x;
    box.Y = cursor.y;
    const RECT monitor = MonitorAt(cursor);
    box.Place = {monitors.NumberOf(monitor), box.PlaceScale().ToLogical(cursor.x - monitor.left),
                 box.PlaceScale().ToLogical(cursor.y - monitor.top)};
  } else {
    box.Place = box.BuiltFrom;
    if (!monitors.Has(box.Place.Monitor)) {
      ShellLog(kLogWarning, BoxFileName(file) + ":" + std::to_string(KeyLine(file, "KestoMonitor")) + ": monitor " +
                                std::to_string(box.Place.Monitor) + " is not there; the box is shown on the primary monitor, " +
                                std::to_string(monitors.Primary) + " " +
                                "(monitors present: " + monitors.Describe() + ")");
    }
    const POINT position = ScreenPosition(box.Place, monitors, box.Width, box.Height, box.Rescued, box.PlaceScale());
    box.X = position.x;
    box.Y = position.y;
  }
  const RECT placed{box.X, box.Y, box.X + box.Width, box.Y + box.Height};
  box.OnScreen = !OutsideEveryMonitor(placed, monitors);
  std::string snap = ReadBoxString(file, "KestoSnapArea", BoxKeyDefault("KestoSnapArea"));
  box.HasSnapArea = snap != kNoSnapArea;
  if (box.HasSnapArea) box.SnapNumbers = ReadFourNumbers(snap);
  PlaceSnapArea(box, monitors);
}

// The scale the box is drawn at: the DPI of the monitor it goes to (where
// the box it replaces stands, at the mouse, or its file's monitor) times its
// zoom; its place is read at the monitor's alone, so a zoom grows a box
// where it stands. Read before anything is loaded: images are loaded at it.
void ReadScale(TBox& box, const TCarriedOver* carried) {
  TBoxHeader& header = *box.Header;
  const std::string zoom = ReadBoxString(header, "KestoZoom", BoxKeyDefault("KestoZoom"));
  bool valid = false;
  box.Zoom = ZoomFromText(zoom.c_str(), valid);
  if (!valid && BoxKeyExists(header, "KestoZoom"))
    ShellLog(kLogWarning, BoxFileName(header) + ":" + std::to_string(KeyLine(header, "KestoZoom")) + ": KestoZoom '" +
                              zoom + "' is not a percent from 10 to 1000; the box is drawn at 100");
  if (carried && carried->Zoom) {
    box.ZoomByBang = carried->Zoom;
    box.Zoom = carried->Zoom;
  }
  box.DpiScaling = UpperText(ReadBoxString(header, "KestoDpiScaling", BoxKeyDefault("KestoDpiScaling"))) != "OFF";
  RECT monitor{};
  if (carried && carried->Placed) {
    monitor = MonitorAt(carried->Centre);
  } else if (BoxKeyExists(header, "KestoPopupAtMousePos")) {
    POINT cursor{};
    GetCursorPos(&cursor);
    monitor = MonitorAt(cursor);
  } else {
    monitor = CurrentMonitors().MonitorOrPrimary(PlaceInFile(header).Monitor);
  }
  box.Dpi = box.DpiScaling ? DpiOfMonitorAt(monitor) : kLogicalDpi;
}

// Four numbers of the file (borders, an area) at the box's scale.
TFourNumbers Scaled(const TFourNumbers& n, const TScale& scale) {
  return {scale.ToDevice(n.Left), scale.ToDevice(n.Top), scale.ToDevice(n.Right), scale.ToDevice(n.Bottom)};
}

std::string ScaledOffsets(const std::string& offsets, const TScale& scale) {
  if (scale.Identity() || !AsksForTiling(offsets)) return offsets;
  const TFourNumbers n = Scaled(ReadFourNumbers(offsets), scale);
  return std::to_string(n.Left) + " " + std::to_string(n.Top) + " " + std::to_string(n.Right) + " " +
         std::to_string(n.Bottom);
}

// A box is stacked and shown without being activated: creating or showing one
// (from a launcher's click, a hotkey's bang) never takes the keyboard focus
// from the window the user is typing in.
void StackWindow(TBox& box, bool layered) {
  if (BoxKeyExists(*box.Header, "KestoAlwaysOnTop")) {
    SetWindowPos(box.Window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
    return;
  }
  // A layered window stays top-level, as translucent boxes always have.
  if (layered) {
    SetWindowPos(box.Window, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
    return;
  }
  // Without the shell's desktop window the box stays the top-level window it
  // was made as. SetParent also stacks the window on top and activates it,
  // hidden or not: the activation goes back where it was.
  if (HWND desktop = FindWindowA(kShellDesktopClass, nullptr)) {
    HWND active = GetActiveWindow();
    HWND foreground = GetForegroundWindow();
    SetParent(box.Window, desktop);
    if (GetActiveWindow() == box.Window) SetActiveWindow(active);
    if (foreground && GetForegroundWindow() != foreground) SetForegroundWindow(foreground);
  }
  SetWindowPos(box.Window, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
}

// Ends the building state however creation leaves, so that a destroy asked
// for meanwhile can be carried out.
struct BuildingState {
  TBox& box;
  ~BuildingState() {
    box.Life = BoxLife::Live;
    CloseBoxFile(box.Header, false);
  }
};

// An ordinary box paints from its image, or from the tiled picture composed
// of it (the image then kept aside), selected into MemDC.
void PaintFromImage(TBox& box, OwnedBitmap image, const std::string& offsets) {
  PreparedBackground background =
      PrepareBackground(box.Window, image.get(), box.Width, box.Height, offsets, HasFlag(box.Flags, BoxTranslucent));
  box.MemDC = std::move(background.MemDC);
  if (background.Tiled) SetFlag(box.Flags, BoxTiled, true);
  InvalidateRgn(box.Window, nullptr, TRUE);
  if (HasFlag(box.Flags, BoxTiled)) {
    box.BackBitmap = std::move(image);
    box.Picture = std::move(background.Composed);
  } else {
    box.Picture = std::move(image);
  }
}

// A box built to replace another stands where that one stood (its window
// at windowAt; X and Y stay the place it was first made at), unless its
// file's position values changed since that one was built.
void CarryPlaceOver(TBox& box, const TCarriedOver& carried, POINT& windowAt) {
  if (box.BuiltFrom != carried.BuiltFrom) return;
  box.X = carried.X;
  box.Y = carried.Y;
  box.Place = carried.Place;
  box.Rescued = carried.Rescued;
  windowAt = carried.Placed ? carried.WindowAt : POINT{box.X, box.Y};
  const MonitorSet monitors = CurrentMonitors();
  // On a monitor of another scale (it was dropped there, or the monitor's
  // scale changed) it stands where its place is at this one.
  if (carried.Dpi != box.Dpi && !carried.Rescued) {
    bool rescued = false;
    windowAt = ScreenPosition(box.Place, monitors, box.Width, box.Height, rescued, box.PlaceScale());
    const POINT start = ScreenPosition(box.BuiltFrom, monitors, box.Width, box.Height, rescued, box.PlaceScale());
    box.X = start.x;  // where !KestoResetPos puts it back, at this scale
    box.Y = start.y;
  }
  box.OnScreen =
      !OutsideEveryMonitor({windowAt.x, windowAt.y, windowAt.x + box.Width, windowAt.y + box.Height}, monitors);
  PlaceSnapArea(box, monitors);
}

// Right behind the box it replaces, when both live among the same windows.
void StackBehind(HWND window, HWND replaced) {
  if (!replaced || !IsWindow(replaced) || GetParent(window) != GetParent(replaced)) return;
  const LONG_PTR topmost = WS_EX_TOPMOST;
  if ((GetWindowLongPtrW(window, GWL_EXSTYLE) & topmost) != (GetWindowLongPtrW(replaced, GWL_EXSTYLE) & topmost)) return;
  SetWindowPos(window, replaced, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void BuildBox(TBox& box, const TCarriedOver* carried) {
  // Its windows are made per-monitor aware, whatever the calling thread is,
  // and may hold plug-ins' windows that are not.
  const DpiAwareScope aware(true);
  TBoxHeader& header = *box.Header;
  box.FileName = header.FileName;  // first: a build that fails halfway is torn down as any other
  box.Name = ReadBoxString(header, "KestoName", BoxKeyDefault("KestoName"));
  // What the checker would say of its keys, as guesses with the full path.
  for (const TKeySlip& slip : FindKeySlips(header))
    ShellLog(kLogWarning, box.FileName + ":" + std::to_string(slip.Line) + ": " + slip.Message);
  box.AutoReload = BoxKeyExists(header, "KestoAutoReload");
  // The files a box that rebuilds itself is made of, as they are now.
  WatchedFiles* sources = box.AutoReload ? &box.Watched : nullptr;
  if (sources) sources->push_back({box.FileName, header.ContentHash, box.FileName});

  ReadScale(box, carried);
  // Owned from the line that loads it: it ends as the picture or BackBitmap.
  const std::string imageName = ReadBoxString(header, "KestoBackGround", BoxKeyDefault("KestoBackGround"));
  OwnedBitmap image(LoadScaledImage(
      imageName, BoxFileName(header) + ":" + std::to_string(KeyLine(header, "KestoBackGround")), box.Scale(), sources));
  int imageWidth = 0, imageHeight = 0;
  GetLSBitmapSize(image.get(), &imageWidth, &imageHeight);
  box.Height = box.Scale().ToDevice(ReadBoxInt(header, "KestoHeight", 0));
  box.Width = box.Scale().ToDevice(ReadBoxInt(header, "KestoWidth", 0));
  if (box.Height == 0) box.Height = imageHeight;
  if (box.Width == 0) box.Width = imageWidth;
  if (!image) {
    ShellLog(kLogError, BoxFileName(header) + ": background '" + imageName + "' not found; the box is " +
                            std::to_string(box.Width) + "x" + std::to_string(box.Height));
  }
  ReadPosition(box);
  POINT windowAt{box.X, box.Y};
  if (carried) CarryPlaceOver(box, *carried, windowAt);
  box.HasBackgroundLine = BoxKeyExists(header, "KestoBackGround");
  box.DragRect = AsRect(
      Scaled(ReadFourNumbers(ReadBoxString(header, "KestoDragRect", BoxKeyDefault("KestoDragRect"))), box.Scale()));
  box.OnLeftClick = ReadBoxString(header, "KestoOnLeftClick", BoxKeyDefault("KestoOnLeftClick"));
  box.OnRightClick = ReadBoxString(header, "KestoOnRightClick", BoxKeyDefault("KestoOnRightClick"));

  // A background with an alpha channel makes an alpha box: a layered window
  // shown from a composed picture, on which SetLayeredWindowAttributes must
  // never be called (UpdateLayeredWindow fails after it).
  const bool alphaBox = box.Width > 0 && box.Height > 0 && BuildsAlphaBox(header, image.get(), box.Width, box.Height);
  // A Unicode window: its title (the box's name) keeps every script.
  RegisterModuleClass(kBoxClass, BoxWndProc, true);
  box.Window = CreateWindowExW(WS_EX_TOOLWINDOW | (alphaBox ? WS_EX_LAYERED : 0), L"KestoClass", Wide(box.Name).c_str(),
                               WS_POPUP, windowAt.x, windowAt.y, box.Width, box.Height, nullptr, nullptr, ModuleInstance,
                               nullptr);
  StackWindow(box, alphaBox);
  if (carried) StackBehind(box.Window, carried->Behind);

  std::string alpha = ReadBoxString(header, "KestoAlphaTransparency", BoxKeyDefault("KestoAlphaTransparency"));
  const std::string offsets =
      ScaledOffsets(ReadBoxString(header, "KestoBackgroundOffs", BoxKeyDefault("KestoBackgroundOffs")), box.Scale());
  // An alpha box draws its buttons and labels into its picture and is shown
  // once that is composed; an ordinary one is shown first, then painted.
  const bool framed = alphaBox && PrepareAlphaFrame(box, image.get(), offsets, alpha);
  const bool startHidden = carried ? !carried->Shown : BoxKeyExists(header, "KestoStartHidden");
  if (carried) SetFlag(box.Flags, BoxHidden, carried->Hidden);
  if (!framed) {
    if (alpha != kNoAlpha && ApplyTranslucency(box.Window, alpha)) SetFlag(box.Flags, BoxTranslucent, true);
    if (!startHidden) ShowWithoutActivating(box.Window);
  }
  if (!BoxKeyExists(header, "KestoNotSticky")) SetWindowLongPtrA(box.Window, GWLP_USERDATA, kStickyMarker);
  if (!framed) PaintFromImage(box, std::move(image), offsets);
  if (BoxKeyExists(header, "KestoRememberPosition")) SetFlag(box.Flags, BoxRememberPosition, true);
  box.TakesKeyboard = BoxKeyExists(header, "KestoKeyboard");

  const TContentHost host{box.Window, box.Width, box.Height, framed ? box.Frame->Picture.DC.get() : box.MemDC.get(),
                          sources, framed ? ComposeFrameOfWindow : nullptr, &box.Labels, box.Scale()};
  CreateShortcuts(header, host, box.Shortcuts);
  if (framed) {
    DrawAlphaLabels(box, header);
  } else {
    DrawTexts(header, host);
  }
  LoadModules(header, host, box.Modules);  // an alpha box hosts none
  LoadWharfModules(header, host, box.WharfSlots);
  if (framed) {
    ComposeAlphaFrame(box);
    if (!startHidden) ShowWithoutActivating(box.Window);
  }

  ShellLog(kLogNotice, "box '" + box.Name + "' made from " + box.FileName + (framed ? " (with per-pixel alpha)" : "") +
                           (box.Scale().Identity() ? "" : " at " + std::to_string(box.Scale().ToDevice(100)) + " %"));
}

}  // namespace

std::uint32_t CreateBox(const std::string& path) {
  BoxFile file = OpenBoxFile(path);
  if (!file) {
    ShellLog(kLogError, "can't load box file '" + path + "' (tried it as written and as '" + LiteStepDir + "\\" +
                            path + "')");
    ReportFailure("Can't load .Box File", path);
    return 0;
  }
  return CreateBoxFrom(std::move(file), nullptr);
}

std::uint32_t CreateBoxFrom(BoxFile file, const TCarriedOver* carried) {
  if (BoxKeyExists(*file, "KestoUnique")) {
    TBox* existing = FindBoxNamedExactly(ReadBoxString(*file, "KestoName", BoxKeyDefault("KestoName")));
    if (existing && (!carried || existing->Serial != carried->Replaces)) {
      ShowWithoutActivating(existing->Window);
      CloseBoxFile(file, false);
      return 0;
    }
  }

  const std::string path = file->FileName;  // copied before the box is linked: nothing after may fail unguarded
  // Linked in before its window exists: the window's first messages find it.
  TBox& box = LinkNewBox();
  const std::uint32_t serial = box.Serial;
  box.Header = std::move(file);
  box.Flags = 0;
  try {
    BuildingState building{box};
    BuildBox(box, carried);
  } catch (...) {
    // A build that fails halfway (out of memory, say) leaves no half box on
    // the desktop: it is taken down as any other, once no operation works on
    // it. A building box is never freed, so the record is still there.
    box.DestroyRequested = true;
    NoThrow([&] { ShellLog(kLogError, "box file '" + path + "' could not be built; the box is removed"); });
    return 0;
  }
  if (box.AutoReload) UpdateWatches();
  return serial;
}

}  // namespace kesto
