#pragma once
// Lettering for RenderText: draws a text with QPainter into a w x h bitmap of
// 0x00RRGGBB words, the way the Windows text call the stage texts were made
// for draws it: opaque background behind each line's characters, colours given
// as 0x00BBGGRR, height as the character-cell height in pixels, and the same
// layout flags (left/centre/right, single line with top/centre/bottom, line
// breaks at '\n', '&' prefixes unless DT_NOPREFIX).
//
// Needs a QGuiApplication. Fonts are resolved once per face and height and kept.

#include <QFont>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

inline constexpr uint32_t DT_LEFT = 0x0;
inline constexpr uint32_t DT_TOP = 0x0;
inline constexpr uint32_t DT_CENTER = 0x1;
inline constexpr uint32_t DT_RIGHT = 0x2;
inline constexpr uint32_t DT_VCENTER = 0x4;
inline constexpr uint32_t DT_BOTTOM = 0x8;
inline constexpr uint32_t DT_SINGLELINE = 0x20;
inline constexpr uint32_t DT_NOPREFIX = 0x800;

// The face an empty face name stands for: Japanese-capable, from fonts-ipafont-gothic.
inline constexpr const char* kDefaultStageFace = "IPAGothic";

struct TextStyle {
  std::string face;                 // empty: kDefaultStageFace
  int32_t cell_height_px = 24;      // > 0 cell height; < 0 character (em) height; 0 default
  uint32_t text_colour = 0xFFFFFF;  // 0x00BBGGRR
  uint32_t back_colour = 0;         // 0x00BBGGRR
};

class TextRasterizer {
 public:
  // words holds w * h zero words on entry; painted pixels come back as 0x00RRGGBB.
  void Rasterize(const std::string& text, int32_t w, int32_t h, uint32_t format,
                 const TextStyle& style, std::vector<uint32_t>& words);

  // The font Rasterize uses for a style (tests look at its family and height).
  const QFont& FontFor(const TextStyle& style);

 private:
  std::map<std::pair<std::string, int32_t>, QFont> fonts_;
};
