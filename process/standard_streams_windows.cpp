// The standard descriptors on Windows, where the C runtime keeps its own numbers over handles.
#include <fcntl.h>
#include <io.h>

#include "process/standard_streams.h"

bool openStandardDescriptors() {
    // The runtime reserves numbers 0 to 2 at start even when the process was given no handle
    // for one of them (started without a console, or with a stream closed), so no file opened
    // later takes their place; what is written there is lost. Pointing such a number at NUL
    // makes it an open descriptor as on Linux. _get_osfhandle gives -1, or -2 for "no console",
    // for a number without a handle.
    bool open = true;
    for (int descriptor = 0; descriptor <= 2; ++descriptor) {
        if (_get_osfhandle(descriptor) >= 0) {
            continue;
        }
        const int null = _open("NUL", _O_RDWR | _O_BINARY | _O_NOINHERIT);
        if (null < 0) {
            open = false;
            continue;
        }
        if (null != descriptor) {
            open = _dup2(null, descriptor) == 0 && open;
            _close(null);
        }
    }
    return open;
}
