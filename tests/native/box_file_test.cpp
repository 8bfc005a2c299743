#include "boxfile/box_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <cstdlib>
#include <fstream>

#include "boxfile/safe_save.h"
#include "boxfile/save_check.h"

#ifdef _WIN32
#include <windows.h>
#endif

using namespace kesto;
namespace fs = std::filesystem;

namespace {

class BoxFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("kesto-boxfile-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ignored;
    for (auto& entry : fs::directory_iterator(dir_, ignored))
      fs::permissions(entry.path(), fs::perms::owner_all, ignored);
    fs::remove_all(dir_, ignored);
  }

  std::string Write(const std::string& name, const std::string& bytes) {
    std::string path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  static std::string Read(const std::string& path) {
    std::string bytes;
    ReadFileBytes(path, bytes);
    return bytes;
  }
  BoxFile Load(const std::string& bytes) {
    BoxFile file = LoadBoxFile(Write("t.box", bytes));
    EXPECT_TRUE(file);
    return file;
  }
  std::size_t FilesInDir() const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()));
  }

  fs::path dir_;
};

TEST_F(BoxFileTest, ValuesAreExtractedTrimmedAndCommentFree) {
  BoxFile f = Load("KestoX 10 ; left edge\r\n   KestoY 5\r\nkestoname  My Box  \r\nKestoW\t7\r\n"
                   "KestoE\r\nKestoN NopE\r\n*Shortcut a 0 0 n.bmp h.bmp p.bmp !run a;b\r\n");
  EXPECT_EQ(ReadBoxString(*f, "KestoX", "d"), "10");
  EXPECT_EQ(ReadBoxInt(*f, "KestoY", -1), 5);
  EXPECT_EQ(ReadBoxString(*f, "KestoName", "d"), "My Box");
  // A tab glues the value to the key: the key is absent.
  EXPECT_EQ(ReadBoxInt(*f, "KestoW", 99), 99);
  EXPECT_FALSE(BoxKeyExists(*f, "KestoW"));
  // Present but empty reads as 0, not the default.
  EXPECT_EQ(ReadBoxInt(*f, "KestoE", 99), 0);
  EXPECT_TRUE(BoxKeyExists(*f, "KestoE"));
  EXPECT_EQ(ReadBoxString(*f, "KestoE", "d"), "");
  // The sentinel value counts as absent.
  EXPECT_EQ(ReadBoxInt(*f, "KestoN", 3), 3);
  EXPECT_FALSE(BoxKeyExists(*f, "KestoN"));
  // The default comes back exactly as given.
  EXPECT_EQ(ReadBoxString(*f, "Missing", "  raw $x$ "), "  raw $x$ ");
  EXPECT_EQ(NextBoxValue(*f, "*Shortcut"), "a 0 0 n.bmp h.bmp p.bmp !run a");
}

TEST_F(BoxFileTest, KeysMatchByWholeFirstTokenAndFirstLineWins) {
  BoxFile f = Load("KestoX;old 5\r\nKestoXY 3\r\nKestoX 1\r\nKestoX 2\r\n  ;KestoY 5\r\n;KestoY 6\r\n");
  EXPECT_EQ(f->First->Key, "KESTOX;OLD");
  EXPECT_EQ(f->First->Comment, ";old 5");
  EXPECT_EQ(ReadBoxInt(*f, "KestoX", 0), 1);
  EXPECT_FALSE(BoxKeyExists(*f, "KestoY"));  // neither line is a KestoY key line
  WriteBoxInt(*f, "KESTOX", 7);
  EXPECT_EQ(ReadBoxInt(*f, "KestoX", 0), 7);
  // Only the written line changes; the others stay as they were read.
  EXPECT_EQ(SerializeBoxFile(*f),
            "KestoX;old 5\r\nKestoXY 3\r\nKESTOX 7\r\nKestoX 2\r\n  ;KestoY 5\r\n;KestoY 6\r\n");
}

TEST_F(BoxFileTest, ExpansionHappensAtReadTimeAndIsNotSaved) {
  auto expand = [](const std::string& text) {
    std::string out = text;
    auto pos = out.find("$dir$");
    if (pos != std::string::npos) out.replace(pos, 5, "C:\\themes");
    return out;
  };
  std::string path = Write("t.box", "KestoBackGround $dir$\\bg.bmp ; pic\r\n");
  BoxFile f = LoadBoxFile(path, expand);
  EXPECT_EQ(ReadBoxString(*f, "KestoBackGround", ""), "C:\\themes\\bg.bmp");
  WriteBoxInt(*f, "KestoX", 1);
  ASSERT_TRUE(CloseBoxFile(f, true));
  EXPECT_EQ(Read(path), "KestoBackGround $dir$\\bg.bmp ; pic\r\nKestoX 1\r\n");
}

TEST_F(BoxFileTest, ASaveChangesOnlyTheValuesItWritesAndEachLineKeepsItsEnd) {
  std::string path =
      Write("t.box", "; header\r\n\r\n  \t \rKestoX 1\nKestoY 2   ;  two\r\n   Indented 3 ; note\nlast");
  BoxFile f = LoadBoxFile(path);
  WriteBoxInt(*f, "KestoX", 20);
  ASSERT_TRUE(CloseBoxFile(f, true));
  EXPECT_FALSE(f);
  EXPECT_EQ(Read(path), "; header\r\n\r\n  \t \rKestoX 20\nKestoY 2   ;  two\r\n   Indented 3 ; note\nlast");

  // A file of LF lines stays LF; a written commented line keeps its comment;
  // an added line takes the file's end, also after a last line without one.
  path = Write("lf.box", "KestoName Lf\nKestoX 5 ; left\nKestoWidth 3");
  f = LoadBoxFile(path);
  WriteBoxInt(*f, "KestoX", 7);
  WriteBoxInt(*f, "KestoY", 8);
  ASSERT_TRUE(CloseBoxFile(f, true));
  EXPECT_EQ(Read(path), "KestoName Lf\nKestoX 7 ; left\nKestoWidth 3\nKestoY 8");
  path = Write("lf2.box", "KestoName Lf\n");
  f = LoadBoxFile(path);
  WriteBoxInt(*f, "KestoY", 8);
  ASSERT_TRUE(CloseBoxFile(f, true));
  EXPECT_EQ(Read(path), "KestoName Lf\nKestoY 8\n");
}

TEST_F(BoxFileTest, EmptyFileAndWritesThatAppend) {
  std::string path = Write("t.box", "");
  BoxFile f = LoadBoxFile(path);
  ASSERT_TRUE(f);
  EXPECT_EQ(f->First, nullptr);
  EXPECT_EQ(NextBoxValue(*f, "*Text"), "");
  WriteBoxString(*f, "KestoName", "Solo");
  WriteBoxInt(*f, "KestoX", -5);
  ASSERT_TRUE(CloseBoxFile(f, true));
  EXPECT_EQ(Read(path), "KestoName Solo\r\nKestoX -5\r\n");
  EXPECT_FALSE(LoadBoxFile(""));
  EXPECT_FALSE(LoadBoxFile((dir_ / "missing.box").string()));
}

TEST_F(BoxFileTest, CursorWalksRepeatedKeysInOnePass) {
  BoxFile f = Load("*Text 1 1 a\r\nKestoX 1\r\n*text 2 2 b\r\n*TextX 1 2 a\r\n;*Text no\r\n");
  EXPECT_EQ(NextBoxValue(*f, "*Text"), "1 1 a");
  EXPECT_EQ(NextBoxValue(*f, "*Text"), "2 2 b");
  EXPECT_EQ(NextBoxValue(*f, "*Text"), "X 1 2 a");  // a prefix test, by the key's length
  EXPECT_EQ(NextBoxValue(*f, "*Text"), "");
  EXPECT_EQ(f->Cursor, f->First.get());
  EXPECT_EQ(NextBoxValue(*f, "*Text"), "1 1 a");
}

TEST_F(BoxFileTest, EmptyValueStopsAWalkButLeavesTheCursorAfterIt) {
  BoxFile f = Load("*Module a.dll\r\n*Module\r\n*Module b.dll\r\n*Text 1 1 t\r\n");
  EXPECT_EQ(NextBoxValue(*f, "*Module"), "a.dll");
  EXPECT_EQ(NextBoxValue(*f, "*Module"), "");  // the caller stops here
  // The next walk starts after the empty line, so it misses nothing after it
  // but also sees nothing before it.
  EXPECT_EQ(NextBoxValue(*f, "*Module"), "b.dll");
  EXPECT_EQ(NextBoxValue(*f, "*Module"), "");
  EXPECT_EQ(NextBoxValue(*f, "*Text"), "1 1 t");
}

TEST_F(BoxFileTest, HugeLinesAndExpansionsStayInBounds) {
  std::string big(100000, 'v');
  std::string path = Write("t.box", "KestoName " + big + " ;" + std::string(100000, 'c') + "\r\n*Text " +
                                        big + "\r\n" + big + "\r\n");
  BoxFile f = LoadBoxFile(path, [](const std::string& text) { return text + std::string(5000, 'e'); });
  ASSERT_TRUE(f);
  EXPECT_EQ(ReadBoxString(*f, "KestoName", "").size(), 4095u);  // 4096 after the key, less its blank
  EXPECT_EQ(NextBoxValue(*f, "*Text").size(), 4095u);
  WriteBoxInt(*f, "KestoX", 1);
  ASSERT_TRUE(CloseBoxFile(f, true));
  std::string saved = Read(path);
  // The long comment is kept whole.
  EXPECT_EQ(saved.size(), 10 + 100000 + 1 + 100001 + 2 + 6 + 100000 + 2 + 100000 + 2 + 8 + 2);
}

TEST_F(BoxFileTest, FailedSaveKeepsTheOriginalAndLeavesNoTemporaryFile) {
  const std::string original = "KestoX 10 ; keep me\r\nKestoY 5\r\n";
  std::string path = Write("t.box", original);
  BoxFile f = LoadBoxFile(path);
  fs::remove(dir_ / "t.box");
  fs::create_directory(dir_ / "t.box");  // the target became a folder: the rename must fail
  WriteBoxInt(*f, "KestoX", 1);
  EXPECT_FALSE(CloseBoxFile(f, true));
  EXPECT_FALSE(f);
  EXPECT_EQ(FilesInDir(), 1u);
  fs::remove(dir_ / "t.box");

  // A folder that vanished: nothing can be written, nothing is left behind.
  std::string gone = (dir_ / "gone" / "t.box").string();
  fs::create_directories(dir_ / "gone");
  std::ofstream(gone, std::ios::binary) << original;
  BoxFile g = LoadBoxFile(gone);
  fs::remove_all(dir_ / "gone");
  EXPECT_FALSE(CloseBoxFile(g, true));
  EXPECT_FALSE(fs::exists(dir_ / "gone"));
}

TEST_F(BoxFileTest, LeftoversBesideTheFileOfAnyNameNeverMakeASaveFail) {
  // Temporary names of earlier saves and of crashes, and others.
  for (int i = 0; i < 120; ++i) Write("~k" + std::to_string(i) + ".tmp", "left over");
  for (const char* name : {"~k.tmp", "~kffffffff.tmp", "~k00000000.tmp", "t.box.tmp"}) Write(name, "x");
  std::string path = Write("t.box", "KestoX 1\r\n");
  const std::size_t before = FilesInDir();
  for (int round = 0; round < 3; ++round) {
    BoxFile f = LoadBoxFile(path);
    WriteBoxInt(*f, "KestoX", round);
    SaveResult result = SaveResult::Failed;
    ASSERT_TRUE(CloseBoxFile(f, true, &result)) << round;
    EXPECT_EQ(result, SaveResult::Saved);
    EXPECT_EQ(Read(path), "KestoX " + std::to_string(round) + "\r\n");
  }
  EXPECT_EQ(FilesInDir(), before);
  EXPECT_EQ(Read((dir_ / "~k7.tmp").string()), "left over");
}

#ifndef _WIN32
// A theme folder whose rights let its files change but no file be made
// (here: an immutable folder, which binds root too).
TEST_F(BoxFileTest, AFolderThatTakesNoNewFileHasTheFileWrittenInPlace) {
  std::string path = Write("t.box", "KestoX 10 ; keep\r\nKestoY 5\r\n");
  std::string linked = Write("linked.box", "KestoX 1\r\n");
  fs::create_hard_link(linked, dir_ / "other.box");
  const std::string folder = dir_.string();
  if (std::system(("chattr +i '" + folder + "' 2>/dev/null").c_str()) != 0)
    GTEST_SKIP() << "this file system has no immutable folders";
  std::ofstream probe(dir_ / "probe");
  const bool folderRefuses = !probe;
  probe.close();
  for (const std::string& target : {path, linked}) {
    BoxFile f = LoadBoxFile(target);
    WriteBoxInt(*f, "KestoX", 20);
    SaveResult result = SaveResult::Failed;
    EXPECT_TRUE(CloseBoxFile(f, true, &result)) << target;
    EXPECT_EQ(result, SaveResult::SavedInPlace) << target;
  }
  std::system(("chattr -i '" + folder + "'").c_str());
  ASSERT_TRUE(folderRefuses);
  EXPECT_EQ(Read(path), "KestoX 20 ; keep\r\nKestoY 5\r\n");
  EXPECT_EQ(Read((dir_ / "other.box").string()), "KestoX 20\r\n");
  EXPECT_EQ(FilesInDir(), 3u);
}
#endif

#ifdef _WIN32
TEST_F(BoxFileTest, ALinkedFileThatAnotherProgramHoldsLeavesNothingBeside) {
  const std::string original = "KestoX 1\r\n";
  std::string path = Write("linked.box", original);
  std::string other = (dir_ / "other-name.box").string();
  ASSERT_TRUE(CreateHardLinkA(other.c_str(), path.c_str(), nullptr));
  // Held open for reading only: nobody may write it meanwhile.
  HANDLE reader = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  for (int round = 0; round < 3; ++round) {
    BoxFile f = LoadBoxFile(path);
    WriteBoxInt(*f, "KestoX", 2);
    EXPECT_FALSE(CloseBoxFile(f, true));
  }
  EXPECT_EQ(FilesInDir(), 2u);  // no backup copy left behind
  CloseHandle(reader);
  EXPECT_EQ(Read(path), original);
  BoxFile f = LoadBoxFile(path);
  WriteBoxInt(*f, "KestoX", 3);
  EXPECT_TRUE(CloseBoxFile(f, true));
  EXPECT_EQ(Read(other), "KestoX 3\r\n");
  EXPECT_EQ(FilesInDir(), 2u);
}

// An access list that allows writing but not deleting: put on the new file
// before its rename, it would strand Kesto's own temporary file when the
// rename fails.
TEST_F(BoxFileTest, TheAccessListComesOverOnlyOnceTheNewFileIsInPlace) {
  std::string path = Write("acl.box", "KestoX 1\r\n");
  // Everyone may read and write, nobody may delete.
  SECURITY_DESCRIPTOR descriptor;
  ASSERT_TRUE(InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION));
  alignas(8) unsigned char aclBytes[256];
  auto* acl = reinterpret_cast<ACL*>(aclBytes);
  ASSERT_TRUE(InitializeAcl(acl, sizeof aclBytes, ACL_REVISION));
  SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
  PSID everyone = nullptr;
  ASSERT_TRUE(AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone));
  ASSERT_TRUE(AddAccessAllowedAce(acl, ACL_REVISION, FILE_GENERIC_READ | FILE_GENERIC_WRITE, everyone));
  ASSERT_TRUE(SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE));
  ASSERT_TRUE(SetFileSecurityA(path.c_str(), DACL_SECURITY_INFORMATION, &descriptor));
  FreeSid(everyone);
  auto daclOf = [](const std::string& file) {
    DWORD needed = 0;
    GetFileSecurityA(file.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &needed);
    std::string bytes(needed, '\0');
    if (needed) GetFileSecurityA(file.c_str(), DACL_SECURITY_INFORMATION, &bytes[0], needed, &needed);
    return bytes;
  };
  const std::string wanted = daclOf(path);

  // The rename fails while another program holds the file without sharing its deletion.
  HANDLE holder = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  BoxFile f = LoadBoxFile(path);
  WriteBoxInt(*f, "KestoX", 2);
  EXPECT_FALSE(CloseBoxFile(f, true));
  CloseHandle(holder);
  EXPECT_EQ(FilesInDir(), 1u);
  EXPECT_EQ(Read(path), "KestoX 1\r\n");

  f = LoadBoxFile(path);
  WriteBoxInt(*f, "KestoX", 3);
  EXPECT_TRUE(CloseBoxFile(f, true));
  EXPECT_EQ(Read(path), "KestoX 3\r\n");
  EXPECT_EQ(daclOf(path), wanted);
  EXPECT_EQ(FilesInDir(), 1u);
}
#endif

#ifdef _WIN32
// The new file is the old one's from its making: its owner and access list
// are those of the file it replaces, not the folder's.
TEST_F(BoxFileTest, TheOwnerAndAccessListOfTheFileAreKept) {
  std::string path = Write("owned.box", "KestoX 1\r\n");
  PSID everyone = nullptr;
  SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
  ASSERT_TRUE(AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone));
  SECURITY_DESCRIPTOR descriptor;
  ASSERT_TRUE(InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION));
  ASSERT_TRUE(SetSecurityDescriptorOwner(&descriptor, everyone, FALSE));
  const bool ownerGiven = SetFileSecurityA(path.c_str(), OWNER_SECURITY_INFORMATION, &descriptor);
  auto ownerIsEveryone = [&](const std::string& file) {
    DWORD needed = 0;
    GetFileSecurityA(file.c_str(), OWNER_SECURITY_INFORMATION, nullptr, 0, &needed);
    std::string bytes(needed, '\0');
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    return needed && GetFileSecurityA(file.c_str(), OWNER_SECURITY_INFORMATION, &bytes[0], needed, &needed) &&
           GetSecurityDescriptorOwner(&bytes[0], &owner, &defaulted) && owner && EqualSid(owner, everyone);
  };
  if (!ownerGiven || !ownerIsEveryone(path)) {
    FreeSid(everyone);
    GTEST_SKIP() << "this system keeps no other owner on a file (Wine keeps none)";
  }
  BoxFile f = LoadBoxFile(path);
  WriteBoxInt(*f, "KestoX", 2);
  SaveResult result = SaveResult::Failed;
  EXPECT_TRUE(CloseBoxFile(f, true, &result));
  EXPECT_EQ(result, SaveResult::Saved);
  EXPECT_EQ(Read(path), "KestoX 2\r\n");
  EXPECT_TRUE(ownerIsEveryone(path));
  EXPECT_EQ(FilesInDir(), 1u);
  FreeSid(everyone);
}
#endif

#ifdef _WIN32
TEST_F(BoxFileTest, ReadOnlyAndLockedFilesAreLeftByteForByte) {
  const std::string original = "KestoX 10 ; keep me\r\n";
  std::string path = Write("ro.box", original);
  BoxFile f = LoadBoxFile(path);
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
  WriteBoxInt(*f, "KestoX", 1);
  EXPECT_FALSE(CloseBoxFile(f, true));
  EXPECT_EQ(Read(path), original);
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(FilesInDir(), 1u);

  std::string locked = Write("locked.box", original);
  BoxFile g = LoadBoxFile(locked);
  HANDLE holder = CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  WriteBoxInt(*g, "KestoX", 1);
  EXPECT_FALSE(CloseBoxFile(g, true));
  CloseHandle(holder);
  EXPECT_EQ(Read(locked), original);
  EXPECT_EQ(FilesInDir(), 2u);
}
#endif

// A save keeps what makes the file the user's: where a link points, other
// hard links, access rights and attributes; a long path saves too.
#ifdef _WIN32
TEST_F(BoxFileTest, SavesKeepAttributesHardLinksAndWorkOnLongPaths) {
  std::string hidden = Write("hidden.box", "KestoX 1\r\n");
  SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN);
  BoxFile f = LoadBoxFile(hidden);
  WriteBoxInt(*f, "KestoX", 2);
  EXPECT_TRUE(CloseBoxFile(f, true));
  EXPECT_EQ(Read(hidden), "KestoX 2\r\n");
  EXPECT_TRUE(GetFileAttributesA(hidden.c_str()) & FILE_ATTRIBUTE_HIDDEN);
  SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_NORMAL);

  std::string original = Write("linked.box", "KestoX 1\r\n");
  std::string other = (dir_ / "other-name.box").string();
  ASSERT_TRUE(CreateHardLinkA(other.c_str(), original.c_str(), nullptr));
  BoxFile g = LoadBoxFile(original);
  WriteBoxInt(*g, "KestoX", 3);
  EXPECT_TRUE(CloseBoxFile(g, true));
  EXPECT_EQ(Read(other), "KestoX 3\r\n");  // still one file under two names

  // A folder name that brings the box file's full path to about 250 characters.
  std::string folder = (dir_ / std::string(250 - dir_.string().size() - 10, 'd')).string();
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  std::string deep = folder + "\\deep.box";
  ASSERT_GE(deep.size(), 244u);
  std::ofstream(deep, std::ios::binary) << "KestoX 1\r\n";
  BoxFile h = LoadBoxFile(deep);
  WriteBoxInt(*h, "KestoX", 4);
  EXPECT_TRUE(CloseBoxFile(h, true));
  EXPECT_EQ(Read(deep), "KestoX 4\r\n");
}
#else
TEST_F(BoxFileTest, SavesKeepLinksHardLinksAndAccessRights) {
  std::string real = Write("real.box", "KestoX 1\n");
  fs::create_symlink(real, dir_ / "link.box");
  BoxFile f = LoadBoxFile((dir_ / "link.box").string());
  WriteBoxInt(*f, "KestoX", 2);
  EXPECT_TRUE(CloseBoxFile(f, true));
  EXPECT_TRUE(fs::is_symlink(dir_ / "link.box"));
  EXPECT_EQ(Read(real), "KestoX 2\n");

  fs::create_hard_link(real, dir_ / "second-name.box");
  BoxFile g = LoadBoxFile(real);
  WriteBoxInt(*g, "KestoX", 3);
  EXPECT_TRUE(CloseBoxFile(g, true));
  EXPECT_EQ(fs::hard_link_count(real), 2u);
  EXPECT_EQ(Read((dir_ / "second-name.box").string()), "KestoX 3\n");

  std::string own = Write("own.box", "KestoX 1\n");
  fs::permissions(own, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  BoxFile h = LoadBoxFile(own);
  WriteBoxInt(*h, "KestoX", 4);
  EXPECT_TRUE(CloseBoxFile(h, true));
  EXPECT_EQ(fs::status(own).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(FilesInDir(), 4u);  // no temporary or backup file left behind
}
#endif

}  // namespace

// What an editor leaves on disk in the middle of a save is told apart from a
// box file to build, and named; a finished save of any encoding passes.
TEST(UnfinishedSave, EmptyBinaryKeylessAndCutShortFilesAreNamedWhileFinishedOnesPass) {
  auto reason = [](const std::string& bytes, bool wantsBackground = true) {
    BoxFile parsed = ParseBoxFile("x.box", bytes);
    return UnfinishedSaveReason(bytes, *parsed, wantsBackground);
  };
  EXPECT_EQ(reason(""), "it is empty (0 bytes)");
  EXPECT_EQ(reason("\xEF\xBB\xBF"), "it holds nothing but blanks");
  EXPECT_EQ(reason(" \r\n\t\r\n"), "it holds nothing but blanks");
  EXPECT_EQ(reason(std::string("KestoName A\r\nKesto\0\0\0\x01", 20)),
            "it is not text (control byte 0x00 on line 2)");
  EXPECT_EQ(reason("KestoName A\x1b[31m\r\nKestoBackGround a.bmp\r\n"),
            "it is not text (control byte 0x1B on line 1)");
  EXPECT_EQ(reason("hello world\nthis is prose\n"), "it holds no Kesto key and no content line");
  EXPECT_EQ(reason("KestoName A\r\nKestoX 10\r\n"), "it has no KestoBackGround line any more (cut short?)");

  EXPECT_EQ(reason("KestoName A\r\nKestoX 10\r\n", false), "");
  EXPECT_EQ(reason("; only a comment\r\n*Shortcut a 0 0 a.bmp a.bmp a.bmp !x\r\n", false), "");
  EXPECT_EQ(reason("KestoName A\tx\fy\r\nkestobackground a.bmp ; a comment\r\n"), "");
  EXPECT_EQ(reason(std::string("\xFF\xFEK\0=\0\r\0\n\0", 10), false), "it holds no Kesto key and no content line");
  static const char utf16[] = "\xFF\xFEK\0e\0s\0t\0o\0B\0a\0c\0k\0G\0r\0o\0u\0n\0d\0 \0a\0";
  EXPECT_EQ(reason(std::string(utf16, sizeof utf16 - 1)), "");
}
