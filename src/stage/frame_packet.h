#pragma once
// One frame of the stage as the UI thread hands it to the renderer: the sprite
// draws in window pixels, the window size, and for every texture that changed
// since the renderer last saw it a copy of its used rows. Buffers are kept
// between frames (Clear keeps capacity), so a steady run allocates nothing.

#include <cstdint>
#include <vector>

struct SpriteDraw {
  int32_t index = 0;                      // texture table index
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // window pixels
  uint32_t colour = 0xFFFFFFFF;           // 0xAARRGGBB
  bool opaque = true;                     // X8R8G8B8: texel alpha ignored
};

// Rows [used_begin, used_end) of a texture; all its other rows are zero.
struct TextureSnapshot {
  bool present = false;
  int32_t width = 0;
  int32_t height = 0;
  int32_t used_begin = 0;
  int32_t used_end = 0;
  std::vector<uint32_t> rows;
};

struct FramePacket {
  uint64_t number = 0;  // the stage's count of frames handed over, from 1
  int32_t window_width = 0;
  int32_t window_height = 0;
  bool exposed = true;     // swap only onto a window that is shown
  bool present = true;     // false: drawn for a read-back only
  bool read_back = false;  // copy the drawn frame before presenting it
  std::vector<SpriteDraw> draws;
  std::vector<TextureSnapshot> uploads;  // by texture index

  void Clear() {
    draws.clear();
    for (TextureSnapshot& u : uploads) u.present = false;
    present = true;
    read_back = false;
  }
};
