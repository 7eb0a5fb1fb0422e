#include "process/heap_tuning.h"

#include <malloc.h>

void keepFrameBuffersInHeap() {
    constexpr int mapThreshold = 32 * 1024 * 1024;  // the largest value the C library accepts
    mallopt(M_MMAP_THRESHOLD, mapThreshold);
    mallopt(M_TRIM_THRESHOLD, 4 * mapThreshold);
}
