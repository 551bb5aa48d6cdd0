// A tune drawn as a piano roll with cairo, into a PNG or an SVG file.
#include "tune_picture.h"

#include <cairo-svg.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string_view>

#include "output_file.h"
#include "pitch.h"

namespace {

constexpr int notesPerOctave = 12;
// The rows of Pipalo's own two octaves are always shown, so that its tunes all share
// one grid.
constexpr int doFour = 60;
constexpr int siFive = 83;

struct Note {
    double start;  // seconds
    double end;
    double pitch;  // MIDI note, with the cents as its fraction
};

struct Roll {
    std::vector<Note> notes;
    double length = 0;  // seconds
    int lowest = doFour;
    int highest = siFive;
};

// The tones one after another as the player sounds them; a record it does not sound
// takes no time.
Roll rollOf(const std::vector<TuneRecord>& records) {
    Roll roll;
    for (const TuneRecord& record : records) {
        if (!isSounded(record)) continue;
        const NearestNote nearest = nearestNote(record.frequency);
        const double end = roll.length + record.duration / 1000.0;
        roll.notes.push_back({roll.length, end, nearest.midiNote + nearest.cents / 100.0});
        roll.length = end;
        roll.lowest = std::min(roll.lowest, nearest.midiNote);
        roll.highest = std::max(roll.highest, nearest.midiNote);
    }
    return roll;
}

bool isSharp(int midiNote) {
    constexpr std::array<bool, notesPerOctave> sharp = {false, true,  false, true,  false, false,
                                                        true,  false, true,  false, true,  false};
    return sharp[static_cast<std::size_t>(midiNote % notesPerOctave)];
}

struct Colour {
    double red, green, blue;
};
constexpr Colour paper = {1, 1, 1};
constexpr Colour naturalRow = {0.96, 0.96, 0.95};
constexpr Colour sharpRow = {0.89, 0.89, 0.88};
constexpr Colour octaveLine = {0.62, 0.62, 0.60};
constexpr Colour secondLine = {0.80, 0.80, 0.78};
constexpr Colour ink = {0.20, 0.20, 0.20};
// The warm brown and orange of Pipalo's About picture.
constexpr Colour noteFill = {0.89, 0.45, 0.13};
constexpr Colour noteEdge = {0.50, 0.22, 0.05};

void use(cairo_t* cairo, Colour colour) { cairo_set_source_rgb(cairo, colour.red, colour.green, colour.blue); }

// Where the parts of the picture go, in pixels.
struct Layout {
    double size;
    double fontSize;
    double padding;
    double left, top, right, bottom;  // the roll itself
    double rowHeight;
    bool named;         // whether the rows have their names beside them
    int labelledEvery;  // a name on every row (1) or on the Do of every so many octaves
    int lowest;

    double y(double pitch) const { return bottom - (pitch - lowest + 0.5) * rowHeight; }
};

double textWidth(cairo_t* cairo, const std::string& text) {
    cairo_text_extents_t extents;
    cairo_text_extents(cairo, text.c_str(), &extents);
    return extents.x_advance;
}

Layout layoutFor(cairo_t* cairo, const Roll& roll, int size) {
    Layout layout{};
    layout.size = size;
    // Names stay readable in a small thumbnail, and in step with a large one; the tiniest
    // leave the roll most of their room.
    layout.fontSize = std::max(std::min(10.0, size / 8.0), size * 0.028);
    cairo_set_font_size(cairo, layout.fontSize);
    layout.padding = layout.fontSize * 0.5;
    double widestName = 0;
    for (int note = roll.lowest; note <= roll.highest; ++note)
        widestName = std::max(widestName, textWidth(cairo, noteName(note)));
    // In a picture too small to hold them beside the roll, the names are left out.
    layout.named = widestName + 2 * layout.padding <= size / 3.0;
    layout.left = layout.named ? widestName + 2 * layout.padding : layout.padding;
    layout.top = layout.padding;
    layout.right = size - layout.padding;
    layout.bottom = size - layout.fontSize * 1.5 - layout.padding;
    layout.lowest = roll.lowest;
    const int rows = roll.highest - roll.lowest + 1;
    layout.rowHeight = (layout.bottom - layout.top) / rows;
    const double nameHeight = layout.fontSize * 1.15;
    layout.labelledEvery = 1;
    if (layout.rowHeight < nameHeight) {
        const double octaveHeight = notesPerOctave * layout.rowHeight;
        layout.labelledEvery = notesPerOctave * std::max(1, static_cast<int>(std::ceil(nameHeight / octaveHeight)));
    }
    return layout;
}

void fillRectangle(cairo_t* cairo, Colour colour, double x, double y, double width, double height) {
    use(cairo, colour);
    cairo_rectangle(cairo, x, y, width, height);
    cairo_fill(cairo);
}

void drawLine(cairo_t* cairo, Colour colour, double width, double x0, double y0, double x1, double y1) {
    use(cairo, colour);
    cairo_set_line_width(cairo, width);
    cairo_move_to(cairo, x0, y0);
    cairo_line_to(cairo, x1, y1);
    cairo_stroke(cairo);
}

// Text with its left edge, centre or right edge (alignment 0, 0.5 or 1) at x and its
// middle at y.
void drawText(cairo_t* cairo, const std::string& text, double x, double y, double alignment) {
    cairo_font_extents_t font;
    cairo_font_extents(cairo, &font);
    use(cairo, ink);
    cairo_move_to(cairo, x - alignment * textWidth(cairo, text), y + (font.ascent - font.descent) / 2);
    cairo_show_text(cairo, text.c_str());
}

// Each row a key: the sharps darker, a line under every Do, and the names on the side.
void drawRows(cairo_t* cairo, const Layout& layout, int highest) {
    const double lineWidth = std::max(1.0, layout.size / 512);
    for (int note = layout.lowest; note <= highest; ++note) {
        const double top = layout.y(note) - layout.rowHeight / 2;
        fillRectangle(cairo, isSharp(note) ? sharpRow : naturalRow, layout.left, top, layout.right - layout.left,
                      layout.rowHeight);
        if (note % notesPerOctave == 0)
            drawLine(cairo, octaveLine, lineWidth, layout.left, top + layout.rowHeight, layout.right,
                     top + layout.rowHeight);
        const bool named = layout.labelledEvery == 1 || note % layout.labelledEvery == 0;
        if (layout.named && named) drawText(cairo, noteName(note), layout.left - layout.padding, layout.y(note), 1);
    }
}

std::string seconds(double value, int decimals) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

// The tune's length at the right end of the time axis, and steps of seconds across, as
// many as have room before it.
void drawTimeAxis(cairo_t* cairo, const Roll& roll, const Layout& layout) {
    const int lengthDecimals = roll.length >= 60 || roll.length == 0 ? 0 : roll.length >= 1 ? 1 : 2;
    const std::string length = seconds(roll.length, lengthDecimals) + " s";
    const double textMiddle = layout.bottom + layout.padding * 0.5 + layout.fontSize * 0.75;
    drawText(cairo, length, layout.right, textMiddle, 1);
    if (roll.length <= 0) return;

    const double width = layout.right - layout.left;
    const double room = textWidth(cairo, seconds(roll.length, 1)) + 2 * layout.padding;
    // The shortest step of 0.1, 0.2, 0.5, 1, 2, 5, 10 ... seconds that leaves room.
    double step = 0.1;
    for (int index = 0; step / roll.length * width < room; ++index) step *= index % 3 == 1 ? 2.5 : 2;
    const int decimals = step < 1 ? 1 : 0;
    const double lengthLeft = layout.right - textWidth(cairo, length);
    const double lineWidth = std::max(1.0, layout.size / 1024);
    for (int index = 0; index * step < roll.length; ++index) {
        const double x = layout.left + index * step / roll.length * width;
        drawLine(cairo, secondLine, lineWidth, x, layout.top, x, layout.bottom + layout.padding * 0.5);
        const std::string label = seconds(index * step, decimals);
        if (x + textWidth(cairo, label) / 2 + layout.padding < lengthLeft)
            drawText(cairo, label, x, textMiddle, index == 0 ? 0 : 0.5);
    }
}

// Notes narrower than a pixel share its column: one bar at each height there is enough,
// which bounds what the picture of even the longest tune holds.
class PixelColumn {
public:
    explicit PixelColumn(int size) : drawn(static_cast<std::size_t>(size) + 1) {}

    // Whether a bar with its top at `top` is yet to be drawn in column `x`.
    bool takes(double x, double top) {
        const long column = std::lround(std::floor(x));
        if (column != current) {
            for (const std::size_t row : rows) drawn[row] = false;
            rows.clear();
            current = column;
        }
        const std::size_t row = std::min(drawn.size() - 1, static_cast<std::size_t>(std::max(0L, std::lround(top))));
        if (drawn[row]) return false;
        drawn[row] = true;
        rows.push_back(row);
        return true;
    }

private:
    long current = -1;
    std::vector<bool> drawn;
    std::vector<std::size_t> rows;
};

void drawNotes(cairo_t* cairo, const Roll& roll, const Layout& layout) {
    if (roll.length <= 0) return;
    const double scale = (layout.right - layout.left) / roll.length;
    const double height = std::max(1.0, layout.rowHeight * 0.8);
    const double edge = std::max(0.5, layout.size / 1024);
    PixelColumn column(static_cast<int>(layout.size));
    for (const Note& note : roll.notes) {
        const double start = layout.left + note.start * scale;
        const double width = (note.end - note.start) * scale;
        const double top = layout.y(note.pitch) - height / 2;
        if (width < 1 && !column.takes(start, top)) continue;
        // A small gap tells repeated notes apart; a very short note still shows.
        const double drawn = std::max(1.0, width - std::min(width * 0.15, layout.size / 256));
        fillRectangle(cairo, noteFill, start, top, drawn, height);
        if (drawn > 3 * edge && height > 3 * edge) {
            use(cairo, noteEdge);
            cairo_set_line_width(cairo, edge);
            cairo_rectangle(cairo, start + edge / 2, top + edge / 2, drawn - edge, height - edge);
            cairo_stroke(cairo);
        }
    }
}

void draw(cairo_surface_t* surface, const Roll& roll, int size) {
    cairo_t* cairo = cairo_create(surface);
    cairo_select_font_face(cairo, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    use(cairo, paper);
    cairo_paint(cairo);
    const Layout layout = layoutFor(cairo, roll, size);
    drawRows(cairo, layout, roll.highest);
    drawTimeAxis(cairo, roll, layout);
    drawNotes(cairo, roll, layout);
    cairo_destroy(cairo);
}

// More than a picture of the largest size needs, even as a PNG of uncompressed pixels.
constexpr std::size_t largestPictureBytes = 64u << 20;

cairo_status_t appendBytes(void* picture, const unsigned char* data, unsigned int length) {
    std::string& bytes = *static_cast<std::string*>(picture);
    if (bytes.size() + length > largestPictureBytes) return CAIRO_STATUS_WRITE_ERROR;
    bytes.append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

enum class Format { png, svg };

// File managers hand thumbnailers an output name of their own, with no extension or
// another one, and read a PNG from it.
Format formatOf(const std::string& path) {
    constexpr std::string_view svg = ".svg";
    if (path.size() < svg.size()) return Format::png;
    std::string extension = path.substr(path.size() - svg.size());
    for (char& character : extension) character = static_cast<char>(std::tolower(static_cast<unsigned char>(character)));
    return extension == svg ? Format::svg : Format::png;
}

// Draws into a surface of the format that writes into `bytes`; the reason it failed,
// else empty text.
std::string drawInto(std::string& bytes, Format format, const Roll& roll, int size) {
    using Surface = std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)>;
    const Surface surface(format == Format::svg
                              ? cairo_svg_surface_create_for_stream(appendBytes, &bytes, size, size)
                              : cairo_image_surface_create(CAIRO_FORMAT_RGB24, size, size),
                          cairo_surface_destroy);
    // Sized in pixels, as the PNG is, rather than cairo's default points.
    if (format == Format::svg) cairo_svg_surface_set_document_unit(surface.get(), CAIRO_SVG_UNIT_PX);
    draw(surface.get(), roll, size);
    cairo_status_t status = cairo_surface_status(surface.get());
    if (status == CAIRO_STATUS_SUCCESS && format == Format::png)
        status = cairo_surface_write_to_png_stream(surface.get(), appendBytes, &bytes);
    cairo_surface_finish(surface.get());
    if (status == CAIRO_STATUS_SUCCESS) status = cairo_surface_status(surface.get());
    if (status == CAIRO_STATUS_WRITE_ERROR)
        return "the picture would take more than " + std::to_string(largestPictureBytes >> 20) + " MiB";
    return status == CAIRO_STATUS_SUCCESS ? std::string() : cairo_status_to_string(status);
}

}  // namespace

std::string writeTunePicture(const std::vector<TuneRecord>& records, int size, const std::string& path) {
    std::string bytes;
    const std::string reason = drawInto(bytes, formatOf(path), rollOf(records), size);
    // cairo and fontconfig keep their font caches for the life of the process; a picture is
    // drawn once, so they go with it, and a leak checker finds nothing left behind.
    cairo_debug_reset_static_data();
    FcFini();
    return reason.empty() ? writeOutput(path, bytes) : reason;
}
