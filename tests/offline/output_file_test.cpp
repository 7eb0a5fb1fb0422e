// Where pp-render writes: files replaced only by complete output, and nothing removed that the
// program did not create. Failing devices and FIFOs are run through the program itself in
// pp_render_output_test.cpp.
#include "offline/output_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "tests/offline/tool_support.h"

namespace {

bool put(OutputFile& output, const std::string& text, std::string& error) {
    return writeOutput(output, text.data(), text.size(), error);
}

mode_t permissions(const std::string& path) {
    struct stat st = {};
    return stat(path.c_str(), &st) == 0 ? st.st_mode & 0777 : 0;
}

}  // namespace

TEST(OutputFile, ReplacesAFileOnlyWhenComplete) {
    const std::string dir = makeScratchDirectory("output-file-test");
    ASSERT_FALSE(dir.empty());
    const std::string path = dir + "/show.y4m";
    std::ofstream(path) << "the user's file";
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);

    OutputFile output;
    std::string error;
    ASSERT_TRUE(openOutput(path, output, error)) << error;
    ASSERT_TRUE(put(output, "half a video", error)) << error;
    EXPECT_EQ(fileContents(path), "the user's file") << "written beside it, not into it";
    abandonOutput(output);
    EXPECT_EQ(fileContents(path), "the user's file");
    EXPECT_EQ(directoryEntries(dir), std::set<std::string>{"show.y4m"}) << "no temporary left";

    ASSERT_TRUE(openOutput(path, output, error)) << error;
    ASSERT_TRUE(put(output, "a whole video", error) && commitOutput(output, true, error)) << error;
    abandonOutput(output);  // after a commit: nothing left to give up
    EXPECT_EQ(fileContents(path), "a whole video");
    EXPECT_EQ(permissions(path), 0640u);
    EXPECT_EQ(directoryEntries(dir), std::set<std::string>{"show.y4m"});

    // Through a link the file behind it is replaced and the link stays a link.
    const std::string link = dir + "/latest.y4m";
    ASSERT_EQ(symlink("show.y4m", link.c_str()), 0);
    ASSERT_TRUE(openOutput(link, output, error)) << error;
    ASSERT_TRUE(put(output, "through the link", error) && commitOutput(output, false, error));
    struct stat st = {};
    ASSERT_EQ(lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(fileContents(path), "through the link");

    // A new file appears only when complete, as 0666 less the umask, also with a name near the
    // file system's limit, which leaves little room for the temporary's.
    const mode_t oldMask = umask(027);
    for (const std::string& name : {std::string("picture.png"), std::string(250, 'n')}) {
        const std::string created = dir + "/" + name;
        ASSERT_TRUE(openOutput(created, output, error)) << error;
        ASSERT_TRUE(put(output, "PNG", error)) << error;
        EXPECT_FALSE(std::filesystem::exists(created));
        ASSERT_TRUE(commitOutput(output, false, error)) << error;
        EXPECT_EQ(fileContents(created), "PNG");
        EXPECT_EQ(permissions(created), 0640u);
    }
    umask(oldMask);
    std::filesystem::remove_all(dir);
}

TEST(OutputFile, RefusesWhatItCannotWriteBeforeCreatingAnything) {
    const std::string dir = makeScratchDirectory("output-file-test");
    const std::string dangling = dir + "/dangling";
    ASSERT_EQ(symlink("nowhere/x.png", dangling.c_str()), 0);
    const struct {
        std::string path;
        std::string reason;
    } refused[] = {
        {dir, "is a directory"},
        {dir + "/", "names a directory"},
        {dir + "/missing/x.png", "No such file or directory"},
        {dangling, "link to a file that does not exist"},
        {"/dev/fd/999", "Bad file descriptor"},
    };
    for (const auto& r : refused) {
        OutputFile output;
        std::string error;
        EXPECT_FALSE(openOutput(r.path, output, error)) << r.path;
        EXPECT_NE(error.find(r.reason), std::string::npos) << r.path << ": " << error;
        EXPECT_LT(output.descriptor, 0);
    }
    EXPECT_EQ(directoryEntries(dir), std::set<std::string>{"dangling"});
    std::filesystem::remove_all(dir);
}
