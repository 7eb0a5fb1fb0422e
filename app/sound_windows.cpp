// The sound track on Windows: the multimedia library plays the file by name, in the background.
#include <windows.h>  // with mmsystem.h's PlaySound

#include "app/sound.h"

bool startSoundTrack(const char* fileName) {
    // Windows opens, decodes and plays the file on its own thread and stops when the process
    // ends; a second call replaces the first track. SND_NODEFAULT keeps a missing or unplayable
    // file silent: without it Windows plays its default alert sound instead.
    return PlaySoundA(fileName, nullptr, SND_FILENAME | SND_ASYNC | SND_NODEFAULT) != FALSE;
}
