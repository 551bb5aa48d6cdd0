// How the controls, menus and boxes draw their texts.
#include "fltk/control_text.h"

#include <FL/fl_draw.H>

#include <cctype>

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

std::string withAmpersandsDoubled(const std::string& text) {
    std::string doubled;
    for (const char character : text) {
        // The drawing reads "&&" as one '&' with nothing underlined.
        if (character == '&') doubled += '&';
        doubled += character;
    }
    return doubled;
}

int mnemonicOf(const std::string& label) {
    for (std::size_t at = 0; at + 1 < label.size(); ++at) {
        if (label[at] != '&') continue;
        if (label[at + 1] != '&') return std::tolower(static_cast<unsigned char>(label[at + 1]));
        ++at;
    }
    return 0;
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
