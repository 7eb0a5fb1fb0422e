// The sound track in the page: the program's track, compressed at build time (Opus in WebM,
// site/bla_11.webm) where the browser says it plays that, else the WAVE file the program plays,
// fetched with its progress on the start screen, decoded and played by the browser's Web Audio.
// Browsers let a page make sound only once the user has clicked or typed, so the track is
// fetched and decoded while the page loads and starts with the show; a show started before it
// is ready waits for it a while (web/main.cpp), so that picture and music start together.
//
// The show's clock leads and the sound follows it: the track is played from the show's time,
// and whenever it is found more than 50 ms away from it (a sound context that started late, was
// suspended by the browser or interrupted by the phone, a page that was hidden, a stall the
// show's ticks were moved past) it is started again from the show's time. The show never waits
// for sound once it plays. When the sound context is not running a second after the show starts
// or resumes (autoplay refused, no sound device, an interruption), the page says so in a small
// line with a button that turns the sound on (document.body.dataset.sound is "off" while it
// shows). document.body.dataset.track says "ready" once the track is decoded ("none" when it
// cannot be had), and dataset.trackFormat which file it came from ("webm" or "wav").
#pragma once

// The functions are written in JavaScript (web/page.js), hence C linkage.
extern "C" {

// Fetches and decodes the track in the background, and calls ppWebSoundTrackSettled when it is
// ready or cannot be had. A missing or undecodable file, or a browser without Web Audio, means
// silence, as in the program.
void prepareWebSoundTrack();
// Non-zero once the track is decoded or cannot be had.
int webSoundTrackSettled();
// Starts the track at the show's time; call it in a click or key handler, as the show starts.
// A track still being decoded joins when it is ready, at the show's time.
void startWebSoundTrack(double showMs);
// Called with each frame and tick: keeps the track at the show's time.
void followWebSoundTrack(double showMs);
// The show has jumped to another instant: the track follows at once.
void jumpWebSoundTrack(double showMs);
// Muted, the track stops; unmuted, it joins at the show's time. document.body.dataset.muted
// says which.
void muteWebSoundTrack(int muted, double showMs);
// The show stands still (out of sight, paused): the sound stops; resumed, it joins at the show's
// time.
void pauseWebSoundTrack();
void resumeWebSoundTrack(double showMs);
void stopWebSoundTrack();

}  // extern "C"
