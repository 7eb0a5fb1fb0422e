// Where the layer's triangles are drawn: a WebGL 2 context on the page's canvas. Vertices
// arrive already transformed to clip space and lit, so the shaders only interpolate the colour
// and modulate it by the texture. Triangles are gathered and drawn together until the
// rasterising state changes (depth test, blending, scissor, texture, viewport) or a clear or
// flush comes; every function here that changes such state draws what was gathered first.
#pragma once
#include <cstdint>

struct DrawVertex {
    float clip[4];
    float colour[4];
    float texCoord[2];
};

// Creates the context on the canvas the CSS selector names and makes it current; `keepPicture`
// keeps the drawing buffer after the browser shows it, so that it can be read back. False when
// the browser offers no WebGL 2 or the shaders do not build.
bool openWebGlBackend(const char* canvasSelector, bool keepPicture);

// Adds triangles (indices count from the first of these vertices), textured or not.
void appendTriangles(const DrawVertex* vertices, uint32_t vertexCount, const uint32_t* indices,
                     uint32_t indexCount, bool textured);
// Draws what was gathered.
void drawGathered();

void setRasterCapability(uint32_t cap, bool on);  // GL_DEPTH_TEST, GL_BLEND or GL_SCISSOR_TEST
void setBlendFactors(uint32_t source, uint32_t destination);
void setViewportRect(int x, int y, int width, int height);
void setScissorRect(int x, int y, int width, int height);
void clearBuffers(uint32_t mask, const float colour[4], double depth);

uint32_t createTextureName();
void bindTextureName(uint32_t name);
// Level 0 of the bound texture from RGBA bytes (none: zeros).
void uploadTextureImage(int width, int height, const void* rgba);
void setTextureParameter(uint32_t pname, int value);

// Whether the browser has taken the context away; while it is lost every call draws nothing.
bool webGlContextLost();
// After the browser gave a lost context back: builds the program, the vertex array and the
// buffers again and makes a new, empty texture for each name. The backend keeps no GL state of
// its own: the layer then sets the textures and the rasterising state again through the calls
// above. False when the context is still (or again) lost.
bool restoreWebGlBackend();
// The drawing buffer the browser gave the canvas, which may be smaller than the canvas's size.
void drawingBufferSize(int* width, int* height);
