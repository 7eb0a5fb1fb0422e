#include "render/shortcuts.h"

bool pixelExactShortcuts = true;
