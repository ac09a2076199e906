#pragma once
// Draws whole textures as screen-aligned quads, one draw per sprite in call
// order: the sprite colour multiplies the texels, its alpha scales opacity, and
// texel alpha blends with what lies below (straight alpha). Textures hold the
// stage's 0xAARRGGBB words as they lie in memory (bytes B, G, R, A) and are
// swizzled in the shader, so one upload path serves desktop GL 2.1 and GLES 2.
//
// Everything here needs the owning context current.

#include <QOpenGLFunctions>
#include <cstdint>

// Window pixels [x0, x1) x [y0, y1), y downwards.
struct PixelRect {
  int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  bool Empty() const { return x0 >= x1 || y0 >= y1; }
};

PixelRect Intersection(const PixelRect& a, const PixelRect& b);
// The smallest rectangle holding both (an empty one adds nothing).
PixelRect BoundingBox(const PixelRect& a, const PixelRect& b);

class GlSpriteRenderer {
 public:
  // Compiles the shaders and makes the quad buffer; false when the context
  // cannot run them (the caller then tries another kind of context).
  bool Create(QOpenGLFunctions* gl);
  // Frees the GL objects; call with the context current, or after the context
  // is gone (then only forgets them).
  void Release(bool context_alive);
  bool IsCreated() const { return program_ != 0; }

  // Sets the state the sprites need for a framebuffer of window_w x window_h
  // pixels; nothing is cleared yet.
  void BeginFrame(int32_t window_w, int32_t window_h);
  // Clears the framebuffer to opaque black, all of it or all but `keep`.
  void Clear(const PixelRect* keep = nullptr);
  // Draws `texture` over window pixels [x0, x1) x [y0, y1). opaque: ignore
  // texel alpha (X8R8G8B8 textures). colour is 0xAARRGGBB. Only pixels within
  // `only` are written when it is given.
  void Draw(GLuint texture, bool opaque, double x0, double y0, double x1, double y1,
            uint32_t colour, const PixelRect* only = nullptr);

  // Creates a width x height texture; its texels are undefined until uploaded.
  static GLuint Allocate(QOpenGLFunctions* gl, int32_t width, int32_t height);
  // Refreshes rows [first_row, first_row + row_count) from `rows` (width words
  // per row, top to bottom).
  static void UploadRows(QOpenGLFunctions* gl, GLuint texture, int32_t width, int32_t first_row,
                         int32_t row_count, const uint32_t* rows);

 private:
  void Scissor(const PixelRect* only);

  QOpenGLFunctions* gl_ = nullptr;
  GLuint program_ = 0;
  GLuint quad_buffer_ = 0;
  GLint corner_attribute_ = -1;
  GLint rect_uniform_ = -1;
  GLint colour_uniform_ = -1;
  GLint opaque_uniform_ = -1;
  GLint texture_uniform_ = -1;
  bool blend_off_ = false;
  bool scissor_on_ = false;
  int32_t window_w_ = 1;
  int32_t window_h_ = 1;
};
