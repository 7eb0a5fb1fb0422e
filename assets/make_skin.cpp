// pp-make-skin OUTPUT.bmp: writes the show's default cube texture.
#include <cstdio>

#include "assets/skin_texture.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: pp-make-skin OUTPUT.bmp\n");
        return 2;
    }
    if (!writeWholeFile(argv[1], encodeBitmap24(makeSkinImage()))) {
        std::fprintf(stderr, "pp-make-skin: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
