// The one process-wide scene record, the list of drawn cubes and the fixed tables.
//
// Every platform callback reads these directly; they all run on the one thread of the platform's
// main loop, so nothing here is locked. Who writes what (each field's comment says it too):
// - the schedule's layout (anim/schedule.cpp): scheduleCursorMs, once, at the start;
// - the timed steps (anim/steps.cpp): the roll ticks spinAngle, rollOffset, pathStep and
//   placedCubes; the spread ticks spreadFrame, spread and showRollerAndCore; onBallStart
//   ballActive; the fade ticks fadeAlpha;
// - the frame step (advanceFrame, anim/steps.cpp), before each finale frame: ballFrame,
//   ripplePhase and the ball's spinAngle;
// - the keys (app/keys.cpp): scriptedCamera and the manual eye;
// - a platform starting the show: clearScene and seedPlacedCubes.
// The drawing (render/) and the camera (camera/) only read.
#pragma once
#include <cstdint>
#include <vector>

struct Point3 {
    float x;
    float y;
    float z;
};

struct SceneState {
    int32_t scheduleCursorMs = 3000;  // schedule layout: running sum of its delays
    bool showRollerAndCore = true;    // spread ticks: whether placedCubes 0 and 4 are drawn
    bool scriptedCamera = true;       // keys: the eye follows the script, not the manual eye
    float manualEyeX = 0.0f;          // keys
    float manualEyeY = 0.0f;          // keys
    float manualEyeZ = 1.0f;          // keys
    float spinAngle = 0.0f;           // degrees: roll ticks' angle, then the frame step's ball spin
    float spread = 0.0f;              // spread ticks: factor applied to spreadDirections
    Point3 rollOffset = {0.0f, 0.0f, 0.0f};  // roll ticks: the rolling cube's translation
    float ballFrame = 0.0f;                  // frame step: frames since the ball started
    float ripplePhase = 0.0f;                // frame step: radians of the wave and the bob
    float fadeAlpha = 0.0f;                  // fade ticks: the black overlay's opacity
    int32_t pathStep = 0;                    // roll ticks: buildPath index of the cell left
    float spreadFrame = 0.0f;                // spread ticks: how many so far
    bool ballActive = false;                 // onBallStart: ball and carpet are shown
};

extern SceneState scene;

// Positions of every drawn cube. Entry 0 is the rolling cube's base (0, 0, 0); entry i >= 1 is
// buildPath[i - 1]. It ends with 28 entries. Read it with .at(): an index past the end is a bug.
extern std::vector<Point3> placedCubes;

constexpr float cubeEdge = 0.2f;
constexpr float spreadEnd = 0.3f;  // the spread factor where the spread stops
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
