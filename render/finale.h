// The finale's figures: the rippling cross-shaped carpet and the spinning ball above it.
#pragma once

// Draws the finale for one frame from the ball frame counts before and after its advance.
void drawFinale(float oldBallFrame, float newBallFrame);
// Two white bands of width `size` crossing at (0, y, size), sampled every 0.01 from `from` while
// the sample stays at or below `to`; nothing but empty strips when to < from or either is NaN.
void drawRippleCarpet(float size, float from, float to);
// The dark-red ball with its three bars inside a translucent shell, over the bands' crossing.
void drawBall(float radius);
