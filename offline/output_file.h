// Where pp-render's pictures and videos go, written so that a failed or interrupted run loses
// nothing that was there before it.
//
// A regular file, or a name that does not exist yet, is written under a temporary name in the
// same directory (".NAME.XXXXXX") and renamed over the name only when the output is complete,
// so whatever the name held before survives any failure; abandoning removes the temporary and
// nothing else. Standard output ("-", /dev/stdout, /dev/fd/N), FIFOs and devices are written
// straight through and never removed or truncated.
#pragma once
#include <cstddef>
#include <string>

struct OutputFile {
    std::string name;       // as the user gave it, for messages ("standard output" for "-")
    std::string target;     // the file the temporary replaces (a link's target); empty when
                            // written straight through
    std::string temporary;  // the temporary beside target, while it exists
    int descriptor = -1;
    bool closeWhenDone = false;  // false for a descriptor the program inherited (standard output)
};

// Opens the output that path names ("-" is standard output). An existing regular file keeps
// its permission bits; a new one gets 0666 less the umask. False with a one-line reason when it
// cannot be opened: a directory, a missing directory, a link to nothing, no room for the
// temporary. Opening a FIFO waits for a reader, as any writer's open does.
bool openOutput(const std::string& path, OutputFile& output, std::string& error);

// The descriptor that path stands for when it names one the program already holds ("-",
// /dev/stdout, /dev/stderr, /dev/fd/N, /proc/self/fd/N); -1 for any other name.
int heldOutputDescriptor(const std::string& path);
// Whether writing to the descriptor writes where standard error goes (the same file, pipe or
// terminal), so that pp-render's messages would land in the output. A device that is no
// terminal (/dev/null) does not count: nothing mixes there.
bool sharesStandardError(int descriptor);

// Writes all of the bytes, going on after interruptions by signals. False with the reason
// when they cannot all be written.
bool writeOutput(OutputFile& output, const void* data, std::size_t size, std::string& error);

// Finishes the output: flushes it to the disk first when sync is set, then closes it and, for
// a temporary, renames it over the target. False with the reason when any step fails; the
// temporary is then removed and the target is as it was.
bool commitOutput(OutputFile& output, bool sync, std::string& error);

// Gives the output up: closes it and removes the temporary, if there is one. What was written
// straight through stays written. Safe to call on an output that is committed or never opened.
void abandonOutput(OutputFile& output);
