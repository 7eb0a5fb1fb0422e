// The page's functions the program calls, written in JavaScript (web/page.js), hence C linkage.
// The sound track's are in web/web_sound.h.
#pragma once

extern "C" {

// document.body.dataset.state, which index.html shows the screens by.
void setPageState(const char* state);
// document.body.dataset.ready = "1": the still of ?at= is drawn.
void announceStillDrawn();
// document.body.dataset.context: "lost" while the WebGL context is away; null removes it.
void markContext(const char* mark);
// document.body.dataset.paused: "1" while the viewer has paused the show, and dataset.pausedAt
// the show's instant in milliseconds.
void markPaused(int paused, double showMs);
// The start screen says that ?from= is not an instant of the show.
void markBadStartInstant();
double windowCssWidth();
double windowCssHeight();
// The instant ?NAME=MS in the page's address: -1 when absent, -2 when not whole milliseconds
// (at most nine digits).
double instantFromAddress(const char* name);
// Calls ppWebPageShown whenever the page comes into or goes out of sight.
void watchPageSight();
void leaveFullScreen();
// Hands the texture's bytes to ppWebSkinArrived once they are here (none when they cannot be).
void takeSkinBytes();

}  // extern "C"
