// A YUV4MPEG2 stream: each picture converted and written on the picture queue's thread, beside
// the drawing of the next one.
#include "offline/picture_queue.h"
#include "offline/render_output.h"
#include "offline/y4m_stream.h"

namespace {

// What the writing thread holds while it runs.
struct Y4mWriter {
    OutputFile* file = nullptr;
    int width = 0;
    int height = 0;
    int fps = 0;
    bool wroteHeader = false;
    std::vector<uint8_t> frameBytes;
    std::string error;              // why a write failed
    PictureQueue* queue = nullptr;  // null once finished

    Y4mWriter() = default;
    Y4mWriter(const Y4mWriter&) = delete;
    Y4mWriter& operator=(const Y4mWriter&) = delete;
    // The thread ends before what it writes with goes away.
    ~Y4mWriter() {
        if (queue != nullptr) {
            finishPictureQueue(queue);
        }
    }
};

// The writing thread's work for each frame: the header before the first, the conversion, the
// write. False once a write has failed, so that the stream ends after a whole frame.
bool writeY4mFrame(void* context, const std::vector<uint8_t>& rgb) {
    auto& writer = *static_cast<Y4mWriter*>(context);
    if (!writer.wroteHeader) {
        const std::string header = y4mHeader(writer.width, writer.height, writer.fps);
        if (!writeOutput(*writer.file, header.data(), header.size(), writer.error)) {
            return false;
        }
        writer.wroteHeader = true;
    }
    writer.frameBytes.clear();
    appendY4mFrame(rgb.data(), writer.width, writer.height, writer.frameBytes);
    return writeOutput(*writer.file, writer.frameBytes.data(), writer.frameBytes.size(),
                       writer.error);
}

bool queueY4mFrame(void* context, const std::vector<uint8_t>& rgb) {
    return queuePicture(static_cast<Y4mWriter*>(context)->queue, rgb);
}

// Every frame handed over is written, or the writer's error says why not.
bool finishY4mStream(void* context, std::string& error) {
    auto& writer = *static_cast<Y4mWriter*>(context);
    if (writer.queue != nullptr) {
        finishPictureQueue(writer.queue);
        writer.queue = nullptr;
    }
    error = writer.error;
    return writer.error.empty();
}

void stopY4mStream(void* context) {
    std::string ignored;
    finishY4mStream(context, ignored);
}

}  // namespace

bool openY4mOutput(const RenderOptions& options, OutputFile& file, RenderOutput& output,
                   std::string&) {
    auto* writer = new Y4mWriter;
    writer->file = &file;
    writer->width = options.width;
    writer->height = options.height;
    writer->fps = options.fps;
    writer->queue = startPictureQueue(writeY4mFrame, writer);
    output = {ownContext(writer), queueY4mFrame, finishY4mStream, stopY4mStream};
    return true;
}
