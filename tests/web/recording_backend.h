// A stand-in for the WebGL backend that keeps the triangles and the state it is given.
#pragma once
#include <cstdint>
#include <vector>

#include "web/gl/webgl_backend.h"

struct RecordedTriangle {
    DrawVertex corners[3];
    bool textured;
};

struct RecordingBackend {
    std::vector<RecordedTriangle> triangles;
    int draws = 0;  // batches drawn together
};

extern RecordingBackend recorded;
