// pp-make-sound OUTPUT.wav: writes the show's sound track.
#include <cstdio>

#include "assets/sound_track.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: pp-make-sound OUTPUT.wav\n");
        return 2;
    }
    if (!writeWholeFile(argv[1], encodeWaveMono16(makeSoundTrack(), kSoundRate))) {
        std::fprintf(stderr, "pp-make-sound: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
