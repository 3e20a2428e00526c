// Helpers of the clip tests: items compared as text (the clipboard helpers
// are in test_world.h).
#ifndef CORVANE_TEST_CLIP_SUPPORT_H
#define CORVANE_TEST_CLIP_SUPPORT_H

#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "test_world.h"

#include "clip/clipitem.h"

// Each capture and paste test starts with the mode off, no line division
// and an empty clipboard, and leaves the mode off.
class ClipboardTest : public testing::Test
{
  protected:
    void SetUp() override;
    void TearDown() override;
};

// The item's text without its terminator, widened byte by byte when ANSI.
std::wstring ItemText(const ClipItem *item);
std::wstring Widen(const char *ascii);

#endif
