// The built-in "Static" class: text, a sunken status line or a picture.
#include "controls.h"
#include "display.h"
#include "images.h"

namespace posix {

LRESULT CALLBACK staticProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowRecord* record = findWindow(window);
    switch (message) {
    case STM_SETIMAGE: {
        if (wParam != IMAGE_BITMAP) return 0;
        const HANDLE previous = record->image;
        record->image = reinterpret_cast<HANDLE>(lParam);
        // A picture control takes the size of its bitmap.
        const Picture* picture = bitmapFromHandle(record->image);
        display().windowBitmapChanged(window, picture);
        if ((record->style & SS_TYPEMASK) == SS_BITMAP && picture) {
            record->width = picture->width;
            record->height = picture->height;
            display().windowMoved(window, record->x, record->y, record->width, record->height);
        }
        return reinterpret_cast<LRESULT>(previous);
    }
    case STM_GETIMAGE:
        return reinterpret_cast<LRESULT>(record->image);
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace posix
