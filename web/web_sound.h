// The sound track in the page: the same WAVE file the program plays, decoded and played by the
// browser's Web Audio. Browsers let a page make sound only once the user has clicked or typed,
// so the track is fetched and decoded while the page loads and starts with the show.
//
// The show's clock leads and the sound follows it: the track is played from the show's time,
// and whenever it is found more than 50 ms away from it (a sound context that started late, was
// suspended by the browser or interrupted by the phone, a page that was hidden, a stall the
// show's ticks were moved past) it is started again from the show's time. The show never waits
// for sound. When the sound context is not running a second after the show starts or resumes
// (autoplay refused, no sound device, an interruption), the page says so in a small line with a
// button that turns the sound on (document.body.dataset.sound is "off" while it shows).
#pragma once

// The functions are written in JavaScript (EM_JS), hence C linkage.
extern "C" {

// Fetches and decodes the track in the background. A missing or undecodable file, or a browser
// without Web Audio, means silence, as in the program.
void prepareWebSoundTrack(const char* url);
// Starts the track from its first sample; call it in a click or key handler, as the show starts.
// A track still being decoded joins when it is ready, at the show's time.
void startWebSoundTrack();
// Called with each frame: keeps the track at the show's time.
void followWebSoundTrack(double showMs);
// The page is out of sight: the sound stops; resumed, it joins at the show's time.
void pauseWebSoundTrack();
void resumeWebSoundTrack(double showMs);
void stopWebSoundTrack();

}  // extern "C"
