// Box files written at random from the format's pieces: every one builds a
// box or shows its message, and every box is torn down, without a crash.
#include <random>

#include "shell/standin.h"
#include "tests/win/fixture.h"

namespace kestotest {
namespace {

class RobustnessTest : public KestoTest {};

TEST_F(RobustnessTest, RandomBoxFilesNeverBringTheShellDown) {
  std::string image = WriteBmp("i.bmp", 24, 16, [](int x, int y) { return (x + y) % 3 ? RGB(9, 99, 9) : kMagenta; });
  std::mt19937 random(20261209);
  auto pick = [&](std::initializer_list<const char*> options) {
    return std::string(*(options.begin() + random() % options.size()));
  };
  auto number = [&] {
    return pick({"0", "1", "-1", "7", "-300", "1999", "+5", "12px", "", "\"", "2147483648", "-2147483648", "a b"});
  };
  auto token = [&] { return pick({"i.bmp", image.c_str(), "missing.bmp", "\"a b\"", "\"", "", "#3H", "#", ";"}); };
  const char* keys[] = {"KestoName", "KestoX", "KestoY", "KestoWidth", "KestoHeight", "KestoBackGround",
                        "KestoBackgroundOffs", "KestoAlphaTransparency", "KestoDragRect", "KestoSnapArea",
                        "KestoAlwaysOnTop", "KestoStartHidden", "KestoUnique", "KestoFontSize", "KestoFontColor",
                        "*Shortcut", "*Text", "*Module", "*WharfModule", "KestoRememberPosition"};
  Start({"LSImageFolder " + dir_});
  for (int file = 0; file < 150; ++file) {
    std::string text = "KestoName R\r\nKestoBackGround " + image + "\r\n";
    int lines = 1 + static_cast<int>(random() % 12);
    for (int i = 0; i < lines; ++i) {
      text += keys[random() % (sizeof keys / sizeof *keys)];
      text += random() % 5 ? " " : "\t";
      int parts = static_cast<int>(random() % 9);
      for (int p = 0; p < parts; ++p) text += (random() % 2 ? number() : token()) + " ";
      text += random() % 4 ? "\r\n" : "\n";
    }
    std::string path = WriteText("r" + std::to_string(file) + ".box", text);
    Bang("!KestoCreate " + path);
    for (int guard = 0; kesto::BoxList && guard < 5; ++guard) Bang("!KestoDestroy R");
    ASSERT_EQ(CountBoxes(), 0) << text;
    StandInLogClear();
  }
  EXPECT_EQ(CountBoxes(), 0);
}

}  // namespace
}  // namespace kestotest
