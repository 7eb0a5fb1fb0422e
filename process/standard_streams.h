// The three standard descriptors, made safe to rely on before anything else opens a file.
#pragma once

// Makes sure descriptors 0, 1 and 2 are open, pointing each closed one at /dev/null. A program
// started with one of them closed would otherwise hand that number to the next file it opens
// (the X connection, a texture, a video stream), and whatever is written to "standard error"
// would go into that file. Descriptors that are open are left as they are. Call it first thing
// in main, before any other thread exists. False when a closed one could not be opened.
bool openStandardDescriptors();
