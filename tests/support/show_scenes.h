// The scene as it stands at moments of the show, set up directly instead of played to, for
// tests and benches that draw a phase. Each set-up starts from a fresh scene record and cube
// list (clearScene); the step hooks are left as they are. The spin, the ripple phase and the
// fade stay at their start unless a set-up names them.
#pragma once

// Between rolls: the rolling cube at rest on buildPath[lastCell] (0 to 26), and a copy in every
// cell up to it. lastCell 26 is the block complete.
void sceneBlockUpTo(int lastCell);
// During roll k (0 to 25): the cells up to k placed and the rolling cube on its way to cell
// k + 1, turned by `degrees` (0 to 90) and moved the same part of the way.
void sceneRolling(int k, float degrees);
// The complete block spread apart by `spread` (0 to 0.3), the rolling cube and the centre cube
// hidden.
void sceneSpread(float spread);
// The finale after `frames` finale frames: the block fully spread, the ball and carpet drawn.
void sceneFinale(int frames);
// The fade over the finale after `frames` finale frames, the black overlay at opacity alpha.
void sceneFade(int frames, float alpha);

// The manual eye at (x, y, z) in place of the scripted camera.
void useManualEye(float x, float y, float z);
