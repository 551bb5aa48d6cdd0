// How the controls, menus and boxes draw their texts: the one font, with the
// '&' mnemonic underlined as Windows shows it, and every other character as it
// is (FLTK's labels would read '@' as the start of a symbol).
#pragma once

#include "internal.h"

#include <FL/Enumerations.H>

#include <string>

namespace posix {

constexpr Fl_Font controlFont = FL_HELVETICA;
constexpr Fl_Fontsize controlFontSize = 12;

void drawControlText(const std::string& text, int x, int y, int width, int height, Fl_Align align,
                     Fl_Color colour = FL_FOREGROUND_COLOR);

// Width and height of the text drawn on one line per line feed, the '&' marks not counted.
void measureControlText(const std::string& text, int& width, int& height);

// The text with each '&' doubled, which the two above draw and measure as it stands, each
// '&' an '&' (a message box's).
std::string withAmpersandsDoubled(const std::string& text);

// The letter after a label's '&' ("&&" is a plain '&'), in lower case as FLTK names keys;
// 0 when it has none.
int mnemonicOf(const std::string& label);

}  // namespace posix
