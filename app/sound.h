// The sound track: one WAVE file played once in the background.
#pragma once

// Starts playing the WAVE file once, asynchronously. A missing or unreadable file, or no audio
// device at all, means silence; nothing is ever printed, by us or by the sound libraries.
void startSoundTrack(const char* fileName);
