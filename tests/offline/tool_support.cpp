#include "tests/offline/tool_support.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "offline/output_file.h"
#include "offline/png_file.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb/stb_image.h>

bool readPngFile(const std::string& path, Picture& picture) {
    int channels = 0;
    unsigned char* data = stbi_load(path.c_str(), &picture.width, &picture.height, &channels, 3);
    if (data == nullptr) {
        return false;
    }
    picture.rgb.assign(data, data + static_cast<std::size_t>(picture.width) * picture.height * 3);
    stbi_image_free(data);
    return true;
}

bool writePngFile(const std::string& path, const Picture& picture) {
    OutputFile output;
    std::string error;
    if (!openOutput(path, output, error)) {
        return false;
    }
    if (!writePngToOutput(output, picture.rgb.data(), picture.width, picture.height, error) ||
        !commitOutput(output, false, error)) {
        abandonOutput(output);
        return false;
    }
    return true;
}

PictureDifference comparePictures(const Picture& expected, const Picture& actual, int tolerance) {
    PictureDifference d;
    d.map = expected;
    for (std::size_t i = 0; i + 2 < expected.rgb.size() && i + 2 < actual.rgb.size(); i += 3) {
        int worst = 0;
        for (int c = 0; c < 3; ++c) {
            worst = std::max(worst, std::abs(expected.rgb[i + c] - actual.rgb[i + c]));
        }
        d.largestChannelDifference = std::max(d.largestChannelDifference, worst);
        const bool differs = worst > tolerance;
        d.differingPixels += differs ? 1 : 0;
        const auto grey =
            static_cast<uint8_t>((expected.rgb[i] + expected.rgb[i + 1] + expected.rgb[i + 2]) / 9);
        d.map.rgb[i] = differs ? 255 : grey;
        d.map.rgb[i + 1] = differs ? 0 : grey;
        d.map.rgb[i + 2] = differs ? 0 : grey;
    }
    return d;
}

const char* toolPath() {
    return PP_RENDER;
}

std::string toolCommand(const std::vector<std::string>& args) {
    // Arguments are quoted for the shell; the tests pass none with a quote in it.
    std::string command = "'" PP_RENDER "'";
    for (const std::string& a : args) {
        command += " '" + a + "'";
    }
    return command;
}

ToolRun runShell(const std::string& line) {
    const std::string errPath = "pp-render-test-stderr-" + std::to_string(getpid()) + ".txt";
    std::FILE* pipe = popen(("( " + line + " ) 2>" + errPath).c_str(), "r");
    ToolRun run;
    if (pipe == nullptr) {
        return run;
    }
    char buffer[65536];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        run.out.append(buffer, n);
    }
    const int status = pclose(pipe);
    run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream err(errPath, std::ios::binary);
    run.err.assign(std::istreambuf_iterator<char>(err), std::istreambuf_iterator<char>());
    std::remove(errPath.c_str());
    return run;
}

const char* const noRendererEnvironment =
    "__EGL_VENDOR_LIBRARY_FILENAMES=/nonexistent/pp-render-test-egl-vendor.json";

ToolRun runTool(const std::vector<std::string>& args, bool withRenderer) {
    return runShell((withRenderer ? "" : std::string(noRendererEnvironment) + " ") +
                    toolCommand(args));
}

bool waitUntil(const std::function<bool()>& condition) {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < giveUp) {
        if (condition()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

bool waitForTemporary(const std::string& dir, const std::string& name, std::size_t bytes) {
    const std::string prefix = "." + name + ".";
    return waitUntil([&] {
        for (const auto& entry : std::filesystem::directory_iterator(dir)) {
            std::error_code ignored;
            if (entry.path().filename().string().rfind(prefix, 0) == 0 &&
                std::filesystem::file_size(entry.path(), ignored) >= bytes) {
                return true;
            }
        }
        return false;
    });
}

std::string makeScratchDirectory(const std::string& prefix) {
    std::string name = prefix + "-XXXXXX";
    return mkdtemp(name.data()) != nullptr ? name : "";
}

std::set<std::string> directoryEntries(const std::string& directory) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(directory)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

std::string fileContents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
