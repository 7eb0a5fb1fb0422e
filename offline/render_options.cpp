#include "offline/render_options.h"

#include <sys/stat.h>

#include <cctype>
#include <cstring>
#include <string>

#include "anim/schedule.h"

namespace {

// Milliseconds and counts: plain decimal digits, no sign, no overflow past the limit.
bool parseCount(const std::string& text, int64_t limit, int64_t& value) {
    if (text.empty() || text.size() > 18) {
        return false;
    }
    int64_t v = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        v = v * 10 + (c - '0');
    }
    if (v > limit) {
        return false;
    }
    value = v;
    return true;
}

// WIDTHxHEIGHT, each side 1 to maxPictureSide.
bool parseSize(const std::string& text, int& width, int& height) {
    const std::size_t x = text.find('x');
    if (x == std::string::npos) {
        return false;
    }
    int64_t w = 0;
    int64_t h = 0;
    if (!parseCount(text.substr(0, x), maxPictureSide, w) ||
        !parseCount(text.substr(x + 1), maxPictureSide, h) || w < 1 || h < 1) {
        return false;
    }
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return true;
}

// The show lasts about 70 s; a day is far past any instant worth asking for.
constexpr int64_t maxInstantMs = 86400000;

// The options as they are read, and which of them were given: the request as a whole is judged
// once all are read.
struct OptionsRead {
    RenderOptions* options = nullptr;
    bool sawFps = false;
    bool sawFrom = false;
    bool sawTo = false;
    bool sawOutput = false;
    bool sawFormat = false;
    bool sawQuality = false;
};

// Takes an option's value (empty for a switch) as the option was spelled. False with the reason.
using OptionReader = bool (*)(const std::string& name, const std::string& value, OptionsRead& read,
                              std::string& error);

bool readInstant(const std::string& name, const std::string& value, int64_t& ms,
                 std::string& error) {
    if (!parseCount(value, maxInstantMs, ms)) {
        error = name + " wants milliseconds from the start (0 to " + std::to_string(maxInstantMs) +
                "), not \"" + value + "\"";
        return false;
    }
    return true;
}

bool readAt(const std::string& name, const std::string& value, OptionsRead& read,
            std::string& error) {
    if (!readInstant(name, value, read.options->atMs, error)) {
        return false;
    }
    read.options->picture = true;
    return true;
}

bool readFrom(const std::string& name, const std::string& value, OptionsRead& read,
              std::string& error) {
    read.sawFrom = readInstant(name, value, read.options->fromMs, error);
    return read.sawFrom;
}

bool readTo(const std::string& name, const std::string& value, OptionsRead& read,
            std::string& error) {
    read.sawTo = readInstant(name, value, read.options->toMs, error);
    return read.sawTo;
}

bool readFps(const std::string&, const std::string& value, OptionsRead& read, std::string& error) {
    int64_t fps = 0;
    if (!parseCount(value, maxFps, fps) || fps < 1) {
        error = "--fps wants a whole number of frames per second from 1 to " +
                std::to_string(maxFps) + ", not \"" + value + "\"";
        return false;
    }
    read.sawFps = true;
    read.options->fps = static_cast<int>(fps);
    return true;
}

bool readSize(const std::string&, const std::string& value, OptionsRead& read, std::string& error) {
    if (!parseSize(value, read.options->width, read.options->height)) {
        error = "--size wants WIDTHxHEIGHT, each 1 to " + std::to_string(maxPictureSide) +
                ", not \"" + value + "\"";
        return false;
    }
    return true;
}

bool readFormat(const std::string&, const std::string& value, OptionsRead& read,
                std::string& error) {
    if (!containerFromFormatName(value, read.options->container)) {
        error = "--format wants mp4, mkv or webm, not \"" + value + "\"";
        return false;
    }
    read.sawFormat = true;
    return true;
}

bool readQuality(const std::string&, const std::string& value, OptionsRead& read,
                 std::string& error) {
    int64_t quality = 0;
    if (!parseCount(value, maxVideoQuality, quality)) {
        error = "--quality wants a whole number from 0 (smallest file) to " +
                std::to_string(maxVideoQuality) + " (best picture), not \"" + value + "\"";
        return false;
    }
    read.sawQuality = true;
    read.options->quality = static_cast<int>(quality);
    return true;
}

bool readSound(const std::string&, const std::string& value, OptionsRead& read,
               std::string& error) {
    if (value.empty()) {
        error = "--sound needs a file name";
        return false;
    }
    read.options->sound = value;
    read.options->soundGiven = true;
    return true;
}

bool readTexture(const std::string&, const std::string& value, OptionsRead& read,
                 std::string& error) {
    if (value.empty()) {
        error = "--texture needs a file name";
        return false;
    }
    read.options->texture = value;
    return true;
}

bool readOutput(const std::string& name, const std::string& value, OptionsRead& read,
                std::string& error) {
    if (value.empty()) {
        error = name + " needs a file name, or - for standard output";
        return false;
    }
    read.sawOutput = true;
    read.options->output = value;
    return true;
}

bool readDevice(const std::string& name, const std::string& value, OptionsRead& read,
                std::string& error) {
    const struct {
        const char* name;
        RenderDevice device;
    } devices[] = {{"auto", RenderDevice::automatic},
                   {"software", RenderDevice::software},
                   {"gpu", RenderDevice::gpu}};
    for (const auto& d : devices) {
        if (value == d.name) {
            read.options->device = d.device;
            return true;
        }
    }
    error = name + " wants auto, software or gpu, not \"" + value + "\"";
    return false;
}

bool readY4m(const std::string&, const std::string&, OptionsRead& read, std::string&) {
    read.options->y4m = true;
    return true;
}

bool readQuiet(const std::string&, const std::string&, OptionsRead& read, std::string&) {
    read.options->quiet = true;
    return true;
}

bool readHelp(const std::string&, const std::string&, OptionsRead& read, std::string&) {
    read.options->help = true;
    return true;
}

bool readVersion(const std::string&, const std::string&, OptionsRead& read, std::string&) {
    read.options->version = true;
    return true;
}

enum class OptionArgument {
    none,     // a switch: "--y4m=yes" is refused
    value,    // the next argument, or what follows "=" in "--name=value"
    ignored,  // "--help=x" asks for the help all the same
};

// One option: how it is spelled and read, and its entry in the --help text. Help lines after
// the first are indented under the first; {name} stands for one of the numbers in helpNumbers.
struct OptionEntry {
    const char* names[2];  // none: an entry of the help only
    OptionArgument argument;
    OptionReader read;
    const char* label;
    const char* help;
};

// In the order of the --help text.
// clang-format off
const OptionEntry optionTable[] = {
    {{nullptr, nullptr}, OptionArgument::value, nullptr, "-o VIDEO.mp4",
     "a finished video with the sound track: MP4 (H.264 and AAC), .mkv (H.264\n"
     "and Opus) or .webm (VP9 and Opus); the container from the name's extension"},
    {{"--format", nullptr}, OptionArgument::value, readFormat, "--format F",
     "mp4, mkv or webm, whatever the file's name"},
    {{"--sound", nullptr}, OptionArgument::value, readSound, "--sound FILE",
     "the sound track (default: bla_11.wav from the working directory, as the show\n"
     "reads it; without one the video has the picture only)"},
    {{"--quality", nullptr}, OptionArgument::value, readQuality, "--quality N",
     "0 (smallest file) to {maxQuality} (best picture), default {quality}: clean at {size}"},
    {{"--at", nullptr}, OptionArgument::value, readAt, "--at MS",
     "one PNG picture of the show as it stands MS milliseconds after the start"},
    {{"--y4m", nullptr}, OptionArgument::none, readY4m, "--y4m",
     "every frame of the show, sampled --fps times a second, as a YUV4MPEG2\n"
     "stream (4:2:0, BT.601 video range), without sound"},
    {{"--fps", nullptr}, OptionArgument::value, readFps, "--fps N",
     "frames per second of a video, 1 to {maxFps} (default {fps})"},
    {{"--from", nullptr}, OptionArgument::value, readFrom, "--from MS",
     "the video starts at this instant (default 0); so does its sound"},
    {{"--to", nullptr}, OptionArgument::value, readTo, "--to MS",
     "the video ends at this instant (default: the end of the show, {end})"},
    {{"--size", nullptr}, OptionArgument::value, readSize, "--size WxH",
     "picture size in pixels (default {size}); larger than the screen is fine"},
    {{"--texture", nullptr}, OptionArgument::value, readTexture, "--texture FILE",
     "the cube texture, a Windows bitmap (default: skin.bmp from the working\n"
     "directory, as the show reads it; without one the cubes are untextured)"},
    {{"--device", nullptr}, OptionArgument::value, readDevice, "--device D",
     "what draws: auto (default: a GPU where EGL offers one, else the processor),\n"
     "software (Mesa's llvmpipe on the processor) or gpu (a GPU, or refuse)"},
    {{"-o", "--output"}, OptionArgument::value, readOutput, "-o, --output F",
     "where to write; - is standard output"},
    {{"--quiet", nullptr}, OptionArgument::none, readQuiet, "--quiet",
     "no progress or summary on standard error"},
    {{"-h", "--help"}, OptionArgument::ignored, readHelp, "-h, --help", "this text"},
    {{"--version", nullptr}, OptionArgument::none, readVersion, "--version",
     "the program's version"},
};
// clang-format on

const OptionEntry* findOption(const std::string& name) {
    for (const OptionEntry& entry : optionTable) {
        for (const char* spelling : entry.names) {
            if (spelling != nullptr && name == spelling) {
                return &entry;
            }
        }
    }
    return nullptr;
}

bool equalIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

// Whether the name stands for something written straight through: a FIFO, a device or a
// socket, also behind a link (/dev/stdout, /dev/fd/N).
bool isStream(const std::string& name) {
    struct stat s = {};
    return stat(name.c_str(), &s) == 0 && !S_ISREG(s.st_mode) && !S_ISDIR(s.st_mode);
}

// Whether a video stream is asked for: Y4M or a video file.
bool wantsFrames(const RenderOptions& options) {
    return options.y4m || options.videoFile;
}

// The request as a whole, once every option is read: what to make, and options that belong to it.
bool judgeRequest(OptionsRead& read, std::string& error) {
    RenderOptions& options = *read.options;
    if (options.picture && options.y4m) {
        error = "--at and --y4m do not go together: one picture or one stream";
        return false;
    }
    if (!options.picture && !options.y4m && read.sawOutput) {
        // A video file: its container from --format, else from the file name.
        options.videoFile =
            read.sawFormat || containerFromFileName(options.output, options.container);
        if (!options.videoFile) {
            error = "cannot tell what to write to \"" + options.output +
                    "\": name a .mp4, .mkv or .webm file (or give --format), --at MS for a "
                    "picture or --y4m for a raw stream";
            return false;
        }
    }
    if (options.picture && (read.sawFps || read.sawFrom || read.sawTo)) {
        error = "--fps, --from and --to belong to videos; a picture takes only --at";
        return false;
    }
    if (!options.videoFile && (read.sawFormat || read.sawQuality || options.soundGiven)) {
        error = "--format, --quality and --sound belong to video files (.mp4, .mkv, .webm)";
        return false;
    }
    if (wantsFrames(options) && options.toMs >= 0 && options.toMs < options.fromMs) {
        error = "--to " + std::to_string(options.toMs) + " comes before --from " +
                std::to_string(options.fromMs);
        return false;
    }
    if (!read.sawOutput) {
        error = "say where to write: -o FILE, or -o - for standard output";
        return false;
    }
    return true;
}

// The numbers in the help text, from the constants they stand for.
std::string withNumbers(std::string text) {
    const struct {
        const char* name;
        std::string value;
    } helpNumbers[] = {
        {"{size}",
         std::to_string(defaultPictureWidth) + "x" + std::to_string(defaultPictureHeight)},
        {"{fps}", std::to_string(defaultFps)},
        {"{maxFps}", std::to_string(maxFps)},
        {"{quality}", std::to_string(defaultVideoQuality)},
        {"{maxQuality}", std::to_string(maxVideoQuality)},
        {"{end}", std::to_string(showEndMs)},
    };
    for (const auto& number : helpNumbers) {
        for (std::size_t at = text.find(number.name); at != std::string::npos;
             at = text.find(number.name, at)) {
            text.replace(at, std::strlen(number.name), number.value);
        }
    }
    return text;
}

// The options' part of the help: the label in a column of its own, the text beside it.
std::string optionsHelp() {
    constexpr std::size_t labelWidth = 17;
    const std::string indent(2 + labelWidth, ' ');
    std::string text;
    for (const OptionEntry& entry : optionTable) {
        const std::string label = entry.label;
        text += "  " + label + std::string(labelWidth - label.size(), ' ');
        for (const char* c = entry.help; *c != '\0'; ++c) {
            text += *c;
            text += *c == '\n' ? indent : "";
        }
        text += '\n';
    }
    return withNumbers(text);
}

}  // namespace

bool parseRenderOptions(int argc, const char* const* argv, RenderOptions& options,
                        std::string& error) {
    options = RenderOptions{};
    OptionsRead read;
    read.options = &options;
    bool given[sizeof optionTable / sizeof optionTable[0]] = {};
    for (int i = 0; i < argc; ++i) {
        std::string name = argv[i];
        if (name == "--") {
            // The end of the options; pp-render takes no other arguments.
            if (i + 1 < argc) {
                error = "unexpected argument \"" + std::string(argv[i + 1]) + "\" after --";
                return false;
            }
            break;
        }
        std::string value;
        const std::size_t eq = name.find('=');
        const bool inlineValue = name.rfind("--", 0) == 0 && eq != std::string::npos;
        if (inlineValue) {
            value = name.substr(eq + 1);
            name.resize(eq);
        }
        const OptionEntry* entry = findOption(name);
        if (entry == nullptr) {
            error = name.rfind("-", 0) == 0 && name.size() > 1
                        ? "unknown option " + name
                        : "unexpected argument \"" + name + "\"";
            return false;
        }
        bool& givenBefore = given[entry - optionTable];
        if (givenBefore) {
            // Which one was meant is anyone's guess; the last one silently winning hides a typo.
            error = name + " is given twice";
            return false;
        }
        givenBefore = true;
        if (entry->argument == OptionArgument::none && inlineValue) {
            error = name + " takes no value";
            return false;
        }
        if (entry->argument == OptionArgument::value && !inlineValue) {
            if (i + 1 >= argc) {
                error = name + " needs a value";
                return false;
            }
            value = argv[++i];
        }
        if (!entry->read(name, value, read, error)) {
            return false;
        }
        if (options.help || options.version) {
            return true;  // that is all that is asked for; the rest is not read
        }
    }
    return judgeRequest(read, error);
}

bool outputNameFits(const RenderOptions& options, std::string& error) {
    if (!options.picture && !options.y4m) {
        return true;  // a video file's container is its extension, or --format
    }
    const char* const extension = options.picture ? ".png" : ".y4m";
    const std::string& name = options.output;
    if (name == "-" || isStream(name) ||
        (name.size() > 4 && equalIgnoringCase(name.substr(name.size() - 4), extension))) {
        return true;
    }
    error = std::string("a ") + (options.picture ? "PNG picture (--at)" : "Y4M stream (--y4m)") +
            " is written to a " + extension + " file or a stream, not to \"" + name + "\"";
    return false;
}

bool requestFitsShow(const RenderOptions& options, std::string& error) {
    const int64_t start = options.picture ? options.atMs : options.fromMs;
    if (start <= showEndMs) {
        return true;
    }
    error = "the show ends at " + std::to_string(showEndMs) + " ms; " +
            (options.picture ? "--at " : "--from ") + std::to_string(start) + " is after it";
    return false;
}

std::string renderUsage() {
    const char* const head =
        R"(Usage: pp-render [--fps N] [--from MS] [--to MS] [options] -o VIDEO.mp4|.mkv|.webm
       pp-render --at MS [options] -o PICTURE.png
       pp-render --y4m [--fps N] [--from MS] [--to MS] [options] -o VIDEO.y4m
Plays the PP show on a virtual clock and writes what it shows, without a window on screen.

)";
    const char* const foot = R"(
Draws offscreen in an OpenGL context from EGL: no X display or window is needed.
A file is written under a temporary name beside it and takes its place only when complete;
standard output, FIFOs and devices are written straight through. SIGINT, SIGTERM or SIGHUP
stops a video after the frame in hand and keeps the whole frames written.
Exit status: 0 done, 1 failed while rendering or writing, 2 bad arguments, 130, 143 or 129
stopped by SIGINT, SIGTERM or SIGHUP.
)";
    return head + optionsHelp() + foot;
}
