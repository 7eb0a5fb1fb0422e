#include "tests/support/show_scenes.h"

#include "anim/scene_state.h"

void sceneBlockUpTo(int lastCell) {
    clearScene();
    seedPlacedCubes();
    for (int i = 1; i <= lastCell; ++i) {
        placedCubes.push_back(buildPath[i]);
    }
    scene.pathStep = lastCell;
    scene.rollOffset = buildPath[lastCell];
}

void sceneRolling(int k, float degrees) {
    sceneBlockUpTo(k);
    scene.spinAngle = degrees;
    const float part = degrees / 90.0f;
    scene.rollOffset = {buildPath[k].x + (buildPath[k + 1].x - buildPath[k].x) * part,
                        buildPath[k].y + (buildPath[k + 1].y - buildPath[k].y) * part,
                        buildPath[k].z + (buildPath[k + 1].z - buildPath[k].z) * part};
}

void sceneSpread(float spread) {
    sceneBlockUpTo(buildPathLength - 1);
    scene.showRollerAndCore = false;
    scene.spread = spread;
}

void sceneFinale(int frames) {
    sceneSpread(0.3f);
    scene.ballActive = true;
    scene.ballFrame = static_cast<float>(frames);
}

void sceneFade(int frames, float alpha) {
    sceneFinale(frames);
    scene.fadeAlpha = alpha;
}

void useManualEye(float x, float y, float z) {
    scene.scriptedCamera = false;
    scene.manualEyeX = x;
    scene.manualEyeY = y;
    scene.manualEyeZ = z;
}
