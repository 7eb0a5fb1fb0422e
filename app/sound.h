// The sound track: one WAVE file played once in the background.
#pragma once

// Starts playing the WAVE file once, asynchronously, and says whether it plays. A missing or
// unreadable file, a format that no device plays, or no audio device at all means silence;
// nothing is ever printed, by us or by the sound libraries. Call it before any other thread
// exists.
//
// On Linux (sound.cpp) SDL plays it: formats under 1 kHz or over 384 kHz or with more than eight
// channels are refused, the device works in short buffers, so that closing it when the process
// exits takes no noticeable time, and an environment variable is set for the sound libraries.
// On Windows (sound_windows.cpp) the system's PlaySound plays it by name and judges the format.
bool startSoundTrack(const char* fileName);
