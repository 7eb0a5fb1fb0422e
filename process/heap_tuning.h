// Heap settings for a renderer that allocates and frees the same large buffers every frame.
#pragma once

// Keeps freed blocks of up to 64 MiB in the heap for reuse instead of handing them back to the
// system. Mesa's software renderer takes and frees some megabytes for every frame; with the C
// library's default thresholds each such block is a fresh mapping whose pages fault in again,
// which cost more than a third of a finale frame's main-thread time in the program and several
// times the drawing itself for pp-render's small pictures. Both programs call this first.
void keepFrameBuffersInHeap();
