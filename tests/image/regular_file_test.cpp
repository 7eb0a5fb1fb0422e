#include "image/regular_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "image/bitmap.h"
#include "tests/assets/scratch_dir.h"

// The show's texture is read only from a regular file: a FIFO that nobody writes to, a
// directory or a device gives plain cubes at once instead of a show that never starts.
TEST(RegularFile, OnlyARegularFileOpensAndNothingWaits) {
    ScratchDir dir;
    const std::string fifo = (dir.path / "fifo").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(openRegularFile(fifo.c_str()), nullptr);
    EXPECT_EQ(openRegularFile(dir.path.c_str()), nullptr);
    EXPECT_EQ(openRegularFile("/dev/null"), nullptr);
    EXPECT_EQ(openRegularFile((dir.path / "missing").c_str()), nullptr);

    const std::string plain = (dir.path / "plain").string();
    std::FILE* written = std::fopen(plain.c_str(), "wb");
    ASSERT_NE(written, nullptr);
    std::fputs("BM", written);
    std::fclose(written);
    const std::string link = (dir.path / "link").string();
    ASSERT_EQ(symlink(plain.c_str(), link.c_str()), 0);
    for (const std::string& name : {plain, link}) {
        std::FILE* file = openRegularFile(name.c_str());
        ASSERT_NE(file, nullptr) << name;
        char bytes[3] = {};
        EXPECT_EQ(std::fread(bytes, 1, 2, file), 2u);  // reads block as usual again
        EXPECT_EQ(std::string(bytes), "BM");
        std::fclose(file);
    }
}

TEST(RegularFile, AFifoNamedSkinBmpGivesNoTexture) {
    ScratchDir dir;
    ASSERT_EQ(mkfifo((dir.path / "skin.bmp").c_str(), 0600), 0);
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(dir.path.c_str()), 0);
    BitmapImage image = {};
    EXPECT_FALSE(loadBitmap(image));
    EXPECT_EQ(image.pixels, nullptr);
    ASSERT_EQ(chdir(previous), 0);
}
