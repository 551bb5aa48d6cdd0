// Stepping through a format's text, and naming a place in it by line and column.
#include "source_text.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace {

constexpr unsigned largestNumber = 1000000;

std::size_t endOf(const SourceText& source) { return std::min(source.end, source.text.size()); }

}  // namespace

bool atEnd(const SourceText& source) { return source.position >= endOf(source); }

char peek(const SourceText& source, std::size_t ahead) {
    const std::size_t at = source.position + ahead;
    return at < endOf(source) ? source.text[at] : '\0';
}

char take(SourceText& source) {
    const char character = peek(source);
    if (!atEnd(source)) ++source.position;
    return character;
}

bool takeIf(SourceText& source, char wanted) {
    if (atEnd(source) || std::tolower(static_cast<unsigned char>(peek(source))) !=
                             std::tolower(static_cast<unsigned char>(wanted)))
        return false;
    ++source.position;
    return true;
}

void skipSpaces(SourceText& source) {
    while (!atEnd(source) && std::isspace(static_cast<unsigned char>(peek(source)))) ++source.position;
}

bool isNameCharacter(char character) { return std::isalnum(static_cast<unsigned char>(character)) || character == '_'; }

std::optional<unsigned> takeNumber(SourceText& source) {
    if (!std::isdigit(static_cast<unsigned char>(peek(source)))) return std::nullopt;
    unsigned value = 0;
    while (std::isdigit(static_cast<unsigned char>(peek(source)))) {
        value = std::min(largestNumber, value * 10 + static_cast<unsigned>(take(source) - '0'));
    }
    return value;
}

std::optional<double> takeDecimal(SourceText& source) {
    const std::optional<unsigned> whole = takeNumber(source);
    double value = whole.value_or(0);
    bool digits = whole.has_value();
    if (peek(source) == '.' && std::isdigit(static_cast<unsigned char>(peek(source, 1)))) {
        take(source);
        for (double scale = 0.1; std::isdigit(static_cast<unsigned char>(peek(source))); scale /= 10)
            value += scale * (take(source) - '0');
        digits = true;
    }
    if (!digits) return std::nullopt;
    return value;
}

std::string placeOf(std::string_view text, std::size_t offset) {
    std::size_t line = 1;
    std::size_t lineStart = 0;
    for (std::size_t index = 0; index < offset && index < text.size(); ++index) {
        // Lines end in LF, CR LF or CR alone.
        if (text[index] == '\n' || (text[index] == '\r' && (index + 1 == text.size() || text[index + 1] != '\n'))) {
            ++line;
            lineStart = index + 1;
        }
    }
    return "line " + std::to_string(line) + ", column " + std::to_string(offset - lineStart + 1);
}

std::string errorAt(const SourceText& source, std::size_t offset, const std::string& message) {
    return placeOf(source.text, offset) + ": " + message;
}

std::string errorAt(const SourceText& source, const std::string& message) {
    return errorAt(source, source.position, message);
}
