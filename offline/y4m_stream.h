// YUV4MPEG2 video: a stream header, then per frame "FRAME" and the Y, Cb and Cr planes.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The stream header for frames of this size and rate: progressive, square pixels, 4:2:0 with
// the chroma sited between each 2x2 block of pixels (C420jpeg).
std::string y4mHeader(int width, int height, int fps);

// One frame from RGB pixels, top row first: the "FRAME" line, full-size Y, then Cb and Cr at
// half size each way (rounded up), in BT.601 video range (Y 16-235, Cb and Cr 16-240). Each
// chroma sample is the mean of the 2x2 pixels it covers (fewer at an odd picture's edge).
void appendY4mFrame(const uint8_t* rgb, int width, int height, std::vector<uint8_t>& out);
// The same conversion into three planes without gaps: luma width x height, each chroma plane
// half size each way, rounded up.
void convertToYcbcr420(const uint8_t* rgb, int width, int height, uint8_t* luma, uint8_t* cb,
                       uint8_t* cr);
