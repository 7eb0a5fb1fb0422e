// A thread of its own for what is done with each finished picture (converting and writing a
// Y4M frame, encoding a video frame), so that it runs beside the drawing of the next one. The
// drawing stays on the main thread; a few pictures wait in a queue between the two.
#pragma once
#include <cstdint>
#include <vector>

// Takes one picture (RGB, top row first); false when it failed, which ends the queue's work.
using PictureConsumer = bool (*)(void* context, const std::vector<uint8_t>& rgb);

struct PictureQueue;

// Starts the thread, which hands every queued picture to consume, in order.
PictureQueue* startPictureQueue(PictureConsumer consume, void* context);
// Copies the picture into the queue, first waiting while the queue is full. False once the
// consumer has failed: later pictures are not taken.
bool queuePicture(PictureQueue* queue, const std::vector<uint8_t>& rgb);
// Waits until every queued picture is consumed, ends the thread and frees the queue. False
// when the consumer failed.
bool finishPictureQueue(PictureQueue* queue);
