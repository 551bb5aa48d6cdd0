// Where a top-level window's client area lies within the outer size that
// CreateWindowExA is given. The figures are those of Windows' standard frame
// at 96 dpi (caption, sizing border, one-line menu bar), so that controls
// placed in client coordinates sit where they would on Windows.
#pragma once

#include "internal.h"

namespace posix {

// The sizing border on each side of the window.
constexpr int sizingBorder = 4;
// The caption bar, together with the top border's upper edge.
constexpr int captionHeight = 23;
// A menu bar takes this much of the client area's top.
constexpr int menuBarHeight = 20;

struct ClientArea {
    int x;  // from the outer window's top-left corner
    int y;
    int width;
    int height;
};

// The client area of a window of that outer size: 8 px narrower and 31 px lower.
constexpr ClientArea clientAreaOf(int outerWidth, int outerHeight) {
    const int width = outerWidth - 2 * sizingBorder;
    const int height = outerHeight - 2 * sizingBorder - captionHeight;
    return {sizingBorder, sizingBorder + captionHeight, width > 0 ? width : 0, height > 0 ? height : 0};
}

}  // namespace posix
