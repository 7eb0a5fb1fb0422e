#include "anim/steps.h"

#include <cstdlib>

#include "anim/easing.h"
#include "anim/scene_state.h"

namespace {

void armNothing(unsigned int, TimerCallback, int) {}
void redrawNothing() {}

constexpr float rollStep = 0.011111111f;  // 1/90: eighteen ticks move the cube one cell
constexpr float rollDegreesPerTick = 5.0f;
constexpr float rollEndDegrees = rollTickCount * rollDegreesPerTick;  // a quarter turn
constexpr float ballSpinDegreesPerFrame = 1.0f;
constexpr float fullTurnDegrees = 360.0f;

// Moves one component of the roll translation a step towards the next cell.
float stepTowards(float offset, float current, float next) {
    if (next > current) {
        return offset + rollStep;
    }
    if (next < current) {
        return offset - rollStep;
    }
    return offset;
}

}  // namespace

StepHooks stepHooks = {armNothing, redrawNothing, endProcess};

void endProcess(int status) {
    std::exit(status);
}

void onRollTick(int value) {
    scene.spinAngle += rollDegreesPerTick;
    // The cube leaves buildPath[pathStep]. Twenty-six roll chains finish at most 26 rolls, so a
    // tick never runs at the last cell; the guard keeps it that way if chains ever overlap.
    if (scene.pathStep + 1 < buildPathLength) {
        const Point3& cur = buildPath[scene.pathStep];
        const Point3& next = buildPath[scene.pathStep + 1];
        scene.rollOffset.x = stepTowards(scene.rollOffset.x, cur.x, next.x);
        scene.rollOffset.y = stepTowards(scene.rollOffset.y, cur.y, next.y);
        scene.rollOffset.z = stepTowards(scene.rollOffset.z, cur.z, next.z);
    }
    stepHooks.requestRedraw();
    if (scene.spinAngle < rollEndDegrees) {
        stepHooks.armTimer(stepTickMs, onRollTick, value + 1);
        return;
    }
    scene.spinAngle = 0.0f;
    if (scene.pathStep + 1 < buildPathLength) {
        scene.pathStep += 1;
        placedCubes.push_back(buildPath[scene.pathStep]);
    }
}

void onSpreadTick(int value) {
    const float oldFrame = scene.spreadFrame;
    scene.spreadFrame += 1.0f;
    const float spread = easeCosine2000Held(0.0f, spreadEnd, oldFrame);
    scene.showRollerAndCore = false;
    scene.spread = spread;
    stepHooks.requestRedraw();
    if (static_cast<double>(scene.spread) < static_cast<double>(spreadEnd)) {
        stepHooks.armTimer(stepTickMs, onSpreadTick, value + 1);
    }
}

void onBallStart(int) {
    scene.ballActive = true;
}

void onRedrawTick(int value) {
    stepHooks.requestRedraw();
    stepHooks.armTimer(stepTickMs, onRedrawTick, value + 1);
}

void onFadeTick(int value) {
    scene.fadeAlpha = fadeAlphaAfterTick(scene.fadeAlpha);
    stepHooks.requestRedraw();
    if (scene.fadeAlpha >= 1.0f) {
        stepHooks.endShow(0);
        return;
    }
    stepHooks.armTimer(stepTickMs, onFadeTick, value + 1);
}

float advanceFinaleFrame() {
    scene.spinAngle =
        scene.spinAngle < fullTurnDegrees ? scene.spinAngle + ballSpinDegreesPerFrame : 0.0f;
    const float oldFrame = scene.ballFrame;
    scene.ballFrame += 1.0f;
    scene.ripplePhase = static_cast<float>(static_cast<double>(scene.ripplePhase) +
                                           static_cast<double>(ripplePhasePerFrame));
    return oldFrame;
}

FinaleFrame advanceFrame() {
    if (!scene.ballActive) {
        return FinaleFrame{false, scene.ballFrame, scene.ballFrame};
    }
    const float oldBallFrame = advanceFinaleFrame();
    return FinaleFrame{true, oldBallFrame, scene.ballFrame};
}
