#include "process/heap_tuning.h"

#include <malloc.h>

void keepFrameBuffersInHeap() {
    // Blocks below this come from the heap (a 1920x1080 frame's buffers are about 8 MiB each);
    // glibc takes any value here, and raising it turns off its own sliding adjustment.
    constexpr int mapThreshold = 64 << 20;
    mallopt(M_MMAP_THRESHOLD, mapThreshold);
    // Free memory at the heap's top is returned only beyond this, and the heap grows in steps of
    // M_TOP_PAD, so a frame's buffers are not given back and taken again every frame.
    mallopt(M_TRIM_THRESHOLD, 8 * mapThreshold);
    mallopt(M_TOP_PAD, mapThreshold);
}
