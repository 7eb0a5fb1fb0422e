#include "offline/render_options.h"

#include <CLI/CLI.hpp>
#include <strings.h>
#include <sys/stat.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "anim/schedule.h"

namespace {

// The show lasts about 70 s; a day is far past any instant worth asking for.
constexpr int64_t maxInstantMs = 86400000;

std::string n(int number) {
    return std::to_string(number);
}

// Milliseconds and counts: plain decimal digits, no sign, no overflow past the limit. (CLI11's
// own numbers would take "-5", "1e3" and "010" as octal.)
bool parseCount(const std::string& text, int64_t limit, int64_t& value) {
    if (text.empty() || text.size() > 18 ||
        text.find_first_not_of("0123456789") != std::string::npos || std::stoll(text) > limit) {
        return false;
    }
    value = std::stoll(text);
    return true;
}

std::string readInstant(const char* name, const std::string& value, int64_t& ms) {
    return parseCount(value, maxInstantMs, ms)
               ? ""
               : name + std::string(" wants milliseconds from the start (0 to ") +
                     std::to_string(maxInstantMs) + "), not \"" + value + "\"";
}

// A whole number from lowest to highest; what the option wants, with the value, when it is not.
std::string readWhole(const std::string& value, int lowest, int highest, int& into,
                      const std::string& wanted) {
    int64_t number = 0;
    if (!parseCount(value, highest, number) || number < lowest) {
        return wanted + ", not \"" + value + "\"";
    }
    into = static_cast<int>(number);
    return "";
}

// WIDTHxHEIGHT, each side 1 to maxPictureSide.
std::string readSize(const std::string& value, RenderOptions& o) {
    const std::size_t x = value.find('x');
    int64_t w = 0;
    int64_t h = 0;
    if (x == std::string::npos || !parseCount(value.substr(0, x), maxPictureSide, w) ||
        !parseCount(value.substr(x + 1), maxPictureSide, h) || w < 1 || h < 1) {
        return "--size wants WIDTHxHEIGHT, each 1 to " + std::to_string(maxPictureSide) +
               ", not \"" + value + "\"";
    }
    o.width = static_cast<int>(w);
    o.height = static_cast<int>(h);
    return "";
}

// One of an option's three named values, listed in its enum's order, read into "into"; what the
// option wants when the value is none of them.
template <typename Choice>
std::string readChoice(const char* option, const char* const (&names)[3], const std::string& value,
                       Choice& into) {
    const auto named = std::find(std::begin(names), std::end(names), value);
    if (named == std::end(names)) {
        return std::string(option) + " wants " + names[0] + ", " + names[1] + " or " + names[2] +
               ", not \"" + value + "\"";
    }
    into = static_cast<Choice>(named - std::begin(names));
    return "";
}

std::string readDevice(const std::string& value, RenderOptions& o) {
    return readChoice("--device", {"auto", "software", "gpu"}, value, o.device);
}

std::string readFit(const std::string& value, RenderOptions& o) {
    return readChoice("--fit", {"stretch", "box", "cover"}, value, o.fit);
}

// One option: how it is spelled, the name of its value in the help, its help, and where it
// goes. A value is read by its reader, which says why it is refused, or nothing; a file name
// (any but an empty one) and a switch are set as they are given.
struct OptionRow {
    const char* names;
    const char* value;  // none for a switch
    std::string help;
    std::string (*read)(const std::string& value, RenderOptions& options) = nullptr;
    std::string RenderOptions::*fileName = nullptr;
    bool RenderOptions::*set = nullptr;  // what a switch, or a value, sets besides
};

// In the order of the --help text; help lines after the first are indented under it.
std::vector<OptionRow> optionTable() {
    using O = RenderOptions;
    using V = const std::string&;
    const std::string size = n(defaultPictureWidth) + "x" + n(defaultPictureHeight);
    return {
        {"--format", "F", "mp4, mkv or webm, whatever the file's name",
         [](V v, O& o) {
             return containerFromFormatName(v, o.container)
                        ? ""
                        : "--format wants mp4, mkv or webm, not \"" + v + "\"";
         }},
        {"--sound", "FILE",
         "the sound track (default: bla_11.wav from the working\n"
         "directory, as the show reads it; without one the video has\n"
         "the picture only)",
         nullptr, &O::sound, &O::soundGiven},
        {"--quality", "N",
         "0 (smallest file) to " + n(maxVideoQuality) + " (best picture), default " +
             n(defaultVideoQuality) + ": clean\nat " + size,
         [](V v, O& o) {
             return readWhole(v, 0, maxVideoQuality, o.quality,
                              "--quality wants a whole number from 0 (smallest file) to " +
                                  n(maxVideoQuality) + " (best picture)");
         }},
        {"--at", "MS", "one PNG picture of the show as it stands MS milliseconds\nafter the start",
         [](V v, O& o) { return readInstant("--at", v, o.atMs); }, nullptr, &O::picture},
        {"--y4m", nullptr,
         "every frame of the show, sampled --fps times a second, as a\n"
         "YUV4MPEG2 stream (4:2:0, BT.601 video range), without sound",
         nullptr, nullptr, &O::y4m},
        {"--fps", "N",
         "frames per second of a video, 1 to " + n(maxFps) + " (default " + n(defaultFps) + ")",
         [](V v, O& o) {
             return readWhole(
                 v, 1, maxFps, o.fps,
                 "--fps wants a whole number of frames per second from 1 to " + n(maxFps));
         }},
        {"--from", "MS", "the video and its sound start at this instant (default 0)",
         [](V v, O& o) { return readInstant("--from", v, o.fromMs); }},
        {"--to", "MS", "the video ends at this instant (default: the end, " + n(showEndMs) + ")",
         [](V v, O& o) { return readInstant("--to", v, o.toMs); }},
        {"--size", "WxH",
         "picture size in pixels (default " + size + "); may be larger\nthan the screen", readSize},
        {"--texture", "FILE",
         "the cube texture, a Windows bitmap (default: skin.bmp from\n"
         "the working directory, as the show reads it; without one the\n"
         "cubes are untextured)",
         nullptr, &O::texture},
        {"--device", "D",
         "what draws: auto (default: a GPU where EGL offers one, else\n"
         "the processor), software (Mesa's llvmpipe on the processor)\n"
         "or gpu (a GPU, or refuse)",
         readDevice},
        {"--fit", "F",
         "a picture not of the show's 1.4 shape: stretch (default, as\n"
         "the show's full screen does), box (undistorted on black) or\n"
         "cover (undistorted, cut at two sides)",
         readFit},
        {"--upload", nullptr,
         "a video encoded as video sites ask: a closed GOP every half\n"
         "second, stereo sound at 384 kbps",
         nullptr, nullptr, &O::upload},
        {"-o,--output", "F", "where to write; - is standard output", nullptr, &O::output},
        {"--quiet", nullptr, "no progress or summary on standard error", nullptr, nullptr,
         &O::quiet},
        {"--version", nullptr, "the program's version", nullptr, nullptr, &O::version},
    };
}

// Reads a value as its row says. Empty when it is taken, else why not.
std::string readValue(const OptionRow& row, const std::string& value, RenderOptions& options) {
    if (row.set != nullptr) {
        options.*row.set = true;
    }
    if (row.read != nullptr) {
        return row.read(value, options);
    }
    if (row.fileName == nullptr) {
        return "";  // a switch
    }
    options.*row.fileName = value;
    const std::string name = std::string(row.names).substr(std::string(row.names).rfind(',') + 1);
    return !value.empty()       ? ""
           : name == "--output" ? name + " needs a file name, or - for standard output"
                                : name + " needs a file name";
}

// The help's head and foot around CLI11's list of the options.
const char* const usageHead =
    R"(Usage: pp-render [--fps N] [--from MS] [--to MS] [options] -o VIDEO.mp4
       pp-render --at MS [options] -o PICTURE.png
       pp-render --y4m [--fps N] [--from MS] [--to MS] [options] -o VIDEO.y4m
Plays the PP show on a virtual clock and writes what it shows, without a window
on screen.

  -o VIDEO.mp4     a finished video with the sound track: .mp4 (H.264 and AAC),
                   .mkv (H.264 and Opus) or .webm (VP9 and Opus), the container
                   from the name's extension
)";
const char* const usageFoot =
    R"(Draws offscreen in an OpenGL context from EGL: no X display or window is
needed. A file is written under a temporary name beside it and takes its place
only when complete; standard output, FIFOs and devices are written straight
through. SIGINT, SIGTERM or SIGHUP stops a video after the frame in hand and
keeps the whole frames written.
Exit status: 0 done, 1 failed while rendering or writing, 2 bad arguments, 130,
143 or 129 stopped by SIGINT, SIGTERM or SIGHUP.)";

struct UsageFormatter : CLI::Formatter {
    std::string make_usage(const CLI::App*, std::string) const override {
        return usageHead;
    }
};

// The command line from the table. The first value a reader refuses is kept in refused: the
// parse goes on, so that --help is answered whatever else is given.
void describeOptions(CLI::App& app, RenderOptions& options, std::string& refused) {
    auto formatter = std::make_shared<UsageFormatter>();
    formatter->column_width(19);
    app.formatter(formatter);
    app.set_help_flag("-h,--help", "this text");
    app.footer(usageFoot);
    app.allow_extras();  // said in the program's own words (extraArguments)
    for (const OptionRow& row : optionTable()) {
        const auto take = [row, &options, &refused](const std::string& value) {
            const std::string why = readValue(row, value, options);
            refused = refused.empty() ? why : refused;
        };
        CLI::Option* option = row.value != nullptr
                                  ? app.add_option_function<std::string>(row.names, take, row.help)
                                        ->type_name(row.value)
                                  : app.add_flag_callback(
                                           row.names, [take] { take(""); }, row.help)
                                        ->disable_flag_override();
        option->multi_option_policy(CLI::MultiOptionPolicy::Throw);
    }
}

// CLI11's words for a missing value, a repeated option and a switch given a value, in the
// program's own; any other message as CLI11 says it.
std::string inOwnWords(const std::string& said) {
    const std::string name = said.substr(0, said.find(':'));
    if (said.find(": At Most 1 required but received") != std::string::npos) {
        return name + " is given twice";
    }
    if (said.find(" required ") != std::string::npos && said.rfind(" missing") + 8 == said.size()) {
        return name + " needs a value";
    }
    if (said.find(" was given a disallowed flag override") != std::string::npos) {
        return "--" + said.substr(0, said.find(' ')) + " takes no value";
    }
    return said;
}

// What CLI11 did not take: unknown options and arguments; pp-render takes no arguments.
std::string extraArguments(const std::vector<std::string>& extra) {
    if (extra.empty() || extra == std::vector<std::string>{"--"}) {
        return "";
    }
    const std::string& first = extra[0];
    if (first == "--") {
        return "unexpected argument \"" + extra[1] + "\" after --";
    }
    return first.size() > 1 && first[0] == '-' ? "unknown option " + first
                                               : "unexpected argument \"" + first + "\"";
}

// The request as a whole, once every option is read: what to make, and options that belong to it.
std::string judgeRequest(const CLI::App& app, RenderOptions& options) {
    const auto given = [&app](const char* name) { return app.count(name) > 0; };
    if (options.picture && options.y4m) {
        return "--at and --y4m do not go together: one picture or one stream";
    }
    if (!options.picture && !options.y4m && given("--output")) {
        // A video file: its container from --format, else from the file name.
        options.videoFile =
            given("--format") || containerFromFileName(options.output, options.container);
        if (!options.videoFile) {
            return "cannot tell what to write to \"" + options.output +
                   "\": name a .mp4, .mkv or .webm file (or give --format), --at MS for a "
                   "picture or --y4m for a raw stream";
        }
    }
    if (options.picture && (given("--fps") || given("--from") || given("--to"))) {
        return "--fps, --from and --to belong to videos; a picture takes only --at";
    }
    if (!options.videoFile &&
        (given("--format") || given("--quality") || options.soundGiven || options.upload)) {
        return "--format, --quality, --sound and --upload belong to video files (.mp4, .mkv, "
               ".webm)";
    }
    if ((options.y4m || options.videoFile) && options.toMs >= 0 && options.toMs < options.fromMs) {
        return "--to " + std::to_string(options.toMs) + " comes before --from " +
               std::to_string(options.fromMs);
    }
    return given("--output") ? "" : "say where to write: -o FILE, or -o - for standard output";
}

}  // namespace

bool parseRenderOptions(int argc, const char* const* argv, RenderOptions& options,
                        std::string& error) {
    options = RenderOptions{};
    CLI::App app;
    std::string refused;
    describeOptions(app, options, refused);
    std::vector<std::string> args(argv, argv + argc);
    std::reverse(args.begin(), args.end());  // CLI11 takes them last first
    try {
        app.parse(args);
    } catch (const CLI::CallForHelp&) {
        options.help = true;
        return true;  // that is all that is asked for; the rest is not judged
    } catch (const CLI::ParseError& e) {
        error = inOwnWords(e.what());
        return false;
    }
    if (options.version) {
        return true;  // as with --help
    }
    error = !refused.empty() ? refused : extraArguments(app.remaining());
    error = error.empty() ? judgeRequest(app, options) : error;
    return error.empty();
}

bool outputNameFits(const RenderOptions& options, std::string& error) {
    if (!options.picture && !options.y4m) {
        return true;  // a video file's container is its extension, or --format
    }
    const char* const extension = options.picture ? ".png" : ".y4m";
    const std::string& name = options.output;
    // Something written straight through: a FIFO, a device or a socket, also behind a link
    // (/dev/stdout, /dev/fd/N).
    struct stat s = {};
    const bool stream = stat(name.c_str(), &s) == 0 && !S_ISREG(s.st_mode) && !S_ISDIR(s.st_mode);
    if (name == "-" || stream ||
        (name.size() > 4 && strcasecmp(name.c_str() + name.size() - 4, extension) == 0)) {
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
    CLI::App app;
    RenderOptions options;
    std::string refused;
    describeOptions(app, options, refused);
    return app.help();
}
