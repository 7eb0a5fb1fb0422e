// The one process-wide scene record, the list of drawn cubes and the fixed tables.
//
// Every GLUT callback reads and writes these directly; they all run on the one thread of the
// main loop, so nothing here is locked.
#pragma once
#include <cstdint>
#include <vector>

struct Point3 {
    float x;
    float y;
    float z;
};

struct SceneState {
    int32_t scheduleCursorMs = 3000;  // running sum of delays while the schedule is laid out
    bool showRollerAndCore = true;    // whether placedCubes entries 0 and 4 are drawn
    bool scriptedCamera = true;       // eye follows the keyframe script, not the manual eye
    float manualEyeX = 0.0f;
    float manualEyeY = 0.0f;
    float manualEyeZ = 1.0f;
    float spinAngle = 0.0f;  // degrees: the roll angle while building, the ball's spin later
    float spread = 0.0f;     // factor applied to spreadDirections
    Point3 rollOffset = {0.0f, 0.0f, 0.0f};  // accumulated translation of the rolling cube
    float ballFrame = 0.0f;                  // frames drawn since the ball started
    float ripplePhase = 0.0f;                // radians: carpet wave phase and ball bob
    float fadeAlpha = 0.0f;                  // opacity of the black fade overlay
    int32_t pathStep = 0;                    // index in buildPath of the cell being left
    float spreadFrame = 0.0f;                // spread ticks so far
    bool ballActive = false;                 // ball and carpet are animated and drawn
};

extern SceneState scene;

// Positions of every drawn cube. Entry 0 is the rolling cube's base (0, 0, 0); entry i >= 1 is
// buildPath[i - 1]. It ends with 28 entries. Read it with .at(): an index past the end is a bug.
extern std::vector<Point3> placedCubes;

constexpr float cubeEdge = 0.2f;
constexpr int buildPathLength = 27;
constexpr int maxPlacedCubes = 28;

// The 27 cells of the 3x3x3 grid in the order the cube rolls through them.
extern const Point3 buildPath[buildPathLength];
// Per placedCubes entry, the grid direction from the block's centre cell to that cube's cell.
extern const Point3 spreadDirections[maxPlacedCubes];

// Puts the rolling cube's base and the first cell into placedCubes, as at the start of the show.
void seedPlacedCubes();
// A fresh scene record and an empty cube list, as before the program starts.
void clearScene();
