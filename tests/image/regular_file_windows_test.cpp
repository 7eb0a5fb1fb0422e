#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "image/regular_file.h"
#include "tests/assets/scratch_dir.h"

// On Windows the show's input files are refused when the name is a folder or a device (NUL
// opens as a file would, and reads nothing); a regular file opens and reads from its start.
TEST(RegularFileWindows, OnlyARegularFileOpens) {
    ScratchDir dir;
    EXPECT_EQ(openRegularFile(dir.path.string().c_str()), nullptr);
    EXPECT_EQ(openRegularFile("NUL"), nullptr);
    EXPECT_EQ(openRegularFile((dir.path / "missing").string().c_str()), nullptr);

    const std::string plain = (dir.path / "plain").string();
    std::FILE* written = std::fopen(plain.c_str(), "wb");
    ASSERT_NE(written, nullptr);
    std::fputs("BM\r\n", written);
    std::fclose(written);
    std::FILE* file = openRegularFile(plain.c_str());
    ASSERT_NE(file, nullptr);
    char bytes[5] = {};
    EXPECT_EQ(std::fread(bytes, 1, 4, file), 4u);  // binary: the line end stays two bytes
    EXPECT_EQ(std::string(bytes), "BM\r\n");
    std::fclose(file);
}
