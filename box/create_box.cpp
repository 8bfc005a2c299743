#include "box/background.h"
#include "box/box.h"
#include "boxfile/text_helpers.h"
#include "content/hosted_modules.h"
#include "content/shortcuts.h"
#include "content/text_labels.h"
#include "module/module_state.h"
#include "module/shell_api.h"

namespace kesto {

std::unique_ptr<TBox> BoxList;

namespace {

// Sentinels that no real value is expected to equal.
constexpr const char* kNoSnapArea = "nOpE";
constexpr const char* kNoAlpha = "NoPE";

BoxFile OpenBoxFile(const std::string& path) {
  BoxFile file = LoadBoxFile(path);
  if (!file) file = LoadBoxFile(LiteStepDir + "\\" + path);
  return file;
}

TBox* FindBoxNamedExactly(const std::string& name) {
  for (TBox* box = BoxList.get(); box; box = box->Next.get()) {
    if (box->Name == name) return box;
  }
  return nullptr;
}

void ReadPosition(TBox& box, int screenWidth, int screenHeight) {
  TBoxHeader& file = *box.Header;
  if (BoxKeyExists(file, "KestoPopupAtMousePos")) {
    POINT cursor{};
    GetCursorPos(&cursor);
    box.X = cursor.x;
    box.Y = cursor.y;
  } else {
    box.X = ScreenRelative(ReadBoxInt(file, "KestoX", 0), screenWidth);
    box.Y = ScreenRelative(ReadBoxInt(file, "KestoY", 0), screenHeight);
  }
  std::string snap = ReadBoxString(file, "KestoSnapArea", kNoSnapArea);
  if (snap == kNoSnapArea) {
    box.SnapArea = {0, 0, screenWidth, screenHeight};
  } else {
    RECT area = ReadFourNumbers(snap);
    box.SnapArea = {ScreenRelative(area.left, screenWidth), ScreenRelative(area.top, screenHeight),
                    ScreenRelative(area.right, screenWidth), ScreenRelative(area.bottom, screenHeight)};
  }
}

void StackWindow(TBox& box) {
  if (BoxKeyExists(*box.Header, "KestoAlwaysOnTop")) {
    SetWindowPos(box.Window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
    return;
  }
  // Without the shell's desktop window the box stays a top-level window.
  SetParent(box.Window, FindWindowA(kShellDesktopClass, nullptr));
  SetWindowPos(box.Window, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
}

}  // namespace

void CreateBox(const std::string& path) {
  BoxFile file = OpenBoxFile(path);
  if (!file) {
    ShowFailure("Can't load .Box File", path.c_str());
    return;
  }
  if (BoxKeyExists(*file, "KestoUnique")) {
    if (TBox* existing = FindBoxNamedExactly(ReadBoxString(*file, "KestoName", "Kesto"))) {
      ShowWindow(existing->Window, SW_SHOW);
      CloseBoxFile(file, false);
      return;
    }
  }

  // Linked in before its window exists: the window's first messages find it.
  auto created = std::make_unique<TBox>();
  created->Next = std::move(BoxList);
  BoxList = std::move(created);
  TBox& box = *BoxList;
  box.Header = std::move(file);
  box.Flags = 0;
  TBoxHeader& header = *box.Header;

  const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
  box.Name = ReadBoxString(header, "KestoName", "Kesto");
  ReadPosition(box, screenWidth, screenHeight);

  HBITMAP image = LoadLSImage(ReadBoxString(header, "KestoBackGround", "Kesto.bmp").c_str(), nullptr);
  int imageWidth = 0, imageHeight = 0;
  GetLSBitmapSize(image, &imageWidth, &imageHeight);
  box.Height = ReadBoxInt(header, "KestoHeight", 0);
  box.Width = ReadBoxInt(header, "KestoWidth", 0);
  if (box.Height == 0) box.Height = imageHeight;
  if (box.Width == 0) box.Width = imageWidth;
  box.DragRect = ReadFourNumbers(ReadBoxString(header, "KestoDragRect", "0 0 0 0"));
  box.OnLeftClick = ReadBoxString(header, "KestoOnLeftClick", "!none");
  box.OnRightClick = ReadBoxString(header, "KestoOnRightClick", "!popup");

  RegisterModuleClass(kBoxClass, BoxWndProc);
  box.Window = CreateWindowExA(WS_EX_TOOLWINDOW, kBoxClass, box.Name.c_str(), WS_POPUP, box.X, box.Y,
                               box.Width, box.Height, nullptr, nullptr, ModuleInstance, nullptr);
  StackWindow(box);

  std::string alpha = ReadBoxString(header, "KestoAlphaTransparency", kNoAlpha);
  if (alpha != kNoAlpha && ApplyTranslucency(box.Window, alpha)) SetFlag(box.Flags, BoxTranslucent, true);
  if (!BoxKeyExists(header, "KestoStartHidden")) ShowWindow(box.Window, SW_SHOW);
  if (!BoxKeyExists(header, "KestoNotSticky")) SetWindowLongA(box.Window, kUserDataIndex, kStickyMarker);

  PreparedBackground background =
      PrepareBackground(box.Window, image, box.Width, box.Height,
                        ReadBoxString(header, "KestoBackgroundOffs", "0 0 0 0"),
                        HasFlag(box.Flags, BoxTranslucent));
  box.MemDC = std::move(background.MemDC);
  if (background.Tiled) SetFlag(box.Flags, BoxTiled, true);
  if (BoxKeyExists(header, "KestoRememberPosition")) SetFlag(box.Flags, BoxRememberPosition, true);
  InvalidateRgn(box.Window, nullptr, TRUE);
  // A tiled box keeps its image aside; a plain one paints from it directly,
  // selected into MemDC until teardown.
  if (HasFlag(box.Flags, BoxTiled)) box.BackBitmap.reset(image);

  CreateShortcuts(box);
  DrawTexts(box);
  LoadModules(box);
  LoadWharfModules(box);

  box.FileName = header.FileName;
  CloseBoxFile(box.Header, false);
}

}  // namespace kesto
