// How the controls, menus and boxes draw their texts.
#include "fltk/control_text.h"

#include <FL/fl_draw.H>

namespace posix {

namespace {
constexpr int withoutSymbols = 0;
}

void drawControlText(const std::string& text, int x, int y, int width, int height, Fl_Align align,
                     Fl_Color colour) {
    fl_font(controlFont, controlFontSize);
    fl_color(colour);
    fl_draw_shortcut = 1;
    fl_draw(text.c_str(), x, y, width, height, align, nullptr, withoutSymbols);
    fl_draw_shortcut = 0;
}

std::string withoutMnemonic(const std::string& text) {
    std::string doubled;
    for (const char character : text) {
        // The drawing reads "&&" as one '&' with nothing underlined.
        if (character == '&') doubled += '&';
        doubled += character;
    }
    return doubled;
}

void measureControlText(const std::string& text, int& width, int& height) {
    fl_font(controlFont, controlFontSize);
    fl_draw_shortcut = 1;
    width = 0;
    height = 0;
    fl_measure(text.c_str(), width, height, withoutSymbols);
    fl_draw_shortcut = 0;
}

}  // namespace posix
