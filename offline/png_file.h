// PNG pictures of the show, written through stb_image_write.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

// Writes RGB pixels, top row first, as a PNG file; "-" writes to standard output. False with the
// reason when the file cannot be written.
bool writePng(const std::string& path, const uint8_t* rgb, int width, int height,
              std::string& error);
// The same into an open stream, which stays open.
bool writePngToStream(std::FILE* stream, const uint8_t* rgb, int width, int height);
