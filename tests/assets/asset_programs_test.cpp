// pp-make-skin and pp-make-sound: the files they write, byte for byte, on every run.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "assets/skin_texture.h"
#include "assets/sound_track.h"
#include "tests/assets/scratch_dir.h"

namespace {

int runProgram(const std::string& commandLine) {
    const int status = std::system((commandLine + " 2>/dev/null").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string quoted(const std::filesystem::path& path) {
    return "'" + path.string() + "'";
}

TEST(AssetPrograms, WriteTheSameTextureAndSoundOnEveryRun) {
    ScratchDir dir;
    for (const char* name : {"a", "b"}) {
        const std::filesystem::path sub = dir.path / name;
        std::filesystem::create_directory(sub);
        ASSERT_EQ(runProgram(std::string(PP_MAKE_SKIN) + " " + quoted(sub / "skin.bmp")), 0);
        ASSERT_EQ(runProgram(std::string(PP_MAKE_SOUND) + " " + quoted(sub / "bla_11.wav")), 0);
    }
    const std::vector<uint8_t> skin = readWholeFile(dir.path / "a" / "skin.bmp");
    const std::vector<uint8_t> sound = readWholeFile(dir.path / "a" / "bla_11.wav");
    EXPECT_TRUE(skin == readWholeFile(dir.path / "b" / "skin.bmp"));
    EXPECT_TRUE(sound == readWholeFile(dir.path / "b" / "bla_11.wav"));
    // ...and they hold exactly what the generating functions give.
    EXPECT_TRUE(skin == encodeBitmap24(makeSkinImage()));
    EXPECT_TRUE(sound == encodeWaveMono16(makeSoundTrack(), kSoundRate));
}

TEST(AssetPrograms, FailWithoutAnOutputOrWhenItCannotBeWritten) {
    ScratchDir dir;
    const std::filesystem::path nowhere = dir.path / "missing" / "x";
    EXPECT_EQ(runProgram(PP_MAKE_SKIN), 2);
    EXPECT_EQ(runProgram(PP_MAKE_SOUND), 2);
    EXPECT_EQ(runProgram(std::string(PP_MAKE_SKIN) + " " + quoted(nowhere)), 1);
    EXPECT_EQ(runProgram(std::string(PP_MAKE_SOUND) + " " + quoted(nowhere)), 1);
}

}  // namespace
