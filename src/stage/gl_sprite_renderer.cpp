#include "stage/gl_sprite_renderer.h"

#include <algorithm>

namespace {

// GLSL 1.00 / 1.10: runs on desktop GL 2.1 and on GLES 2 (Mesa llvmpipe too).
constexpr const char* kVertexShader = R"(
attribute vec2 a_corner;
uniform vec4 u_rect;
varying vec2 v_uv;
void main() {
  v_uv = a_corner;
  gl_Position = vec4(u_rect.xy + a_corner * u_rect.zw, 0.0, 1.0);
}
)";

constexpr const char* kFragmentShader = R"(
#ifdef GL_ES
precision mediump float;
#endif
uniform sampler2D u_texture;
uniform vec4 u_colour;
uniform float u_opaque;
varying vec2 v_uv;
void main() {
  vec4 texel = texture2D(u_texture, v_uv).bgra;
  texel.a = max(texel.a, u_opaque);
  gl_FragColor = texel * u_colour;
}
)";

GLuint CompileShader(QOpenGLFunctions* gl, GLenum type, const char* source) {
  const GLuint shader = gl->glCreateShader(type);
  if (shader == 0) return 0;
  gl->glShaderSource(shader, 1, &source, nullptr);
  gl->glCompileShader(shader);
  GLint ok = GL_FALSE;
  gl->glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (ok != GL_TRUE) {
    gl->glDeleteShader(shader);
    return 0;
  }
  return shader;
}

}  // namespace

PixelRect Intersection(const PixelRect& a, const PixelRect& b) {
  return {std::max(a.x0, b.x0), std::max(a.y0, b.y0), std::min(a.x1, b.x1), std::min(a.y1, b.y1)};
}

PixelRect BoundingBox(const PixelRect& a, const PixelRect& b) {
  if (a.Empty()) return b;
  if (b.Empty()) return a;
  return {std::min(a.x0, b.x0), std::min(a.y0, b.y0), std::max(a.x1, b.x1), std::max(a.y1, b.y1)};
}

bool GlSpriteRenderer::Create(QOpenGLFunctions* gl) {
  gl_ = gl;
  const GLuint vs = CompileShader(gl, GL_VERTEX_SHADER, kVertexShader);
  const GLuint fs = CompileShader(gl, GL_FRAGMENT_SHADER, kFragmentShader);
  if (vs == 0 || fs == 0) {
    if (vs != 0) gl->glDeleteShader(vs);
    if (fs != 0) gl->glDeleteShader(fs);
    return false;
  }
  program_ = gl->glCreateProgram();
  gl->glAttachShader(program_, vs);
  gl->glAttachShader(program_, fs);
  gl->glBindAttribLocation(program_, 0, "a_corner");
  gl->glLinkProgram(program_);
  gl->glDeleteShader(vs);
  gl->glDeleteShader(fs);
  GLint linked = GL_FALSE;
  gl->glGetProgramiv(program_, GL_LINK_STATUS, &linked);
  if (linked != GL_TRUE) {
    Release(true);
    return false;
  }
  corner_attribute_ = 0;
  rect_uniform_ = gl->glGetUniformLocation(program_, "u_rect");
  colour_uniform_ = gl->glGetUniformLocation(program_, "u_colour");
  opaque_uniform_ = gl->glGetUniformLocation(program_, "u_opaque");
  texture_uniform_ = gl->glGetUniformLocation(program_, "u_texture");

  static constexpr GLfloat kCorners[] = {0, 0, 1, 0, 0, 1, 1, 1};
  gl->glGenBuffers(1, &quad_buffer_);
  gl->glBindBuffer(GL_ARRAY_BUFFER, quad_buffer_);
  gl->glBufferData(GL_ARRAY_BUFFER, sizeof(kCorners), kCorners, GL_STATIC_DRAW);
  return gl->glGetError() == GL_NO_ERROR;
}

void GlSpriteRenderer::Release(bool context_alive) {
  if (context_alive && gl_ != nullptr) {
    if (quad_buffer_ != 0) gl_->glDeleteBuffers(1, &quad_buffer_);
    if (program_ != 0) gl_->glDeleteProgram(program_);
  }
  quad_buffer_ = 0;
  program_ = 0;
  gl_ = nullptr;
}

void GlSpriteRenderer::BeginFrame(int32_t window_w, int32_t window_h) {
  window_w_ = window_w > 0 ? window_w : 1;
  window_h_ = window_h > 0 ? window_h : 1;
  gl_->glViewport(0, 0, window_w_, window_h_);
  gl_->glDisable(GL_DEPTH_TEST);
  gl_->glDisable(GL_SCISSOR_TEST);
  scissor_on_ = false;
  gl_->glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
  gl_->glEnable(GL_BLEND);
  blend_off_ = false;
  gl_->glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
  gl_->glUseProgram(program_);
  gl_->glActiveTexture(GL_TEXTURE0);
  gl_->glUniform1i(texture_uniform_, 0);
  gl_->glBindBuffer(GL_ARRAY_BUFFER, quad_buffer_);
  gl_->glEnableVertexAttribArray(corner_attribute_);
  gl_->glVertexAttribPointer(corner_attribute_, 2, GL_FLOAT, GL_FALSE, 0, nullptr);
}

// Writes are limited to `only` (window pixels, y down), or not limited.
void GlSpriteRenderer::Scissor(const PixelRect* only) {
  if (only == nullptr) {
    if (scissor_on_) gl_->glDisable(GL_SCISSOR_TEST);
    scissor_on_ = false;
    return;
  }
  if (!scissor_on_) gl_->glEnable(GL_SCISSOR_TEST);
  scissor_on_ = true;
  // GL counts rows from the bottom.
  gl_->glScissor(only->x0, window_h_ - only->y1, only->x1 - only->x0, only->y1 - only->y0);
}

void GlSpriteRenderer::Clear(const PixelRect* keep) {
  if (keep == nullptr || keep->Empty()) {
    Scissor(nullptr);
    gl_->glClear(GL_COLOR_BUFFER_BIT);
    return;
  }
  // The bands above and below `keep`, then left and right of it.
  const PixelRect bands[] = {{0, 0, window_w_, keep->y0},
                             {0, keep->y1, window_w_, window_h_},
                             {0, keep->y0, keep->x0, keep->y1},
                             {keep->x1, keep->y0, window_w_, keep->y1}};
  for (const PixelRect& band : bands) {
    if (band.Empty()) continue;
    Scissor(&band);
    gl_->glClear(GL_COLOR_BUFFER_BIT);
  }
  Scissor(nullptr);
}

void GlSpriteRenderer::Draw(GLuint texture, bool opaque, double x0, double y0, double x1, double y1,
                            uint32_t colour, const PixelRect* only) {
  if (only != nullptr && only->Empty()) return;
  Scissor(only);
  // Window pixels (y down) to normalised device coordinates (y up).
  const double nx0 = x0 / window_w_ * 2.0 - 1.0;
  const double ny0 = 1.0 - y0 / window_h_ * 2.0;
  const double nx1 = x1 / window_w_ * 2.0 - 1.0;
  const double ny1 = 1.0 - y1 / window_h_ * 2.0;
  gl_->glUniform4f(rect_uniform_, static_cast<GLfloat>(nx0), static_cast<GLfloat>(ny0),
                   static_cast<GLfloat>(nx1 - nx0), static_cast<GLfloat>(ny1 - ny0));
  auto channel = [colour](int shift) { return ((colour >> shift) & 0xFF) / 255.0f; };
  gl_->glUniform4f(colour_uniform_, channel(16), channel(8), channel(0), channel(24));
  gl_->glUniform1f(opaque_uniform_, opaque ? 1.0f : 0.0f);
  // An opaque texture at full colour alpha covers what lies below: no blending,
  // which spares a software rasteriser reading back the framebuffer.
  const bool covers = opaque && (colour >> 24) == 0xFF;
  if (covers != blend_off_) {
    if (covers) {
      gl_->glDisable(GL_BLEND);
    } else {
      gl_->glEnable(GL_BLEND);
    }
    blend_off_ = covers;
  }
  gl_->glBindTexture(GL_TEXTURE_2D, texture);
  gl_->glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
}

GLuint GlSpriteRenderer::Allocate(QOpenGLFunctions* gl, int32_t width, int32_t height) {
  GLuint texture = 0;
  gl->glGenTextures(1, &texture);
  gl->glBindTexture(GL_TEXTURE_2D, texture);
  gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  gl->glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  gl->glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
  return texture;
}

void GlSpriteRenderer::UploadRows(QOpenGLFunctions* gl, GLuint texture, int32_t width,
                                  int32_t first_row, int32_t row_count, const uint32_t* rows) {
  if (row_count <= 0) return;
  gl->glBindTexture(GL_TEXTURE_2D, texture);
  gl->glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  gl->glTexSubImage2D(GL_TEXTURE_2D, 0, 0, first_row, width, row_count, GL_RGBA, GL_UNSIGNED_BYTE,
                      rows);
}
