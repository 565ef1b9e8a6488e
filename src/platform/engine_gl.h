// The OpenGL 3.3 core entry points the renderer and the texture store use. They are
// fetched through SDL once a context is current, so the same code runs on a desktop GL
// driver and on the EGL context of SDL's offscreen driver.
#pragma once

#include <GL/glcorearb.h>

// X(type, name): one entry point, called as gl.name(...).
#define TOVI2_GL_FUNCTIONS(X)                                  \
  X(PFNGLGETERRORPROC, GetError)                               \
  X(PFNGLVIEWPORTPROC, Viewport)                               \
  X(PFNGLCLEARCOLORPROC, ClearColor)                           \
  X(PFNGLCLEARPROC, Clear)                                     \
  X(PFNGLFINISHPROC, Finish)                                   \
  X(PFNGLENABLEPROC, Enable)                                   \
  X(PFNGLDISABLEPROC, Disable)                                 \
  X(PFNGLBLENDFUNCPROC, BlendFunc)                             \
  X(PFNGLPIXELSTOREIPROC, PixelStorei)                         \
  X(PFNGLREADPIXELSPROC, ReadPixels)                           \
  X(PFNGLGENTEXTURESPROC, GenTextures)                         \
  X(PFNGLDELETETEXTURESPROC, DeleteTextures)                   \
  X(PFNGLBINDTEXTUREPROC, BindTexture)                         \
  X(PFNGLTEXIMAGE2DPROC, TexImage2D)                           \
  X(PFNGLTEXPARAMETERIPROC, TexParameteri)                     \
  X(PFNGLGETTEXIMAGEPROC, GetTexImage)                         \
  X(PFNGLACTIVETEXTUREPROC, ActiveTexture)                     \
  X(PFNGLGENBUFFERSPROC, GenBuffers)                           \
  X(PFNGLDELETEBUFFERSPROC, DeleteBuffers)                     \
  X(PFNGLBINDBUFFERPROC, BindBuffer)                           \
  X(PFNGLBUFFERDATAPROC, BufferData)                           \
  X(PFNGLGENVERTEXARRAYSPROC, GenVertexArrays)                 \
  X(PFNGLDELETEVERTEXARRAYSPROC, DeleteVertexArrays)           \
  X(PFNGLBINDVERTEXARRAYPROC, BindVertexArray)                 \
  X(PFNGLENABLEVERTEXATTRIBARRAYPROC, EnableVertexAttribArray) \
  X(PFNGLVERTEXATTRIBPOINTERPROC, VertexAttribPointer)         \
  X(PFNGLDRAWARRAYSPROC, DrawArrays)                           \
  X(PFNGLCREATESHADERPROC, CreateShader)                       \
  X(PFNGLSHADERSOURCEPROC, ShaderSource)                       \
  X(PFNGLCOMPILESHADERPROC, CompileShader)                     \
  X(PFNGLGETSHADERIVPROC, GetShaderiv)                         \
  X(PFNGLGETSHADERINFOLOGPROC, GetShaderInfoLog)               \
  X(PFNGLDELETESHADERPROC, DeleteShader)                       \
  X(PFNGLCREATEPROGRAMPROC, CreateProgram)                     \
  X(PFNGLATTACHSHADERPROC, AttachShader)                       \
  X(PFNGLBINDATTRIBLOCATIONPROC, BindAttribLocation)           \
  X(PFNGLLINKPROGRAMPROC, LinkProgram)                         \
  X(PFNGLGETPROGRAMIVPROC, GetProgramiv)                       \
  X(PFNGLGETPROGRAMINFOLOGPROC, GetProgramInfoLog)             \
  X(PFNGLDELETEPROGRAMPROC, DeleteProgram)                     \
  X(PFNGLUSEPROGRAMPROC, UseProgram)                           \
  X(PFNGLGETUNIFORMLOCATIONPROC, GetUniformLocation)           \
  X(PFNGLUNIFORM1IPROC, Uniform1i)                             \
  X(PFNGLUNIFORM2FPROC, Uniform2f)

// Entry points the renderer can do without: drawing into textures (render targets). A
// driver that lacks one of them still draws everything, only directly.
#define TOVI2_GL_OPTIONAL_FUNCTIONS(X)                   \
  X(PFNGLGETINTEGERVPROC, GetIntegerv)                   \
  X(PFNGLGENFRAMEBUFFERSPROC, GenFramebuffers)           \
  X(PFNGLDELETEFRAMEBUFFERSPROC, DeleteFramebuffers)     \
  X(PFNGLBINDFRAMEBUFFERPROC, BindFramebuffer)           \
  X(PFNGLFRAMEBUFFERTEXTURE2DPROC, FramebufferTexture2D) \
  X(PFNGLCHECKFRAMEBUFFERSTATUSPROC, CheckFramebufferStatus)

struct GlApi {
#define TOVI2_GL_MEMBER(type, name) type name = nullptr;
  TOVI2_GL_FUNCTIONS(TOVI2_GL_MEMBER)
  TOVI2_GL_OPTIONAL_FUNCTIONS(TOVI2_GL_MEMBER)
#undef TOVI2_GL_MEMBER
};

// Valid only while render_HasContext().
extern GlApi gl;
