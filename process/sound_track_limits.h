// The sound tracks both native programs take: what an audio server plays and an encoder can be
// fed. The program plays a track inside these limits; pp-render puts one into a video file.
#pragma once

constexpr int soundTrackLowestRate = 1000;     // frames per second
constexpr int soundTrackHighestRate = 384000;  // frames per second
constexpr int soundTrackMostChannels = 8;
