#include "content/text_labels.h"

#include "base/owned.h"
#include "base/wide_text.h"
#include "boxfile/box_rules.h"
#include "boxfile/text_helpers.h"

namespace kesto {

COLORREF DrawTexts(TBoxHeader& header, const TContentHost& host, bool coverageOnly) {
  std::string face = ReadBoxString(header, "KestoFont", BoxKeyDefault("KestoFont"));
  std::string color = ReadBoxString(header, "KestoFontColor", BoxKeyDefault("KestoFontColor"));
  // A real font of the scaled height, never a stretched picture of one.
  const std::int32_t size =
      host.Scale.ToDevice(ReadBoxInt(header, "KestoFontSize", ParseInt(BoxKeyDefault("KestoFontSize"))));

  // The face by its Unicode name: a font named in any script is found.
  OwnedFont font(CreateFontW(size, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0,
                             Wide(face).c_str()));
  HDC dc = host.MemDC;
  {
    // The font goes back out of the DC before it is deleted; colour and
    // background mode stay set on the DC.
    Selection fontInDC(dc, font.get());
    SetTextColor(dc, coverageOnly ? RGB(255, 255, 255) : ParseHex(color));
    SetBkMode(dc, TRANSPARENT);
    ForEachBoxValue(header, "*Text", [&](const std::string& line) {
      const std::string utf8 = GetToken(line, 3);
      const std::wstring text = Wide(utf8);
      const int x = host.Scale.ToDevice(ParseInt(GetToken(line, 1)));
      const int y = host.Scale.ToDevice(ParseInt(GetToken(line, 2)));
      TextOutW(dc, x, y, text.c_str(), static_cast<int>(text.size()));
      if (host.Labels && !utf8.empty()) {
        SIZE extent{};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
        host.Labels->push_back({utf8, {x, y, x + extent.cx, y + extent.cy}});
      }
    });
    InvalidateRect(host.Window, nullptr, TRUE);
  }
  return ParseHex(color);
}

}  // namespace kesto
