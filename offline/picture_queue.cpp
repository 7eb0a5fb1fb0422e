#include "offline/picture_queue.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace {

// Enough to smooth over a slow frame on either side, small enough to hold little memory
// (three 1080p pictures are 18 MB).
constexpr std::size_t queueDepth = 3;

}  // namespace

struct PictureQueue {
    PictureConsumer consume = nullptr;
    void* context = nullptr;
    std::thread worker;
    std::mutex lock;
    std::condition_variable changed;
    std::deque<std::vector<uint8_t>> waiting;
    std::vector<std::vector<uint8_t>> spare;  // consumed buffers, reused for later pictures
    bool finishing = false;
    bool failed = false;
};

namespace {

void consumeQueuedPictures(PictureQueue* queue) {
    std::unique_lock<std::mutex> held(queue->lock);
    for (;;) {
        queue->changed.wait(held, [queue] { return !queue->waiting.empty() || queue->finishing; });
        if (queue->waiting.empty()) {
            return;  // finishing, and everything is consumed
        }
        std::vector<uint8_t> rgb = std::move(queue->waiting.front());
        queue->waiting.pop_front();
        const bool skip = queue->failed;
        held.unlock();
        const bool consumed = skip || queue->consume(queue->context, rgb);
        held.lock();
        queue->failed = queue->failed || !consumed;
        queue->spare.push_back(std::move(rgb));
        queue->changed.notify_all();
    }
}

}  // namespace

PictureQueue* startPictureQueue(PictureConsumer consume, void* context) {
    auto* queue = new PictureQueue;
    queue->consume = consume;
    queue->context = context;
    queue->worker = std::thread(consumeQueuedPictures, queue);
    return queue;
}

bool queuePicture(PictureQueue* queue, const std::vector<uint8_t>& rgb) {
    std::unique_lock<std::mutex> held(queue->lock);
    queue->changed.wait(held,
                        [queue] { return queue->waiting.size() < queueDepth || queue->failed; });
    if (queue->failed) {
        return false;
    }
    std::vector<uint8_t> copy;
    if (!queue->spare.empty()) {
        copy = std::move(queue->spare.back());
        queue->spare.pop_back();
    }
    copy.assign(rgb.begin(), rgb.end());
    queue->waiting.push_back(std::move(copy));
    queue->changed.notify_all();
    return true;
}

bool finishPictureQueue(PictureQueue* queue) {
    {
        std::lock_guard<std::mutex> held(queue->lock);
        queue->finishing = true;
    }
    queue->changed.notify_all();
    queue->worker.join();
    const bool ok = !queue->failed;
    delete queue;
    return ok;
}
