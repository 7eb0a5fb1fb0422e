// PNG pictures of the show, encoded by stb_image_write.
#pragma once
#include <cstdint>
#include <string>

#include "offline/output_file.h"

// Encodes the picture (RGB, top row first) and writes it to an open output, which stays open.
// False with the reason.
bool writePngToOutput(OutputFile& output, const uint8_t* rgb, int width, int height,
                      std::string& error);
