// The sound track: one WAVE file played once in the background.
#pragma once

// Starts playing the WAVE file once, asynchronously, and says whether it plays. A missing or
// unreadable file, a format that no device plays (under 1 kHz or over 384 kHz, more than eight
// channels), or no audio device at all means silence; nothing is ever printed, by us or by the
// sound libraries. Whatever the file's format, the device works in short buffers, so that
// closing it when the process exits takes no noticeable time. Call it before any other thread
// exists: it sets an environment variable for the sound libraries.
bool startSoundTrack(const char* fileName);
