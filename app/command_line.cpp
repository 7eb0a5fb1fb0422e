#include "app/command_line.h"

#include <cstdio>
#include <cstring>

#include "anim/schedule.h"

namespace {

void printHelp() {
    std::printf(
        "Usage: pp\n"
        "The PP show: about %lld seconds of animation with its sound track, full screen. It reads\n"
        "skin.bmp (the cube texture) and bla_11.wav (the sound track) from the working folder\n"
        "and ends by itself.\n"
        "\n"
        "Keys: Escape quits; c switches between the scripted camera and the manual eye;\n"
        "a/d, f/r, w/s move the manual eye along x, y, z.\n"
        "\n"
        "  -h, --help     print this help and exit\n"
        "      --version  print the version and exit\n",
        static_cast<long long>((showEndMs + 999) / 1000));
}

}  // namespace

CommandLineAction readCommandLine(int argc, const char* const* argv) {
    if (argc <= 1) {
        return CommandLineAction::show;
    }
    const char* first = argv[1];
    if (argc == 2 && (std::strcmp(first, "--help") == 0 || std::strcmp(first, "-h") == 0)) {
        printHelp();
        return CommandLineAction::printed;
    }
    if (argc == 2 && std::strcmp(first, "--version") == 0) {
        std::printf("pp %s\n", PP_VERSION);
        return CommandLineAction::printed;
    }
    const bool known = std::strcmp(first, "--help") == 0 || std::strcmp(first, "-h") == 0 ||
                       std::strcmp(first, "--version") == 0;
    if (known) {
        std::fprintf(stderr, "pp: %s takes no other argument; try 'pp --help'\n", first);
    } else {
        std::fprintf(stderr, "pp: unknown argument '%s'; the show takes none (try 'pp --help')\n",
                     first);
    }
    return CommandLineAction::refused;
}

int commandLineStatus(CommandLineAction action) {
    return action == CommandLineAction::refused ? 2 : 0;
}
