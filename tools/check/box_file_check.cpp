#include "tools/check/box_file_check.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <set>
#include <unordered_map>

#include "boxfile/box_rules.h"
#include "boxfile/image_header.h"
#include "boxfile/key_slips.h"
#include "boxfile/scale.h"
#include "boxfile/text_helpers.h"
#include "shell/variables.h"
#include "tools/check/checker.h"
#include "tools/check/files.h"
#include "tools/check/known_keys.h"

namespace kestocheck {

using namespace kesto;

namespace {

// Beyond this, a tooltip may be cut by the tooltip control.
constexpr std::size_t kLongestTooltip = 79;

std::string TrimQuotes(const std::string& text) {
  std::size_t begin = text.find_first_not_of('"');
  std::size_t end = text.find_last_not_of('"');
  return begin == std::string::npos ? std::string() : text.substr(begin, end - begin + 1);
}

bool IsPlainNumber(const std::string& text) {
  std::size_t start = !text.empty() && text[0] == '-' ? 1 : 0;
  if (start == text.size()) return false;
  return std::all_of(text.begin() + static_cast<long>(start), text.end(),
                     [](char c) { return c >= '0' && c <= '9'; });
}

// One box file being checked: its lines as loaded and as written.
class BoxFileCheck {
 public:
  BoxFileCheck(const std::string& path, TBoxHeader& header, std::vector<std::string> raw, const Options& options,
               std::vector<Diagnostic>& out, Groups& groups)
      : path_(path), shownPath_(DisplayPath(path)), header_(header), raw_(std::move(raw)), options_(options), out_(out),
        groups_(groups) {
    int line = 1;
    for (TBoxEntry* e = header_.First.get(); e; e = e->Next.get()) lineOf_[e] = line++;
  }

  void Run() {
    CheckLines();
    CheckContentWalks();
    CheckAlphaBackground();
    CheckBackground();
    CheckAnchors();
    CheckDefaultBackground();
  }

 private:
  void Warn(int line, const std::string& check, const std::string& message) {
    out_.push_back({shownPath_, line, "warning", check, message});
  }

  // The line of a key's first appearance; 0 (the whole file) when it has none.
  int LineOfKey(const std::string& key) const {
    const auto found = seen_.find(key);
    return found == seen_.end() ? 0 : found->second;
  }

  void CheckNumber(int line, const std::string& text, const std::string& what) {
    if (IsPlainNumber(text)) return;
    if (text.empty()) {
      Warn(line, "missing-number", what + " is missing and reads as 0");
      return;
    }
    Warn(line, "odd-number",
         what + " " + Quote(text) + " reads as " + FormatInt(ParseInt(text)) + " by Kesto's number rules");
  }

  // A command names a bang: one that is neither Kesto's nor the shell's,
  // but close to one, is most likely a typing mistake.
  void CheckCommand(int line, const std::string& command) {
    std::string name = GetToken(command, 1);
    // A group command reads the whole rest as the group's number, as Kesto does.
    const std::string upper = UpperText(name);
    if (upper == "!KESTOGROUPTOGGLE" || upper == "!KESTOGROUPSHOW" || upper == "!KESTOGROUPHIDE")
      groups_.used.push_back({shownPath_, line, name, ParseInt(GetTokenRest(command, 2))});
    if (name.size() < 2 || name[0] != '!' || IsKnownBang(name)) return;
    std::string nearest = NearestBang(name);
    if (!nearest.empty())
      Warn(line, "unknown-bang", "no bang command is called " + Quote(name) + "; did you mean " + Quote(nearest) + "?");
  }

  // The shell expands every value as it is read: a '$' that is not part of
  // a defined $name$ goes, and one it cannot evaluate opens its error dialog.
  void CheckDollars(int line, const std::string& raw) {
    if (raw.find('$') == std::string::npos) return;
    std::string failed;
    standin::ExpandVariables(raw, CheckerVariableTable(), 4095,
                             [&](const std::string& expression, const std::string&) {
                               if (failed.empty()) failed = expression;
                             });
    if (!failed.empty()) {
      Warn(line, "dollar-eaten", "the shell cannot evaluate $" + failed + "$ here: it drops it and shows an error "
                                 "dialog; write $$ for a $");
      return;
    }
    std::size_t dollars = static_cast<std::size_t>(std::count(raw.begin(), raw.end(), '$'));
    if (dollars % 2 == 1)
      Warn(line, "dollar-eaten", "a lone '$' is dropped by the shell's expansion; write $$ for a $");
  }

  void CheckFourNumbers(int line, const std::string& key, const std::string& value) {
    for (std::uint8_t n = 1; n <= 4; ++n)
      CheckNumber(line, GetToken(value, n), key + " number " + std::to_string(n));
  }

  void CheckImage(int line, const std::string& name, const std::string& what, bool fallsBack) {
    // The shell's image forms: no image at all, two images merged, an icon.
    if (name.empty() || UpperText(name) == ".NONE") return;
    std::size_t bar = name.find('|');
    if (bar != std::string::npos) {
      CheckImage(line, name.substr(0, bar), what, fallsBack);
      CheckImage(line, name.substr(bar + 1), what, fallsBack);
      return;
    }
    std::string file = name;
    if (UpperText(name.substr(0, 9)) == ".EXTRACT=") {
      file = name.substr(9, name.rfind(',') > 9 && name.rfind(',') != std::string::npos ? name.rfind(',') - 9
                                                                                        : std::string::npos);
    }
    std::string found = options_.imageDir.empty() ? std::string() : JoinPath(options_.imageDir, file);
    if (!FileExists(found)) found = file;
    if (FileExists(found)) {
      ImageSize size;
      const bool sized = ReadImageFileSize(ExistingPath(found), size);
      if (sized && ImageTooLarge(size))
        Warn(line, "image-too-large",
             what + " " + Quote(DisplayPath(name)) + " is " + FormatImageSize(size) + " pixels, over " +
                 std::to_string(kMaxImageSide) + " a side or " + std::to_string(kMaxImagePixels) +
                 " in all: Kesto does not hand it to the shell, and the box goes on without it");
      if (sized && file == name) CheckScaledArt(line, found, name, size, what);
      return;
    }
    Warn(line, "missing-image",
         what + " " + Quote(DisplayPath(name)) + " cannot be found" +
             (fallsBack ? ": the normal image is shown instead" : ""));
  }

  // Art for higher scales beside an image: each form exactly its scale times
  // the base; and, for a theme shown above 100 %, a hint where there is none.
  void CheckScaledArt(int line, const std::string& found, const std::string& name, const ImageSize& base,
                      const std::string& what) {
    struct Form {
      const char* Suffix;
      int Percent;
    };
    bool drawnAbove = false;
    for (const Form form : {Form{"@1.5x", 150}, Form{"@2x", 200}, Form{"@3x", 300}}) {
      const std::string path = ExistingPath(ScaledArtName(found, form.Suffix));
      ImageSize size;
      if (path.empty() || !ReadImageFileSize(path, size)) continue;
      drawnAbove = true;
      const std::int64_t width = base.Width * form.Percent / 100, height = base.Height * form.Percent / 100;
      if (size.Width != width || size.Height != height)
        Warn(line, "scaled-art-size",
             Quote(DisplayPath(ScaledArtName(name, form.Suffix))) + " is " + FormatImageSize(size) + " pixels, not " +
                 std::to_string(width) + "x" + std::to_string(height) + " (" + std::to_string(form.Percent) +
                 " % of " + Quote(DisplayPath(name)) + "): it is filtered to that size, and its edges soften");
    }
    if (options_.scalePercent > 100 && !drawnAbove && hintedArt_.insert(found).second)
      Warn(line, "one-scale-art",
           "a hint: at " + std::to_string(options_.scalePercent) + " % the " + what + " " +
               Quote(DisplayPath(name)) + " is enlarged from its 100 % art; draw " +
               Quote(DisplayPath(ScaledArtName(name, "@2x"))) + " beside it for sharp edges");
  }

  void CheckLibrary(int line, const std::string& name) {
    if (FileExists(name) || (!options_.shellDir.empty() && FileExists(JoinPath(options_.shellDir, name)))) return;
    Warn(line, "missing-library",
         "plug-in library " + Quote(DisplayPath(name)) + " cannot be found as written or under the shell's folder");
  }

  void CheckSingleKey(int line, const std::string& key, KeyKind kind, const TBoxEntry& entry) {
    std::string value = BoxLineValue(header_, entry, key);
    if (seen_.count(key)) {
      Warn(line, "duplicate-key", DuplicateKeyMessage(key, seen_[key]));
      return;
    }
    seen_[key] = line;
    if (IsSentinelValue(key, value)) {
      Warn(line, "sentinel-value", "the value " + Quote(value) + " counts as if " + key + " were absent");
      return;
    }
    // The two keys of scale read their values their own way.
    if (key == "KestoZoom") {
      bool valid = false;
      ZoomFromText(value.c_str(), valid);
      if (!valid)
        Warn(line, "zoom-value", "KestoZoom " + Quote(value) + " is not a percent from 10 to 1000: the box is drawn at 100");
      return;
    }
    if (key == "KestoDpiScaling") {
      if (UpperText(value) != "ON" && UpperText(value) != "OFF")
        Warn(line, "dpi-scaling-value", "KestoDpiScaling is on or off; " + Quote(value) + " counts as on");
      return;
    }
    switch (kind) {
      case KeyKind::Presence:
        if (!value.empty())
          Warn(line, "presence-value",
               key + " is on whenever it is present; its value " + Quote(value) + " changes nothing");
        break;
      case KeyKind::Integer:
        CheckNumber(line, value, key);
        if (key == "KestoAlphaTransparency") {
          std::int32_t alpha = ParseInt(value);
          if (alpha < 0 || alpha > 255)
            Warn(line, "alpha-range",
                 "alpha " + FormatInt(alpha) + " is used as " + std::to_string(alpha & 0xFF) +
                     " (only the low 8 bits count)");
        }
        if (key == "KestoMonitor" && ParseInt(value) < 1)
          Warn(line, "monitor-number",
               "monitor " + FormatInt(ParseInt(value)) + " does not exist: monitors count from 1 (the primary); "
               "the box is shown on monitor 1");
        break;
      case KeyKind::FourNumbers:
        if (key == "KestoBackgroundOffs" && value.size() < 7 && value != "0 0 0 0") {
          Warn(line, "offs-too-short",
               "a KestoBackgroundOffs value shorter than 7 characters never tiles; write all four numbers");
        } else {
          CheckFourNumbers(line, key, value);
        }
        break;
      case KeyKind::Colour:
        if (value.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
          char hex[16];
          std::snprintf(hex, sizeof hex, "%06X", ParseHex(value));
          Warn(line, "colour-not-hex",
               "colour " + Quote(value) + " has characters that are not hexadecimal; it reads as " + hex);
        }
        break;
      case KeyKind::Image:
        CheckImage(line, value, "background image", false);
        break;
      case KeyKind::Text:
        if (key == "KestoName" && !value.empty() && value[0] == '"')
          Warn(line, "quoted-name",
               "the quotes become part of the name " + value + "; bang commands cannot reach it as written");
        if (key == "KestoFont" && !value.empty() && value[0] == '"')
          Warn(line, "quoted-font", "the quotes are part of the font name, so no font is found and the default is "
                                    "used; write KestoFont " + TrimQuotes(value));
        if (key == "KestoOnLeftClick" || key == "KestoOnRightClick") CheckCommand(line, value);
        break;
    }
    if (key == "KestoRememberPosition" && !IsWritable(path_))
      Warn(line, "remember-unwritable", "the position cannot be saved: the box file cannot be written");
  }

  // Kesto reads text in the ANSI code page, one byte a character.


  // At least one multi-byte UTF-8 sequence, and no byte that breaks the form.


  // A position counted from the far edge becomes an absolute number at the
  // first save after a move.
  void CheckAnchors() {
    if (!seen_.count("KestoRememberPosition")) return;
    for (const char* key : {"KestoX", "KestoY"}) {
      if (!seen_.count(key)) continue;
      std::int32_t value = ReadBoxInt(header_, key, 0);
      if (value < 0)
        Warn(seen_[key], "anchor-lost", std::string(key) + " " + FormatInt(value) + " counts from the " +
                                            (key[5] == 'X' ? "right" : "bottom") +
                                            " edge; once the box is moved, the position saved for it counts from "
                                            "the other edge, for this screen size only");
    }
  }

  // Without a KestoBackGround line the box shows the default image, which
  // must be found like any other.
  void CheckDefaultBackground() {
    if (seen_.count("KestoBackGround")) return;
    std::string image = BoxKeyDefault("KestoBackGround");
    if ((!options_.imageDir.empty() && FileExists(JoinPath(options_.imageDir, image))) || FileExists(image)) return;
    Warn(0, "missing-background", "there is no KestoBackGround line, and the default " + Quote(image) +
                                      " cannot be found: the box has no picture, and is 0x0 unless KestoWidth and "
                                      "KestoHeight say otherwise");
  }

  void CheckLines() {
    int line = 0;
    for (TBoxEntry* entry = header_.First.get(); entry; entry = entry->Next.get()) {
      ++line;
      if (entry->Key.empty()) continue;  // blank or comment line
      const std::string& raw = raw_[static_cast<std::size_t>(line - 1)];
      std::string comment = ExtractComment(raw);
      if (!comment.empty()) {
        std::size_t at = raw.size() - comment.size();
        if (at > 0 && !IsBlank(raw[at - 1]))
          Warn(line, "semicolon-comment",
               Quote(comment) + " is taken as a comment; what remains is " + Quote(TrimBlanks(raw.substr(0, at))));
      }
      CheckDollars(line, raw);
      std::string token = GetToken(raw, 1);
      if (!token.empty() && token[0] == ';') {
        Warn(line, "indented-comment", "only a ';' in the first column starts a comment line; this is a key line");
        continue;
      }
      if (IsContentLine(*entry)) continue;
      std::size_t tab = token.find('\t');
      if (tab != std::string::npos) {
        Warn(line, "tab-after-key", TabAfterKeyMessage(token));
        continue;
      }
      auto known = std::find_if(KnownKeys().begin(), KnownKeys().end(),
                                [&](const auto& k) { return UpperText(k.first) == entry->Key; });
      if (known != KnownKeys().end()) {
        CheckSingleKey(line, known->first, known->second, *entry);
        continue;
      }
      Warn(line, "unknown-key", UnknownKeyMessage(token));
    }
  }

  // Whether a walk over one of the repeated keys would take this line.
  static bool IsContentLine(const TBoxEntry& entry) {
    for (const char* key : kContentKeys)
      if (LineStartsWithKey(entry, UpperText(key))) return true;
    return false;
  }

  // Walks the content keys exactly as box creation does, noting which line
  // gave each value and which content lines are never read.
  void CheckContentWalks() {
    std::set<const TBoxEntry*> read;
    std::unordered_map<const TBoxEntry*, const TBoxEntry*> previous;
    const TBoxEntry* before = nullptr;
    for (TBoxEntry* e = header_.First.get(); e; e = e->Next.get()) {
      previous[e] = before;
      before = e;
    }
    for (const char* key : kContentKeys) {
      for (int guard = 0; guard < 10000000; ++guard) {
        std::string value = NextBoxValue(header_, key);
        const TBoxEntry* matched = nullptr;
        if (header_.Cursor) {
          if (header_.Cursor != header_.First.get() || !value.empty()) matched = previous[header_.Cursor];
        } else {
          matched = header_.Last;
        }
        if (!matched) break;
        read.insert(matched);
        int line = lineOf_[matched];
        std::string first = UpperText(GetToken(matched->Text, 1));
        if (first != UpperText(key))
          Warn(line, "content-prefix", Quote(GetToken(matched->Text, 1)) + " is read as a " + key +
                                           " line with the value " + Quote(value));
        if (value.empty()) {
          Warn(line, "empty-content", "an empty " + std::string(key) +
                                          " line ends the reading of these lines; later ones are skipped");
          break;
        }
        CheckContent(line, key, value);
      }
    }
    for (TBoxEntry* e = header_.First.get(); e; e = e->Next.get()) {
      if (IsContentLine(*e) && !read.count(e))
        Warn(lineOf_[e], "content-not-read", "this line is never read: an empty content line above ends the reading");
    }
  }

  // A button without a tooltip is named, for a screen reader, by its normal
  // image's file name: "b1" tells a person nothing.
  void CheckSpokenName(int line, const std::string& image) {
    std::string name = image;
    const std::size_t slash = name.find_last_of("\\/");
    if (slash != std::string::npos) name.erase(0, slash + 1);
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    int letters = 0;
    for (unsigned char c : name) letters += std::isalpha(c) != 0 || c >= 0x80;
    if (letters >= 3) return;
    Warn(line, "unnamed-button", "a hint: without a tooltip a screen reader calls this button " + Quote(name) +
                                     ", after its image; give it a tooltip that says what it does");
  }

  void CheckContent(int line, const std::string& key, const std::string& value) {
    if (key == "*Shortcut") {
      CheckNumber(line, GetToken(value, 2), "shortcut x");
      CheckNumber(line, GetToken(value, 3), "shortcut y");
      CheckImage(line, GetToken(value, 4), "normal image", false);
      CheckImage(line, GetToken(value, 5), "hover image", true);
      CheckImage(line, GetToken(value, 6), "pressed image", true);
      std::string tooltip = GetToken(value, 1);
      if (tooltip.size() > kLongestTooltip)
        Warn(line, "long-tooltip", "the tooltip is " + std::to_string(tooltip.size()) + " characters long; the "
                                   "tooltip control may cut it after " + std::to_string(kLongestTooltip));
      if (tooltip.empty()) CheckSpokenName(line, GetToken(value, 4));
      std::string command = GetTokenRest(value, 7);
      if (command.empty()) {
        Warn(line, "shortcut-no-command", "fewer than seven tokens: this shortcut's command is empty");
      } else if (command[0] != '#') {
        CheckCommand(line, command);
      } else {
        std::string prefix = GetToken(command, 1);
        std::string after = GetTokenRest(command, 2);
        if (after.empty()) {
          Warn(line, "group-no-command", "nothing follows the group prefix " + Quote(prefix) +
                                             ": a click on this button runs nothing");
        } else {
          CheckCommand(line, after);
        }
        groups_.defined.insert(ParseGroupNumber(prefix));
        std::size_t hash = prefix.rfind('#');
        std::string digits = prefix.substr(hash + 1);
        std::size_t end = 1;
        while (end < digits.size() && digits[end] >= '0' && digits[end] <= '9') ++end;
        std::string numberText = digits.substr(0, std::min(end, digits.size()));
        if (!IsPlainNumber(numberText) && !numberText.empty())
          Warn(line, "group-prefix", "group prefix " + Quote(prefix) + " is group " +
                                         FormatInt(ParseGroupNumber(prefix)) + "; write the digits before the H");
      }
    } else if (key == "*Text") {
      CheckNumber(line, GetToken(value, 1), "text x");
      CheckNumber(line, GetToken(value, 2), "text y");
      std::string text = GetToken(value, 3);
      bool quoted = GetTokenRest(value, 3).compare(0, text.size() + 1, text + "\"") == 0;
      if (!quoted && !GetToken(value, 4).empty())
        Warn(line, "text-unquoted", "only " + Quote(text) + " is drawn; put the text in double quotes");
    } else if (key == "*Module") {
      if (!pluginLine_) pluginLine_ = line;
      CheckLibrary(line, GetToken(value, 1));
    } else if (key == "*WharfModule") {
      if (!pluginLine_) pluginLine_ = line;
      for (std::uint8_t n = 1; n <= 4; ++n) CheckNumber(line, GetToken(value, n), "wharf module number " + std::to_string(n));
      CheckLibrary(line, GetToken(value, 5));
    }
  }

  // A box that hosts a plug-in is drawn the ordinary way: its background's
  // alpha channel is not used.
  void CheckAlphaBackground() {
    std::string image = ReadBoxString(header_, "KestoBackGround", BoxKeyDefault("KestoBackGround"));
    std::string found = options_.imageDir.empty() ? std::string() : ExistingPath(JoinPath(options_.imageDir, image));
    if (found.empty()) found = ExistingPath(image);
    ImageSize size;
    // An image too large is never loaded (its own finding says so): no alpha box at all.
    if (found.empty() || !ReadImageFileSize(found, size) || !size.MayHaveAlpha || ImageTooLarge(size)) return;
    // The box's size: its keys, else the image's.
    std::int64_t width = ParseInt(ReadBoxString(header_, "KestoWidth", "0"));
    std::int64_t height = ParseInt(ReadBoxString(header_, "KestoHeight", "0"));
    if (width == 0) width = size.Width;
    if (height == 0) height = size.Height;
    if (AlphaBoxTooLarge(width, height)) {
      Warn(LineOfKey("KestoBackGround"), "alpha-box-too-large",
           "the box is " + std::to_string(width) + "x" + std::to_string(height) + ", over " +
               std::to_string(kMaxAlphaBoxPixels) + " pixels for a box drawn from the alpha channel of " +
               Quote(DisplayPath(image)) + ": it is drawn as an ordinary box, see-through only where magenta");
      return;
    }
    if (!pluginLine_) return;
    Warn(pluginLine_, "alpha-with-plugin",
         "the box hosts a plug-in, so the alpha channel of its background " + Quote(DisplayPath(image)) +
             " is not used: it is drawn as an ordinary box, see-through only where magenta");
  }

  void CheckBackground() {
    std::string offsets = ReadBoxString(header_, "KestoBackgroundOffs", BoxKeyDefault("KestoBackgroundOffs"));
    if (!AsksForTiling(offsets)) return;
    std::string image = ReadBoxString(header_, "KestoBackGround", BoxKeyDefault("KestoBackGround"));
    int width = 0, height = 0;
    if (!(!options_.imageDir.empty() && BitmapSize(JoinPath(options_.imageDir, image), width, height)) &&
        !BitmapSize(image, width, height))
      return;
    // The module's own decision, with its wrapping arithmetic.
    if (!TilesBackground(offsets, width, height))
      Warn(LineOfKey("KestoBackgroundOffs"), "no-centre-tile",
           "these borders leave no centre tile of the " + std::to_string(width) + "x" + std::to_string(height) +
               " image: the background is shown plain");
  }

  std::string path_;
  std::string shownPath_;  // as the report names the file: looked up on disk once
  int pluginLine_ = 0;  // the first *Module or *WharfModule line
  TBoxHeader& header_;
  std::vector<std::string> raw_;
  const Options& options_;
  std::vector<Diagnostic>& out_;
  Groups& groups_;
  std::unordered_map<const TBoxEntry*, int> lineOf_;
  std::map<std::string, int> seen_;
  std::set<std::string> hintedArt_;  // images the one-scale-art hint was given for
};

}  // namespace

void CheckLoadedBoxFile(const std::string& path, TBoxHeader& header, std::vector<std::string> raw,
                        const Options& options, std::vector<Diagnostic>& out, Groups& groups) {
  BoxFileCheck(path, header, std::move(raw), options, out, groups).Run();
}

}  // namespace kestocheck
