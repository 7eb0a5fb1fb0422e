// The show's sound track ("bla_11.wav"): about 71 s of music synthesised in code and timed to
// the animation, written as 16-bit mono PCM at 11025 Hz.
#pragma once
#include <cstdint>
#include <vector>

#include "assets/asset_io.h"

constexpr int kSoundRate = 11025;
constexpr double kSoundSeconds = 71.0;

// The whole track as signed 16-bit samples; the same samples on every run.
std::vector<int16_t> makeSoundTrack();

// A complete WAVE file: RIFF header, 16-byte PCM "fmt " chunk (one channel, 16 bits) and the
// "data" chunk with the samples in little-endian order.
ByteBuffer encodeWaveMono16(const std::vector<int16_t>& samples, int sampleRate);
