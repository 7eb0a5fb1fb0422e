// What pp-render makes when it is not told otherwise, and the limits of what it takes: the one
// place these numbers are written; the options, the encoders and the --help text read them here.
#pragma once

constexpr int defaultPictureWidth = 1280;
constexpr int defaultPictureHeight = 720;
constexpr int defaultFps = 50;           // pictures per second of a video
constexpr int defaultVideoQuality = 70;  // clean at the default size
constexpr int maxVideoQuality = 100;     // 0 is the smallest file, 100 the best picture
constexpr int maxPictureSide = 16384;
constexpr int maxFps = 1000;
