#include "tests/web/recording_backend.h"

RecordingBackend recorded;

namespace {
uint32_t lastTextureName = 0;
}  // namespace

bool openWebGlBackend(const char*, bool) {
    recorded = RecordingBackend{};
    return true;
}

void appendTriangles(const DrawVertex* vertices, uint32_t, const uint32_t* indices,
                     uint32_t indexCount, bool textured) {
    for (uint32_t i = 0; i + 2 < indexCount; i += 3) {
        recorded.triangles.push_back(
            {{vertices[indices[i]], vertices[indices[i + 1]], vertices[indices[i + 2]]}, textured});
    }
}

void drawGathered() {
    recorded.draws += 1;
}

void setRasterCapability(uint32_t, bool) {}
void setBlendFactors(uint32_t, uint32_t) {}
void setViewportRect(int, int, int, int) {}
void setScissorRect(int, int, int, int) {}
void clearBuffers(uint32_t, const float*, double) {}
uint32_t createTextureName() {
    return ++lastTextureName;
}
void bindTextureName(uint32_t) {}
void uploadTextureImage(int, int, const void*) {}
void setTextureParameter(uint32_t, int) {}
bool webGlContextLost() {
    return false;
}
bool restoreWebGlBackend() {
    return true;
}
void drawingBufferSize(int* width, int* height) {
    *width = 0;
    *height = 0;
}
