// Helpers of the clip tests: items compared as text (the clipboard helpers
// are in test_world.h).
#ifndef CORVANE_TEST_CLIP_SUPPORT_H
#define CORVANE_TEST_CLIP_SUPPORT_H

#include <windows.h>

#include <string>
#include <vector>

#include "test_world.h"

#include "clip/clipitem.h"

// The item's text without its terminator, widened byte by byte when ANSI.
std::wstring ItemText(const ClipItem *item);
std::wstring Widen(const char *ascii);


#endif
