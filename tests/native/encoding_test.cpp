// Box files in every encoding authors save: read as UTF-8 inside, written
// back in their own encoding with their mark, only changed values differing.
#include <gtest/gtest.h>

#include "boxfile/box_file.h"
#include "boxfile/text_encoding.h"

namespace kesto {
namespace {

const std::string kName = "Gr\xC3\xBC\xC3\x9F" "e \xE4\xBD\xA0\xE5\xA5\xBD";  // Grüße 你好 in UTF-8

std::string Utf16(const std::string& utf8) { return Utf8ToUtf16Le(utf8); }

TEST(Encodings, EachEncodingReadsAsUtf8AndSavesAsItWasWithOnlyTheValueChanged) {
  const std::string text = "; my box\r\nKestoName " + kName + "\r\nKestoX 10 ; left\r\nKestoY 20\r\n";
  const std::string after = "; my box\r\nKestoName " + kName + "\r\nKestoX 300 ; left\r\nKestoY 20\r\n";
  struct Case {
    const char* what;
    std::string bytes, saved;
    TextEncoding encoding;
  };
  for (const Case& c : {Case{"utf-8", text, after, TextEncoding::Utf8},
                        Case{"utf-8 with a mark", "\xEF\xBB\xBF" + text, "\xEF\xBB\xBF" + after, TextEncoding::Utf8WithMark},
                        Case{"utf-16 le", "\xFF\xFE" + Utf16(text), "\xFF\xFE" + Utf16(after), TextEncoding::Utf16Le}}) {
    BoxFile file = ParseBoxFile("x.box", c.bytes);
    EXPECT_EQ(file->Encoding, c.encoding) << c.what;
    EXPECT_EQ(ReadBoxString(*file, "KestoName", ""), kName) << c.what;  // the mark is no part of a key
    EXPECT_EQ(ReadBoxInt(*file, "KestoX", 0), 10) << c.what;
    EXPECT_EQ(SerializeBoxFile(*file), c.bytes) << c.what;  // unchanged: byte for byte
    WriteBoxInt(*file, "KestoX", 300);
    EXPECT_EQ(SerializeBoxFile(*file), c.saved) << c.what;
  }
}

TEST(Encodings, AnsiFilesStayByteForByteAndInvalidUtf8IsAnsi) {
  // "Grüße" in Windows-1252, with a line of bytes that is no valid UTF-8.
  const std::string ansi = "KestoName Gr\xFC\xDF" "e\r\n*Text 1 1 \"\x80 5\" ; euro\r\nKestoX 1\r\n";
  BoxFile file = ParseBoxFile("a.box", ansi);
  EXPECT_EQ(file->Encoding, TextEncoding::Ansi);
  EXPECT_EQ(ReadBoxString(*file, "KestoName", ""), "Gr\xC3\xBC\xC3\x9F" "e");
  EXPECT_EQ(NextBoxValue(*file, "*Text"), "1 1 \"\xE2\x82\xAC 5\"");
  EXPECT_EQ(SerializeBoxFile(*file), ansi);
  WriteBoxInt(*file, "KestoX", 7);
  EXPECT_EQ(SerializeBoxFile(*file), "KestoName Gr\xFC\xDF" "e\r\n*Text 1 1 \"\x80 5\" ; euro\r\nKestoX 7\r\n");
  // UTF-8 with one stray Windows-1252 byte is not UTF-8.
  EXPECT_EQ(DetectEncoding("KestoName " + kName + " \xFC\r\n"), TextEncoding::Ansi);
  EXPECT_EQ(DetectEncoding("KestoName plain\r\n"), TextEncoding::Ansi);
}

TEST(Encodings, Utf16LinesSplitOnTheirOwnUnitsAndAddedLinesTakeTheEncoding) {
  // U+0A0D has a 0x0D byte that is not a line end in UTF-16.
  const std::string text = "KestoName \xE0\xA8\x8D\nKestoRememberPosition";
  BoxFile file = ParseBoxFile("u.box", "\xFF\xFE" + Utf16(text));
  EXPECT_EQ(ReadBoxString(*file, "KestoName", ""), "\xE0\xA8\x8D");
  WriteBoxInt(*file, "KestoY", 5);
  EXPECT_EQ(SerializeBoxFile(*file), "\xFF\xFE" + Utf16(text + "\nKestoY 5"));
}

TEST(Encodings, NamesCompareWithoutCaseInEveryScript) {
  EXPECT_EQ(UpperUnicode("gr\xC3\xBC\xC3\x9F" "e"), UpperUnicode("GR\xC3\x9C\xC3\x9F" "E"));     // grüße, GRÜßE
  EXPECT_EQ(UpperUnicode("\xD0\xBF\xD1\x80\xD0\xB8"), "\xD0\x9F\xD0\xA0\xD0\x98");                // при -> ПРИ
  EXPECT_EQ(UpperUnicode("\xCE\xB1\xCF\x83"), "\xCE\x91\xCE\xA3");                                // ασ -> ΑΣ
  EXPECT_EQ(UpperUnicode("\xCE\xB1\xCF\x82"), "\xCE\x91\xCF\x82");  // ας -> Ας: the final sigma keeps its form, as in Windows
  EXPECT_EQ(UpperUnicode("\xCE\xAC\xD2\x91\xC3\xBF"), "\xCE\x86\xD2\x90\xC5\xB8");                // άґÿ -> ΆҐŸ
  EXPECT_EQ(UpperUnicode("\xE4\xBD\xA0"), "\xE4\xBD\xA0");                                        // 你: no case
  EXPECT_EQ(Utf16LeToUtf8(Utf8ToUtf16Le("\xF0\x9F\x98\x80")), "\xF0\x9F\x98\x80");                // beyond the BMP
}

// Control characters of a box file reach the log written out, never raw.
TEST(Encodings, ControlsAreWrittenOutAndEverythingElseStays) {
  EXPECT_EQ(QuoteControls("a\x1b[31mred\tx\x7f"), "a\\x1b[31mred\\x09x\\x7f");
  EXPECT_EQ(QuoteControls("\xC2\x9B" "2J"), "\\u009b2J");                      // the one-byte CSI of C1
  EXPECT_EQ(QuoteControls("Gr\xC3\xBC\xC3\x9F" "e \xE4\xBD\xA0"), "Gr\xC3\xBC\xC3\x9F" "e \xE4\xBD\xA0");  // text stays
  EXPECT_EQ(QuoteControls("\xC2\xA0"), "\xC2\xA0");                            // U+00A0 is no control
}

// A text cut to a length never keeps part of a character.
TEST(Encodings, CutsFallBetweenCharactersInUtf8AndUtf16) {
  const std::string emoji = "\xF0\x9F\x98\x80";  // 4 bytes, a surrogate pair in UTF-16
  const std::string text = "ab" + emoji + "c";
  EXPECT_EQ(Utf8FitLength(text, 100), text.size());
  for (std::size_t limit = 2; limit < 6; ++limit) EXPECT_EQ(Utf8FitLength(text, limit), 2u) << limit;
  EXPECT_EQ(Utf8FitLength(text, 6), 6u);
  EXPECT_EQ(Utf8FitLength("\xD0\xBF\xD1\x80", 3), 2u);  // при: two bytes a letter
  const char16_t units[] = {u'a', u'b', 0xD83D, 0xDE00, u'c'};
  EXPECT_EQ(Utf16FitLength(units, 5, 3), 2u);  // the high half alone would not be a character
  EXPECT_EQ(Utf16FitLength(units, 5, 4), 4u);
  EXPECT_EQ(Utf16FitLength(units, 5, 2), 2u);
  EXPECT_EQ(Utf16FitLength(units, 5, 9), 5u);
}

}  // namespace
}  // namespace kesto
