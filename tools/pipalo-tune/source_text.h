// Reading another program's text format: a position in the text, the small steps
// every grammar takes, and errors that name the line and column.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

struct SourceText {
    std::string_view text;
    std::size_t position = 0;
    std::size_t end = std::string_view::npos;  // where this part of the text stops
};

bool atEnd(const SourceText& source);
// The character at the position, or NUL at the end.
char peek(const SourceText& source, std::size_t ahead = 0);
char take(SourceText& source);
// Takes the character when it is there, in either case.
bool takeIf(SourceText& source, char wanted);
void skipSpaces(SourceText& source);
// A letter, digit or "_": what names of variables and functions are made of.
bool isNameCharacter(char character);
// Decimal digits at the position; empty when there are none. A value too large for
// any format reads as the largest, so that the caller refuses it.
std::optional<unsigned> takeNumber(SourceText& source);
// Digits with an optional fraction, as beep and sleep take them.
std::optional<double> takeDecimal(SourceText& source);

// "line 3, column 7" of an offset into the text.
std::string placeOf(std::string_view text, std::size_t offset);
// "line 3, column 7: message" at the position.
std::string errorAt(const SourceText& source, const std::string& message);
std::string errorAt(const SourceText& source, std::size_t offset, const std::string& message);
