// Heap settings for a renderer that allocates and frees the same large buffers every frame.
#pragma once

// Keeps large blocks in the heap instead of mapping and unmapping them on every allocation.
// Mesa's software renderer takes fresh multi-megabyte buffers for each frame; with the C
// library's default thresholds each one is a new mapping whose pages fault in again, which
// cost more than a third of a finale frame's main-thread time.
void keepFrameBuffersInHeap();
