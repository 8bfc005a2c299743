// The module and the checker decide by the same rules: the checker's verdict
// on generated box files agrees with the module's own decision, and the
// manual's key table (docs/box-files.md) is the module's.
#include "boxfile/box_rules.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>

#include "tools/check/checker.h"
#include "tools/check/known_keys.h"

namespace {

namespace fs = std::filesystem;

// A BMP header of the given size: all the checker reads of an image.
void WriteBmpHeader(const std::string& path, std::int32_t width, std::int32_t height) {
  unsigned char header[54] = {'B', 'M'};
  std::memcpy(header + 18, &width, 4);
  std::memcpy(header + 22, &height, 4);
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(header), sizeof header);
}

bool WarnsNoCentreTile(const kestocheck::Checker& checker) {
  for (const kestocheck::Diagnostic& d : checker.Diagnostics())
    if (d.check == "no-centre-tile") return true;
  return false;
}

TEST(SharedRules, TheCheckersTilingVerdictIsTheModulesDecision) {
  fs::path dir = fs::temp_directory_path() / "kesto-rules";
  fs::create_directories(dir);
  std::mt19937 random(20261209);
  const std::vector<std::string> numbers = {"0", "1", "5", "10", "-3", "2147483647", "-2147483648", "+5", "07"};
  for (int round = 0; round < 400; ++round) {
    std::string offsets;
    int count = 1 + static_cast<int>(random() % 4);
    for (int i = 0; i < count; ++i) offsets += (i ? " " : "") + numbers[random() % numbers.size()];
    const std::int32_t width = static_cast<std::int32_t>(random() % 40), height = static_cast<std::int32_t>(random() % 40);
    std::string image = (dir / "image.bmp").string(), box = (dir / "t.box").string();
    WriteBmpHeader(image, width, height);
    std::ofstream(box, std::ios::binary) << "KestoBackGround " << image << "\r\nKestoBackgroundOffs " << offsets << "\r\n";
    kestocheck::Checker checker({});
    ASSERT_TRUE(checker.CheckBoxFile(box));
    bool moduleShowsPlain = kesto::AsksForTiling(offsets) && !kesto::TilesBackground(offsets, width, height);
    EXPECT_EQ(WarnsNoCentreTile(checker), moduleShowsPlain) << "'" << offsets << "' on " << width << "x" << height;
  }
  kestocheck::SetVariables({});
  fs::remove_all(dir);
}

TEST(SharedRules, TheManualsKeyTableIsTheModulesKeyTable) {
  std::ifstream readme(std::string(KESTO_SOURCE_DIR) + "/docs/box-files.md");
  ASSERT_TRUE(readme);
  std::set<std::string> documented;
  std::string line;
  while (std::getline(readme, line)) {
    if (line.rfind("| `Kesto", 0) != 0) continue;
    std::string name = line.substr(3, line.find('`', 3) - 3);
    documented.insert(name);
    const kesto::TBoxKey* key = kesto::FindBoxKey(name);
    ASSERT_NE(key, nullptr) << name << " is documented but is no box key";
    EXPECT_EQ(key->Name, name);
    // A default written as code or as a number is the module's default.
    std::vector<std::string> cells;
    std::stringstream row(line);
    for (std::string cell; std::getline(row, cell, '|');) cells.push_back(cell);
    std::string shown = cells.size() > 3 ? cells[3] : "";
    shown = shown.substr(shown.find_first_not_of(' '), shown.find_last_not_of(' ') - shown.find_first_not_of(' ') + 1);
    if (shown.size() > 1 && shown.front() == '`') {
      EXPECT_EQ("`" + std::string(key->Default) + "`", shown) << name;
    }
    if (!shown.empty() && std::isdigit(static_cast<unsigned char>(shown[0]))) {
      EXPECT_EQ(key->Default, shown) << name;
    }
  }
  for (const kesto::TBoxKey& key : kesto::BoxKeys()) EXPECT_TRUE(documented.count(key.Name)) << key.Name;
  // Every key the checker knows, and every bang command of Kesto's, has its row.
  for (const auto& [name, kind] : kestocheck::KnownKeys()) EXPECT_TRUE(documented.count(name)) << name;
  std::ifstream bangs(std::string(KESTO_SOURCE_DIR) + "/docs/bangs.md");
  std::stringstream page;
  page << bangs.rdbuf();
  for (const char* bang : {"!KestoCreate", "!KestoDestroy", "!KestoHide", "!KestoShow", "!KestoToggle",
                           "!KestoResetPos", "!KestoGroupShow", "!KestoGroupHide", "!KestoGroupToggle",
                           "!KestoMoveBox", "!KestoReload", "!KestoFocus", "!KestoZoom"}) {
    EXPECT_TRUE(kestocheck::IsKnownBang(bang)) << bang;
    EXPECT_NE(page.str().find("| `" + std::string(bang)), std::string::npos) << bang << " has no row in docs/bangs.md";
  }
}

}  // namespace

namespace {

// The box files the manual's front pages show, as a reader copies them:
// the lines of the first indented block that begins with "KestoName".
std::string FirstBoxOf(const std::string& page) {
  std::ifstream in(std::string(KESTO_SOURCE_DIR) + "/" + page);
  std::string line, box;
  bool inside = false;
  while (std::getline(in, line)) {
    if (!inside && line.rfind("    KestoName ", 0) == 0) inside = true;
    if (!inside) continue;
    if (line.rfind("    ", 0) != 0) break;
    box += line.substr(4) + "\n";
  }
  return box;
}

}  // namespace

// A reader who copies the first box of the README or of "Your first box"
// beside the sample theme's images gets a box the checker finds nothing in.
TEST(SharedRules, TheManualsFirstBoxesCheckClean) {
  const fs::path dir = fs::temp_directory_path() / "kesto-first-box";
  fs::create_directories(dir);
  for (const char* page : {"README.md", "docs/first-box.md"}) {
    const std::string box = FirstBoxOf(page);
    ASSERT_NE(box.find("KestoBackGround"), std::string::npos) << page;
    const std::string path = (dir / "hello.box").string();
    std::ofstream(path, std::ios::binary) << box;
    kestocheck::Options options;
    options.variables["THEMEDIR"] = std::string(KESTO_SOURCE_DIR) + "/samples/theme/";
    kestocheck::SetVariables(options.variables);
    kestocheck::Checker checker(options);
    ASSERT_TRUE(checker.CheckBoxFile(path)) << page;
    for (const kestocheck::Diagnostic& d : checker.Diagnostics())
      ADD_FAILURE() << page << ":" << d.line << ": " << d.check << ": " << d.message;
  }
  kestocheck::SetVariables({});
  fs::remove_all(dir);
}
