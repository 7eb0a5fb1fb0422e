// Helpers for the pp-render tests: PNG files in and out, picture comparison, running the tool.
#pragma once
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;  // top row first
};

// Reads a PNG as RGB, and writes one. False when they cannot.
bool readPngFile(const std::string& path, Picture& picture);
bool writePngFile(const std::string& path, const Picture& picture);

struct PictureDifference {
    int differingPixels = 0;  // pixels with a channel off by more than the tolerance
    int largestChannelDifference = 0;
    Picture map;  // differing pixels red, the rest a dimmed grey copy of the expected picture
};
// Compares two pictures of the same size.
PictureDifference comparePictures(const Picture& expected, const Picture& actual, int tolerance);

struct ToolRun {
    int exitStatus = -1;  // -1 when it did not exit normally
    std::string out;
    std::string err;
};
// Runs pp-render with the arguments, its standard output and error captured. withRenderer false
// runs it where EGL offers no device at all (noRendererEnvironment), so a request it accepts
// stops at the GL context, before anything is drawn.
ToolRun runTool(const std::vector<std::string>& args, bool withRenderer = true);
// An assignment for a command line under which GLVND's EGL finds no vendor library, as on a
// machine without Mesa's or a GPU's EGL.
extern const char* const noRendererEnvironment;
// Where the pp-render program under test is.
const char* toolPath();
// pp-render and the arguments as words of a shell command line, for runShell.
std::string toolCommand(const std::vector<std::string>& args);
// Runs a shell command line (pipes, redirections, ulimit) with its standard output and error
// captured; the line's own redirections apply inside those.
ToolRun runShell(const std::string& line);

// Polls the condition until it holds, and says true; false when it has not held within a
// minute, a guard against a run that hangs, far beyond what the awaited event takes.
bool waitUntil(const std::function<bool()>& condition);
// Waits as waitUntil does for the hidden temporary that pp-render writes beside dir/name
// (".name.XXXXXX") to hold at least the given number of bytes.
bool waitForTemporary(const std::string& dir, const std::string& name, std::size_t bytes);

// A new empty directory in the working directory, its name starting with prefix; empty when it
// cannot be made. The test removes it (std::filesystem::remove_all) when done.
std::string makeScratchDirectory(const std::string& prefix);
// The names in a directory, and a file's bytes ("" when it cannot be read).
std::set<std::string> directoryEntries(const std::string& directory);
std::string fileContents(const std::string& path);
