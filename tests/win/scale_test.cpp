// Boxes drawn at a scale: a zoom on top of the monitor's DPI (the stand-in
// plays a DPI per monitor), with art drawn for higher scales, position memory
// in logical pixels, and a box drawn again when it comes to rest on a monitor
// of another scale.
#include "shell/standin.h"
#include "tests/win/fixture.h"

namespace kestotest {
namespace {

class ScaleTest : public KestoTest {
 protected:
  // Left half red, right half blue: where each half lands shows the scale.
  std::string HalvesBmp(const std::string& name, int width, int height) {
    return WriteBmp(name, width, height, [width](int x, int) { return x < width / 2 ? RGB(220, 30, 30) : RGB(30, 30, 220); });
  }
  // A button image: a colour on the left, magenta (see-through) on the right.
  std::string KeyedBmp(const std::string& name, int side, COLORREF colour) {
    return WriteBmp(name, side, side, [side, colour](int x, int) { return x < side / 2 ? colour : kMagenta; });
  }
};

TEST_F(ScaleTest, AZoomedBoxDrawsEveryNumberImageAndFontAtItsScale) {
  const std::string back = HalvesBmp("back.bmp", 30, 20);
  const std::string n = KeyedBmp("n.bmp", 8, RGB(0, 160, 0));
  const std::string file = WriteText("zoomed.box", "KestoName Zoomed\r\nKestoZoom 200\r\nKestoBackGround " + back +
                                                       "\r\nKestoX 50\r\nKestoY 60\r\nKestoDragRect 0 0 30 5\r\n"
                                                       "KestoFontSize 10\r\nKestoRememberPosition\r\n*Text 2 12 \"Hi\"\r\n"
                                                       "*Shortcut \"Go\" 20 2 " + n + " " + n + " " + n + " !go\r\n");
  Start({"*KestoCreate " + file});
  kesto::TBox* box = Box("Zoomed");
  ASSERT_NE(box, nullptr);
  const RECT window = WindowRect(box->Window);
  EXPECT_EQ(window.left, 50);  // its place is the monitor's: the zoom grows it where it stands
  EXPECT_EQ(window.top, 60);
  EXPECT_EQ(window.right - window.left, 60);
  EXPECT_EQ(window.bottom - window.top, 40);
  EXPECT_EQ(box->DragRect.right, 60);
  EXPECT_EQ(box->DragRect.bottom, 10);
  EXPECT_EQ(ScreenPixel(50 + 28, 60 + 2), RGB(220, 30, 30));  // the red half is 30 wide now
  EXPECT_EQ(ScreenPixel(50 + 32, 60 + 2), RGB(30, 30, 220));
  // The button: at 40,4, 16 pixels a side, its magenta half see-through.
  const RECT button = WindowRect(box->Shortcuts->Window);
  EXPECT_EQ(button.left - window.left, 40);
  EXPECT_EQ(button.top - window.top, 4);
  EXPECT_EQ(button.right - button.left, 16);
  EXPECT_EQ(ScreenPixel(button.left + 7, button.top + 8), RGB(0, 160, 0));
  EXPECT_FALSE(RegionHas(box->Shortcuts->Window, 8, 8));
  EXPECT_EQ(ScreenPixel(button.left + 8, button.top + 8), RGB(30, 30, 220));  // the box shows through
  // The label: a real font twice as tall, at twice the place.
  ASSERT_EQ(box->Labels.size(), 1u);
  EXPECT_EQ(box->Labels[0].Rect.left, 4);
  EXPECT_EQ(box->Labels[0].Rect.top, 24);
  EXPECT_GE(box->Labels[0].Rect.bottom - box->Labels[0].Rect.top, 19);

  // Moved and ended: the place in the file is the monitor's, whatever the zoom.
  Bang("!KestoMoveBox Zoomed 300 200");
  Stop();
  const std::string saved = ReadText(file);
  EXPECT_NE(saved.find("KestoX 300\r\nKestoY 200\r\n"), std::string::npos) << saved;
}

TEST_F(ScaleTest, ArtDrawnForAHigherScaleIsUsedAndItsKeyStaysExact) {
  const std::string n = KeyedBmp("b.bmp", 10, RGB(200, 0, 0));
  KeyedBmp("b@2x.bmp", 20, RGB(0, 0, 200));
  const std::string back = WriteSolidBmp("plain.bmp", 40, 40, RGB(250, 250, 250));
  std::vector<std::string> lines;
  for (auto [zoom, x] : {std::pair{"100", 0}, std::pair{"150", 100}, std::pair{"200", 250}, std::pair{"300", 450}}) {
    lines.push_back("*KestoCreate " +
                    WriteText(std::string("z") + zoom + ".box",
                              std::string("KestoName Z") + zoom + "\r\nKestoZoom " + zoom + "\r\nKestoBackGround " + back +
                                  "\r\nKestoX " + std::to_string(x) + "\r\nKestoY 300\r\n*Shortcut \"\" 0 0 " + n + " " +
                                  n + " " + n + " !b\r\n"));
  }
  Start(lines);
  struct Expected {
    const char* Name;
    int Side;
    int Opaque;  // columns of the colour: the magenta half see-through, to the pixel
    COLORREF Colour;
  };
  // 100 %: the base art; 150 % and 200 %: the @2x art (filtered down for
  // 150 %); 300 %: the largest there is, filtered up.
  for (const Expected& e : {Expected{"Z100", 10, 5, RGB(200, 0, 0)}, Expected{"Z150", 15, 7, RGB(0, 0, 200)},
                            Expected{"Z200", 20, 10, RGB(0, 0, 200)}, Expected{"Z300", 30, 15, RGB(0, 0, 200)}}) {
    kesto::TBox* box = Box(e.Name);
    ASSERT_NE(box, nullptr) << e.Name;
    HWND button = box->Shortcuts->Window;
    const RECT r = WindowRect(button);
    EXPECT_EQ(r.right - r.left, e.Side) << e.Name;
    EXPECT_EQ(ScreenPixel(r.left + 1, r.top + 1), e.Colour) << e.Name;
    for (int x = 0; x < e.Side; ++x) EXPECT_EQ(RegionHas(button, x, e.Side / 2), x < e.Opaque) << e.Name << " " << x;
    // The last opaque column is the colour itself: no pink fringe.
    EXPECT_EQ(ScreenPixel(r.left + e.Opaque - 1, r.top + e.Side / 2), e.Colour) << e.Name;
  }
}

TEST_F(ScaleTest, KestoZoomChangesAZoomWhileTheBoxRunsAndWritesNothing) {
  const std::string back = HalvesBmp("back.bmp", 30, 20);
  const std::string text = "KestoName Live\r\nKestoBackGround " + back + "\r\nKestoX 200\r\nKestoY 200\r\n";
  const std::string file = WriteText("live.box", text);
  Start({"*KestoCreate " + file});
  Bang("!KestoZoom Live 250");
  standin::Pump(100);
  const RECT r = WindowRect(Box("Live")->Window);
  EXPECT_EQ(r.left, 200);
  EXPECT_EQ(r.right - r.left, 75);
  EXPECT_EQ(r.bottom - r.top, 50);
  Bang("!KestoZoom Live huge");  // said in the log, nothing changes
  EXPECT_EQ(WindowRect(Box("Live")->Window).right - WindowRect(Box("Live")->Window).left, 75);
  Stop();
  EXPECT_EQ(ReadText(file), text);
}

TEST_F(ScaleTest, ABoxDraggedOntoAMonitorOfAnotherScaleIsDrawnAtItOnceAndRemembersItsPlace) {
  ASSERT_TRUE(StandInSetMonitors("512x768+0+0@96,512x768+512+0@192"));
  const std::string back = HalvesBmp("back.bmp", 40, 30);
  const std::string file = WriteText("drag.box", "KestoName Drag\r\nKestoBackGround " + back + "\r\nKestoX 100\r\n"
                                                 "KestoY 100\r\nKestoDragRect 0 0 40 30\r\nKestoRememberPosition\r\n");
  Start({"*KestoCreate " + file});
  HWND first = Box("Drag")->Window;
  MouseTo(110, 110);
  LeftDown();
  MouseTo(400, 120);
  MouseTo(560, 120);   // the centre crosses the seam: the scale waits for the drop
  EXPECT_EQ(WindowRect(BoxWindow("Drag")).right - WindowRect(BoxWindow("Drag")).left, 40);
  MouseTo(640, 130);
  LeftUp();
  standin::Pump(300);
  kesto::TBox* box = Box("Drag");
  ASSERT_NE(box, nullptr);
  EXPECT_NE(box->Window, first);  // drawn again, once
  const RECT r = WindowRect(box->Window);
  EXPECT_EQ(r.left, 630);
  EXPECT_EQ(r.top, 120);
  EXPECT_EQ(r.right - r.left, 80);
  EXPECT_EQ(r.bottom - r.top, 60);
  EXPECT_EQ(ScreenPixel(r.left + 38, r.top + 5), RGB(220, 30, 30));
  Stop();
  // On monitor 2, 118 device pixels in, at 200 %: 59 logical ones.
  EXPECT_NE(ReadText(file).find("KestoX 59\r\nKestoY 60\r\nKestoMonitor 2\r\n"), std::string::npos) << ReadText(file);
  Start({"*KestoCreate " + file});
  const RECT again = WindowRect(BoxWindow("Drag"));
  EXPECT_EQ(again.left, 630);
  EXPECT_EQ(again.top, 120);
  EXPECT_EQ(again.right - again.left, 80);
}

// A zoom that would make an image larger than any the shell is given: the
// image is drawn at its own size, and the log says so; nothing else fails.
TEST_F(ScaleTest, AZoomBeyondTheImageLimitsDrawsTheImageAtItsOwnSize) {
  const std::string wide = WriteSolidBmp("wide.bmp", 2000, 10, RGB(10, 200, 10));
  Start({"*KestoCreate " + WriteText("big.box", "KestoName Big\r\nKestoZoom 1000\r\nKestoBackGround " + wide + "\r\n")});
  ASSERT_NE(Box("Big"), nullptr);
  bool said = false;
  for (const std::string& entry : standin::LogEntries())
    said |= entry.find("wide.bmp' at this scale would be 20000x100 pixels") != std::string::npos;
  EXPECT_TRUE(said);
  EXPECT_EQ(WindowRect(Box("Big")->Window).right - WindowRect(Box("Big")->Window).left, 2000);
}

// The user changes the monitor's scale in the settings: every box on it is
// drawn again at the new one, where its place is at that scale.
TEST_F(ScaleTest, AMonitorWhoseScaleChangesHasItsBoxesDrawnAgainAtTheirPlaces) {
  ASSERT_TRUE(StandInSetMonitors("1024x768+0+0@96"));
  const std::string back = HalvesBmp("back.bmp", 40, 30);
  Start({"*KestoCreate " + WriteText("moved.box", "KestoName Moved\r\nKestoBackGround " + back +
                                                  "\r\nKestoX 100\r\nKestoY -100\r\n")});
  EXPECT_EQ(WindowRect(BoxWindow("Moved")).top, 768 - 100);
  ASSERT_TRUE(StandInSetMonitors("1024x768+0+0@144"));
  standin::Pump(300);
  const RECT r = WindowRect(BoxWindow("Moved"));
  EXPECT_EQ(r.left, 150);
  EXPECT_EQ(r.top, 768 - 150);
  EXPECT_EQ(r.right - r.left, 60);
  EXPECT_EQ(r.bottom - r.top, 45);
}

// The system's own scale (Wine's LogPixels; the test command runs this in
// prefixes at 144 and 192 DPI too): a box is made per-monitor aware whatever
// the program declares (this one declares nothing), and drawn at the scale.
TEST_F(ScaleTest, AtTheSystemsScaleABoxIsDrawnSharpAtItsSize) {
  using SetContext = void*(WINAPI*)(void*);
  using WindowContext = void*(WINAPI*)(HWND);
  using AwarenessOf = int(WINAPI*)(void*);
  HMODULE user32 = GetModuleHandleA("user32.dll");
  auto set = reinterpret_cast<SetContext>(reinterpret_cast<void*>(GetProcAddress(user32, "SetThreadDpiAwarenessContext")));
  auto windowContext =
      reinterpret_cast<WindowContext>(reinterpret_cast<void*>(GetProcAddress(user32, "GetWindowDpiAwarenessContext")));
  auto awareness = reinterpret_cast<AwarenessOf>(
      reinterpret_cast<void*>(GetProcAddress(user32, "GetAwarenessFromDpiAwarenessContext")));
  if (!set || !windowContext || !awareness) GTEST_SKIP() << "this system has no DPI awareness to declare";
  // The test reads device pixels, as the box's own procedure sees them.
  void* before = set(reinterpret_cast<void*>(static_cast<INT_PTR>(-3)));
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  auto scaled = [dpi](int logical) { return (logical * dpi + 48) / 96; };

  const std::string back = HalvesBmp("back.bmp", 40, 30);
  const std::string n = KeyedBmp("b.bmp", 10, RGB(200, 0, 0));
  KeyedBmp("b@2x.bmp", 20, RGB(0, 0, 200));
  Start({"*KestoCreate " + WriteText("sys.box", "KestoName Sys\r\nKestoBackGround " + back + "\r\nKestoX 100\r\n"
                                                "KestoY 100\r\nKestoFontSize 12\r\n*Text 2 14 \"Ag\"\r\n"
                                                "*Shortcut \"\" 25 2 " + n + " " + n + " " + n + " !b\r\n")});
  kesto::TBox* box = Box("Sys");
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(awareness(windowContext(box->Window)), 2) << "per-monitor aware";
  const RECT r = WindowRect(box->Window);
  EXPECT_EQ(r.left, scaled(100));
  EXPECT_EQ(r.right - r.left, scaled(40));
  EXPECT_EQ(r.bottom - r.top, scaled(30));
  const RECT button = WindowRect(box->Shortcuts->Window);
  EXPECT_EQ(button.left - r.left, scaled(25));
  EXPECT_EQ(button.right - button.left, scaled(10));
  EXPECT_EQ(ScreenPixel(button.left + 1, button.top + 1), dpi > 96 ? RGB(0, 0, 200) : RGB(200, 0, 0));
  ASSERT_EQ(box->Labels.size(), 1u);
  EXPECT_EQ(box->Labels[0].Rect.top, scaled(14));
  EXPECT_GE(box->Labels[0].Rect.bottom - box->Labels[0].Rect.top, scaled(12) - 1);  // a font of the scaled size
  std::printf("drawn at %d DPI\n", dpi);
  Stop();
  set(before);
}

}  // namespace
}  // namespace kestotest
