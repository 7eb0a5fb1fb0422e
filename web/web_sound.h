// The sound track in the page: the same WAVE file the program plays, decoded and played by the
// browser's Web Audio. Browsers let a page make sound only once the user has clicked or typed,
// so the track is fetched and decoded while the page loads and starts with the show.
#pragma once

// The functions are written in JavaScript (EM_JS), hence C linkage.
extern "C" {

// Fetches and decodes the track in the background. A missing or undecodable file, or a browser
// without Web Audio, means silence, as in the program.
void prepareWebSoundTrack(const char* url);
// Starts the track from its first sample; call it in a click or key handler, as the show starts.
// A track still being decoded joins when it is ready, at the show's time.
void startWebSoundTrack();
void stopWebSoundTrack();

}  // extern "C"
