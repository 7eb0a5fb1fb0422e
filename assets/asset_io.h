// Little-endian byte writers and whole-file output shared by the asset generators.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

using ByteBuffer = std::vector<uint8_t>;

void appendU16Le(ByteBuffer& out, uint16_t value);
void appendU32Le(ByteBuffer& out, uint32_t value);
void appendTag(ByteBuffer& out, const char tag[4]);
// The 44-byte header of a 16-bit PCM WAVE file whose sample data of dataBytes follows it.
void appendWaveHeader16(ByteBuffer& out, uint32_t rate, uint16_t channels, uint32_t dataBytes);

// Writes the bytes to path, replacing any file there; false when the file cannot be written.
bool writeWholeFile(const std::string& path, const ByteBuffer& bytes);
