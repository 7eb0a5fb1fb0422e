// PNG pictures of the show, encoded by stb_image_write.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "offline/output_file.h"

// Encodes RGB pixels, top row first, as a PNG file's bytes. False when the encoder fails.
bool encodePng(const uint8_t* rgb, int width, int height, std::vector<uint8_t>& png);

// Encodes the picture and writes it to an open output, which stays open. False with the reason.
bool writePngToOutput(OutputFile& output, const uint8_t* rgb, int width, int height,
                      std::string& error);

// Writes the picture as a PNG file ("-" is standard output) by the rules of output_file.h: an
// existing file is replaced only by a complete picture. False with the reason.
bool writePng(const std::string& path, const uint8_t* rgb, int width, int height,
              std::string& error);
