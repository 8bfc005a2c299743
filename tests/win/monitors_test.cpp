// Several monitors, played by the stand-in shell: boxes placed on the monitor
// their file names, dragged from monitor to monitor, remembered relative to
// the monitor that holds them, and rescued when a monitor goes away.
#include "shell/standin.h"
#include "tests/win/fixture.h"

namespace kestotest {
namespace {

// The primary, and a larger monitor to its left.
constexpr const char* kTwoMonitors = "1024x768+0+0,1280x1024-1280+0";

class MonitorsTest : public KestoTest {
 protected:
  std::string BoxWith(const std::string& name, const std::string& lines) {
    return WriteText(name + ".box", "KestoName " + name + "\r\nKestoWidth 100\r\nKestoHeight 50\r\n" + lines);
  }
  static POINT TopLeft(const std::string& name) {
    RECT r = WindowRect(BoxWindow(name));
    return {r.left, r.top};
  }
};

#define EXPECT_AT(name, left, top)           \
  do {                                       \
    POINT at_ = TopLeft(name);               \
    EXPECT_EQ(at_.x, left) << name;          \
    EXPECT_EQ(at_.y, top) << name;           \
  } while (false)

TEST_F(MonitorsTest, ABoxStandsOnTheMonitorItsFileNames) {
  ASSERT_TRUE(StandInSetMonitors(kTwoMonitors));
  Start({"*KestoCreate " + BoxWith("Left", "KestoMonitor 2\r\nKestoX 10\r\nKestoY 20\r\n"),
         "*KestoCreate " + BoxWith("Anchored", "KestoMonitor 2\r\nKestoX -110\r\nKestoY -60\r\nKestoSnapArea 0 0 -1 -1\r\n"),
         "*KestoCreate " + BoxWith("Primary", "KestoX -110\r\nKestoY 20\r\n"),
         "*KestoCreate " + BoxWith("Nowhere", "KestoX 10\r\nKestoY 20\r\nKestoMonitor 3\r\n")});
  EXPECT_AT("Left", -1270, 20);
  EXPECT_AT("Anchored", -110, 1024 - 60);  // counted from monitor 2's right and bottom edges
  EXPECT_AT("Primary", 1024 - 110, 20);
  EXPECT_AT("Nowhere", 10, 20);  // monitor 3 is not there: monitor 1
  const RECT snap = Box("Anchored")->SnapArea;
  EXPECT_EQ(snap.left, -1280);
  EXPECT_EQ(snap.right, -1);
  EXPECT_EQ(snap.bottom, 1023);
  bool logged = false;
  for (const std::string& entry : standin::LogEntries())
    logged = logged || entry == "lslog:2:Nowhere.box:6: monitor 3 is not there; the box is shown on the primary monitor, 1 "
                                "(monitors present: 1 (1024x768 at 0,0), 2 (1280x1024 at -1280,0))";
  EXPECT_TRUE(logged);
}

TEST_F(MonitorsTest, MonitorsAreNumberedByTheirLeftThenTopEdgeWhateverTheListingOrder) {
  for (const char* layout : {"1024x768+0+0,800x600+1024+0,1280x1024-1280+0,640x480+1024+600",
                             "1024x768+0+0,640x480+1024+600,1280x1024-1280+0,800x600+1024+0"}) {
    ASSERT_TRUE(StandInSetMonitors(layout));
    Start({"*KestoCreate " + BoxWith("Two", "KestoMonitor 2\r\nKestoX 5\r\nKestoY 5\r\n"),
           "*KestoCreate " + BoxWith("Three", "KestoMonitor 3\r\nKestoX 5\r\nKestoY 5\r\n"),
           "*KestoCreate " + BoxWith("Four", "KestoMonitor 4\r\nKestoX 5\r\nKestoY 5\r\n")});
    EXPECT_AT("Two", -1275, 5);
    EXPECT_AT("Three", 1029, 5);
    EXPECT_AT("Four", 1029, 605);
    Stop();
  }
}

// Two monitors side by side inside the one screen Xvfb has, the second only
// half as tall: the real mouse can reach both and the gap below the second.
TEST_F(MonitorsTest, ADragGoesFromMonitorToMonitorAndNeverRestsInAGap) {
  ASSERT_TRUE(StandInSetMonitors("512x768+0+0,512x384+512+0"));
  const std::string image = WriteSolidBmp("drag.bmp", 60, 40, RGB(0, 120, 200));
  Start({"*KestoCreate " + WriteText("drag.box", "KestoName Drag\r\nKestoBackGround " + image + "\r\nKestoX 100\r\n"
                                                 "KestoY 100\r\nKestoDragRect 0 0 60 40\r\nKestoRememberPosition\r\n")});
  MouseTo(120, 120);
  LeftDown();
  MouseTo(300, 130);
  MouseTo(700, 150);  // onto monitor 2
  EXPECT_AT("Drag", 680, 130);
  MouseTo(1000, 150);  // its right edge stops the box
  EXPECT_AT("Drag", 1024 - 60, 130);
  MouseTo(700, 600);  // below monitor 2, nearest to monitor 1: the box stays wholly on a monitor
  EXPECT_AT("Drag", 512 - 60, 580);
  MouseTo(800, 300);
  EXPECT_AT("Drag", 780, 280);
  MouseTo(800, 370);  // monitor 2's bottom edge stops it
  EXPECT_AT("Drag", 780, 384 - 40);
  LeftUp();
  Stop();
  // Remembered relative to monitor 2, which holds it.
  EXPECT_EQ(ReadText(Path("drag.box")), "KestoName Drag\r\nKestoBackGround " + image + "\r\nKestoX 268\r\n"
                                        "KestoY 344\r\nKestoMonitor 2\r\nKestoDragRect 0 0 60 40\r\nKestoRememberPosition\r\n");
  Start({"*KestoCreate " + Path("drag.box")});
  EXPECT_AT("Drag", 780, 344);
}

TEST_F(MonitorsTest, APositionIsRememberedOnTheMonitorThatHoldsMostOfTheBox) {
  ASSERT_TRUE(StandInSetMonitors(kTwoMonitors));
  const std::string path = BoxWith("Moved", "KestoX 10 ; left\nKestoY 10\nKestoRememberPosition\n");
  Start({"*KestoCreate " + path});
  Bang("!KestoMoveBox Moved -1000 50");
  Stop();
  EXPECT_EQ(ReadText(path), "KestoName Moved\r\nKestoWidth 100\r\nKestoHeight 50\r\nKestoX 280 ; left\nKestoY 50\n"
                            "KestoMonitor 2\r\nKestoRememberPosition\n");  // an added line takes the file's end
  Start({"*KestoCreate " + path});
  EXPECT_AT("Moved", -1000, 50);
  // Partly left of monitor 2: the negative value that reads back the same.
  Bang("!KestoMoveBox Moved -1300 60");
  Stop();
  EXPECT_NE(ReadText(path).find("KestoX -1300 ; left\nKestoY 60\nKestoMonitor 2\r\n"), std::string::npos);
  Start({"*KestoCreate " + path});
  EXPECT_AT("Moved", -1300, 60);
  // Back on monitor 1: the key the file has is written in place.
  Bang("!KestoMoveBox Moved 30 40");
  Stop();
  EXPECT_NE(ReadText(path).find("KestoX 30 ; left\nKestoY 40\nKestoMonitor 1\r\n"), std::string::npos);
  // Not moved: not written, whatever the monitors.
  const std::string before = ReadText(path);
  Start({"*KestoCreate " + path});
  Stop();
  EXPECT_EQ(ReadText(path), before);
}

TEST_F(MonitorsTest, BoxesOfAMonitorThatGoesComeOntoThePrimaryAndGoBackWithIt) {
  ASSERT_TRUE(StandInSetMonitors(kTwoMonitors));
  const std::string onTwo = BoxWith("Near", "KestoMonitor 2\r\nKestoX 100\r\nKestoY 100\r\nKestoRememberPosition\r\n");
  const std::string edge = BoxWith("Edge", "KestoMonitor 2\r\nKestoX -50\r\nKestoY 900\r\nKestoRememberPosition\r\n");
  const std::string home = BoxWith("Home", "KestoX 300\r\nKestoY 300\r\nKestoRememberPosition\r\n");
  const std::string hidden = BoxWith("Away", "KestoX 5000\r\nKestoY 10\r\n");  // put off every screen on purpose
  Start({"*KestoCreate " + onTwo, "*KestoCreate " + edge, "*KestoCreate " + home, "*KestoCreate " + hidden});
  const std::string onTwoBytes = ReadText(onTwo), edgeBytes = ReadText(edge), homeBytes = ReadText(home);
  EXPECT_AT("Near", -1180, 100);
  EXPECT_AT("Edge", -50, 900);
  // Unplugged: the shell does not relay the change; Kesto's own windows see it.
  ASSERT_TRUE(StandInSetMonitors("1024x768+0+0"));
  standin::PumpPending();
  EXPECT_AT("Near", 100, 100);         // the same place on monitor 1
  EXPECT_AT("Edge", 1024 - 100, 768 - 50);  // pulled wholly inside
  EXPECT_AT("Home", 300, 300);
  EXPECT_AT("Away", 5000, 10);
  ASSERT_TRUE(StandInSetMonitors(kTwoMonitors));
  standin::PumpPending();
  EXPECT_AT("Near", -1180, 100);
  EXPECT_AT("Edge", -50, 900);
  // Unplugged at the end: the rescued boxes were not moved by anyone.
  ASSERT_TRUE(StandInSetMonitors("1024x768+0+0"));
  standin::PumpPending();
  Bang("!KestoResetPos");
  EXPECT_AT("Edge", 1024 - 100, 768 - 50);
  Stop();
  EXPECT_EQ(ReadText(onTwo), onTwoBytes);
  EXPECT_EQ(ReadText(edge), edgeBytes);
  EXPECT_EQ(ReadText(home), homeBytes);
  // Started without its monitor, a box comes up on monitor 1, wholly visible.
  Start({"*KestoCreate " + edge});
  EXPECT_AT("Edge", 1024 - 100, 768 - 50);
  Stop();
  EXPECT_EQ(ReadText(edge), edgeBytes);
}

// Monitors keep their numbers by their device names while Kesto runs: with
// the left one of three unplugged, the right one is still monitor 3, a drag
// there saves 3, and the left one's boxes come back when it does.
TEST_F(MonitorsTest, AMonitorKeepsItsNumberWhenAnotherIsUnplugged) {
  ASSERT_TRUE(StandInSetMonitors("1024x768+0+0#1,1280x1024-1280+0#2,800x600+1024+0#3"));
  const std::string left = BoxWith("Left", "KestoMonitor 2\r\nKestoX 100\r\nKestoY 100\r\n");
  const std::string right = BoxWith("Right", "KestoMonitor 3\r\nKestoX 100\r\nKestoY 100\r\nKestoRememberPosition\r\n");
  Start({"*KestoCreate " + left, "*KestoCreate " + right});
  EXPECT_AT("Left", -1180, 100);
  EXPECT_AT("Right", 1124, 100);
  // The left one unplugged (the primary is listed first).
  ASSERT_TRUE(StandInSetMonitors("1024x768+0+0#1,800x600+1024+0#3"));
  standin::PumpPending();
  EXPECT_AT("Right", 1124, 100);  // still on its own monitor
  EXPECT_AT("Left", 100, 100);    // rescued onto the primary
  Bang("!KestoMoveBox Right 1224 150");
  Bang("!KestoDestroy Right");
  EXPECT_NE(ReadText(right).find("KestoMonitor 3\r\nKestoX 200\r\nKestoY 150\r\n"), std::string::npos) << ReadText(right);
  // Back, at another place: the left one's boxes go back onto it.
  ASSERT_TRUE(StandInSetMonitors("1024x768+0+0#1,1280x1024-1280-100#2,800x600+1024+0#3"));
  standin::PumpPending();
  EXPECT_AT("Left", -1180, 0);
  Bang("!KestoCreate " + right);
  EXPECT_AT("Right", 1224, 150);
  // A new run numbers by place again.
  Stop();
}

}  // namespace
}  // namespace kestotest
