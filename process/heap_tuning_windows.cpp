// Heap settings on Windows: none. The thresholds set on Linux are glibc's; Windows' heap and
// its OpenGL drivers' own heaps reuse freed blocks without being asked.
#include "process/heap_tuning.h"

void keepFrameBuffersInHeap() {}
