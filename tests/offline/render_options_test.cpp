#include "offline/render_options.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

bool parse(std::vector<const char*> args, RenderOptions& options, std::string& error) {
    return parseRenderOptions(static_cast<int>(args.size()), args.data(), options, error);
}

}  // namespace

TEST(RenderOptions, ReadsPictureAndVideoRequests) {
    RenderOptions o;
    std::string error;
    ASSERT_TRUE(parse({"--at", "30000", "--size", "1920x1080", "-o", "a.png", "--texture", "s.bmp",
                       "--fit", "box"},
                      o, error))
        << error;
    EXPECT_TRUE(o.picture && !o.y4m);
    EXPECT_EQ(o.atMs, 30000);
    EXPECT_EQ(o.width * 10000 + o.height, 1920 * 10000 + 1080);
    EXPECT_EQ(o.texture, "s.bmp");
    EXPECT_EQ(o.fit, PictureFit::box);

    ASSERT_TRUE(parse({"--y4m", "--fps=25", "--from=1000", "--to", "1000", "--output=-"}, o, error))
        << error;
    EXPECT_TRUE(o.y4m && !o.picture);
    EXPECT_EQ(o.fps, 25);
    EXPECT_EQ(o.fromMs, 1000);
    EXPECT_EQ(o.toMs, 1000);
    EXPECT_EQ(o.output, "-");
    EXPECT_EQ(o.width * 10000 + o.height, 1280 * 10000 + 720);  // the default size
    EXPECT_EQ(o.fit, PictureFit::stretch);                      // as the show's full screen

    ASSERT_TRUE(parse({"--at", "1", "-o", "a.png", "--"}, o, error)) << error;  // -- ends them
}

TEST(RenderOptions, RefusesRequestsThatDoNotMakeSense) {
    const std::vector<std::vector<const char*>> bad = {
        {},
        {"-o", "x.png"},                              // neither a picture nor a video
        {"--at", "10", "--y4m", "-o", "x"},           // both
        {"--at", "10"},                               // nowhere to write
        {"--at", "10", "-o", ""},                     // empty name
        {"--at", "-5", "-o", "x"},                    // negative
        {"--at", "1e3", "-o", "x"},                   // not plain digits
        {"--at", "99999999999999999999", "-o", "x"},  // overflow
        {"--at", "10", "-o"},                         // value missing
        {"--at", "10", "--fps", "10", "-o", "x"},     // a video option on a picture
        {"--y4m", "--upload", "-o", "x"},             // a video file's encoding on a stream
        {"--y4m", "--fps", "0", "-o", "x"},           // no frames
        {"--y4m", "--fps", "1001", "-o", "x"},        // too many
        {"--y4m", "--from", "500", "--to", "400", "-o", "x"},
        {"--at", "10", "--size", "0x10", "-o", "x"},  // an empty picture
        {"--at", "10", "--size", "640", "-o", "x"},   // no height
        {"--at", "10", "--size", "16385x16", "-o", "x"},
        {"--at", "10", "--texture", "", "-o", "x"},
        {"--at", "10", "--fit", "crop", "-o", "x"},
        {"--at", "10", "--frobnicate", "-o", "x"},  // unknown option
        {"--at", "10", "-o", "x", "extra"},         // stray argument
        {"--y4m=yes", "-o", "x"},                   // a switch with a value
        {"--at", "10", "--at", "20", "-o", "x"},    // given twice: which one?
        {"--y4m", "-o", "x", "--output=y"},         // the same option, spelled otherwise
        {"--at", "10", "-o", "x", "--", "y"},       // no arguments after the options
    };
    for (const auto& args : bad) {
        RenderOptions o;
        std::string error;
        std::string shown;
        for (const char* a : args) {
            shown += std::string(a) + " ";
        }
        EXPECT_FALSE(parse(args, o, error)) << shown;
        EXPECT_FALSE(error.empty()) << shown;
    }
}

// The help and the parser come from one table: every option the help shows is one the parser
// takes, and every number in the help is filled in.
TEST(RenderOptions, TheHelpShowsOnlyOptionsThatAreTaken) {
    const std::string help = renderUsage();
    EXPECT_EQ(help.find('{'), std::string::npos) << help;
    EXPECT_NE(help.find("(default 1280x720)"), std::string::npos) << help;
    EXPECT_NE(help.find("1 to 1000 (default 50)"), std::string::npos) << help;
    int shown = 0;
    for (std::size_t at = help.find("\n  -"); at != std::string::npos;
         at = help.find("\n  -", at + 1)) {
        const std::size_t end = help.find_first_of(" ,", at + 3);
        const std::string name = help.substr(at + 3, end - at - 3);
        RenderOptions o;
        std::string error;
        parse({name.c_str()}, o, error);
        EXPECT_EQ(error.find("unknown option"), std::string::npos) << name << ": " << error;
        ++shown;
    }
    EXPECT_EQ(shown, 18);
    for (std::size_t at = 0, end = 0; at < help.size(); at = end + 1) {
        end = help.find('\n', at);
        EXPECT_LE(end - at, 80u) << help.substr(at, end - at);
    }
}

// Where CLI11's own reading would differ: its numbers take octal and signs, its switches take
// values, and a repeated or empty option is its own kind of error.
TEST(RenderOptions, ReadsTheCommandLineAsDocumented) {
    RenderOptions o;
    std::string error;
    ASSERT_TRUE(parse({"--y4m", "--fps", "010", "--from=0100", "-ox.y4m"}, o, error)) << error;
    EXPECT_EQ(o.fps, 10);  // not octal 8
    EXPECT_EQ(o.fromMs, 100);
    EXPECT_EQ(o.output, "x.y4m");
    ASSERT_TRUE(parse({"--frobnicate", "--help=x", "--at", "bad"}, o, error)) << error;
    EXPECT_TRUE(o.help) << "the help, whatever else is given";
    ASSERT_TRUE(parse({"--version", "--fps", "x", "extra"}, o, error)) << error;
    EXPECT_TRUE(o.version);

    const struct {
        std::vector<const char*> args;
        const char* said;
    } refused[] = {
        {{"--y4m", "--fps", "+5", "-o", "x"}, "--fps wants a whole number of frames per second"},
        {{"--y4m", "--fps", "0x10", "-o", "x"}, "not \"0x10\""},
        {{"--y4m", "--y4m", "-o", "x"}, "--y4m is given twice"},
        {{"--y4m", "-o", "x", "--output=y"}, "--output is given twice"},
        {{"--y4m=yes", "-o", "x"}, "--y4m takes no value"},
        {{"--y4m", "-o"}, "--output needs a value"},
        {{"--y4m", "-o", ""}, "--output needs a file name, or - for standard output"},
        {{"--y4m", "-o", "x", "--frobnicate"}, "unknown option --frobnicate"},
        {{"--y4m", "-o", "x", "--", "y"}, "unexpected argument \"y\" after --"},
    };
    for (const auto& r : refused) {
        EXPECT_FALSE(parse(r.args, o, error)) << r.said;
        EXPECT_NE(error.find(r.said), std::string::npos) << error;
    }
}
