// LoadImageA and LoadIconA reading bitmaps and icons from the resources.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "images.h"

namespace {

HINSTANCE instance() { return GetModuleHandleA(nullptr); }

const posix::Picture* loadBitmap(WORD id) {
    return posix::bitmapFromHandle(
        LoadImageA(instance(), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
}

constexpr std::uint32_t red = 0xFFFF0000, green = 0xFF00FF00, blue = 0xFF0000FF;
constexpr std::uint32_t white = 0xFFFFFFFF, black = 0xFF000000;
constexpr std::uint32_t yellow = 0xFFFFFF00, purple = 0xFF800080, transparent = 0;

using Pixels = std::vector<std::uint32_t>;

TEST(LoadImage, ReadsAFourBitBottomUpBitmapWithPaddedRows) {
    const posix::Picture* bitmap = loadBitmap(20);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->width, 5);
    EXPECT_EQ(bitmap->height, 3);
    EXPECT_EQ(bitmap->bitsPerPixel, 4);
    EXPECT_EQ(bitmap->pixels, (Pixels{red, green, blue, red, green,      //
                                      blue, blue, blue, blue, blue,      //
                                      green, red, red, red, blue}));
}

TEST(LoadImage, ReadsATwentyFourBitTopDownBitmap) {
    const posix::Picture* bitmap = loadBitmap(21);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->width, 3);
    EXPECT_EQ(bitmap->height, 2);
    EXPECT_EQ(bitmap->bitsPerPixel, 24);
    EXPECT_EQ(bitmap->pixels,
              (Pixels{white, black, 0xFF123456, 0xFF010203, 0xFF808080, blue}));
}

TEST(LoadImage, GivesNullForWhatItCannotLoad) {
    EXPECT_EQ(loadBitmap(22), nullptr) << "compressed";
    EXPECT_EQ(loadBitmap(99), nullptr) << "missing";
    EXPECT_EQ(loadBitmap(10), nullptr) << "a menu's id";
    EXPECT_EQ(LoadImageA(instance(), MAKEINTRESOURCEA(20), 3, 0, 0, 0), nullptr)
        << "an unknown image type";
    EXPECT_EQ(LoadImageA(nullptr, MAKEINTRESOURCEA(20), IMAGE_BITMAP, 0, 0, 0), nullptr)
        << "no module";
}

TEST(LoadIcon, ReadsTheGroupsImagesInOrderWithTheirTransparency) {
    const HICON handle = LoadIconA(instance(), MAKEINTRESOURCEA(30));
    const posix::Icon* icon = posix::iconFromHandle(handle);
    ASSERT_NE(icon, nullptr);
    ASSERT_EQ(icon->images.size(), 2u);

    const posix::Picture& indexed = icon->images[0];
    EXPECT_EQ(indexed.width, 2);
    EXPECT_EQ(indexed.height, 2);
    EXPECT_EQ(indexed.bitsPerPixel, 8);
    EXPECT_EQ(indexed.pixels, (Pixels{yellow, purple, purple, transparent}));

    const posix::Picture& withAlpha = icon->images[1];
    EXPECT_EQ(withAlpha.width, 2);
    EXPECT_EQ(withAlpha.height, 1);
    EXPECT_EQ(withAlpha.bitsPerPixel, 32);
    EXPECT_EQ(withAlpha.pixels, (Pixels{0xFF302010, 0x80605040}));

    EXPECT_EQ(LoadImageA(instance(), MAKEINTRESOURCEA(30), IMAGE_ICON, 0, 0, 0), handle);
    EXPECT_EQ(posix::bitmapFromHandle(handle), nullptr);
}

TEST(LoadIcon, GivesNullForAMissingGroupOrImage) {
    EXPECT_EQ(LoadIconA(instance(), MAKEINTRESOURCEA(31)), nullptr) << "image missing";
    EXPECT_EQ(LoadIconA(instance(), MAKEINTRESOURCEA(99)), nullptr) << "group missing";
    EXPECT_EQ(LoadIconA(nullptr, MAKEINTRESOURCEA(30)), nullptr) << "no module";
    EXPECT_EQ(LoadImageA(instance(), MAKEINTRESOURCEA(20), IMAGE_ICON, 0, 0, 0), nullptr)
        << "a bitmap's id";
}

TEST(LoadImage, HandlesStayTheSameAndNameTheirKindOnly) {
    const HANDLE bitmap =
        LoadImageA(instance(), MAKEINTRESOURCEA(20), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR);
    EXPECT_EQ(LoadImageA(instance(), MAKEINTRESOURCEA(20), IMAGE_BITMAP, 0, 0, 0), bitmap);
    EXPECT_EQ(posix::iconFromHandle(static_cast<HICON>(bitmap)), nullptr);
    int other = 0;
    EXPECT_EQ(posix::bitmapFromHandle(&other), nullptr);
    EXPECT_EQ(posix::iconFromHandle(nullptr), nullptr);
}

TEST(StockImages, TheApplicationIconAndTheArrowAreDrawn) {
    const HICON application = LoadIconA(nullptr, IDI_APPLICATION);
    const HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    ASSERT_NE(application, nullptr);
    ASSERT_NE(arrow, nullptr);
    EXPECT_NE(static_cast<HICON>(arrow), application);
    for (const HICON stock : {application, static_cast<HICON>(arrow)}) {
        const posix::Icon* icon = posix::iconFromHandle(stock);
        ASSERT_NE(icon, nullptr);
        ASSERT_EQ(icon->images.size(), 1u);
        const posix::Picture& picture = icon->images[0];
        EXPECT_EQ(picture.pixels.size(), static_cast<std::size_t>(picture.width * picture.height));
        EXPECT_NE(std::count(picture.pixels.begin(), picture.pixels.end(), transparent), 0);
        EXPECT_NE(std::count(picture.pixels.begin(), picture.pixels.end(), black), 0);
    }
    EXPECT_EQ(LoadCursorA(instance(), IDC_ARROW), nullptr);
    EXPECT_EQ(LoadCursorA(nullptr, MAKEINTRESOURCEA(32513)), nullptr);
    EXPECT_EQ(LoadIconA(instance(), IDI_APPLICATION), nullptr) << "not among the resources";
}

// A BITMAPINFOHEADER and what follows it, written field by field.
struct BitmapWriter {
    std::int32_t width = 1;
    std::int32_t height = 1;
    std::uint16_t bitsPerPixel = 24;
    std::uint32_t compression = 0;
    std::uint32_t coloursUsed = 0;
    std::uint32_t headerSize = 40;
    std::uint16_t planes = 1;

    std::vector<std::uint8_t> write(const std::vector<std::uint8_t>& rest) const {
        std::vector<std::uint8_t> bytes;
        const auto put = [&](std::uint32_t value, int size) {
            for (int i = 0; i < size; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
        };
        put(headerSize, 4);
        put(static_cast<std::uint32_t>(width), 4);
        put(static_cast<std::uint32_t>(height), 4);
        put(planes, 2);
        put(bitsPerPixel, 2);
        put(compression, 4);
        for (int unused = 0; unused < 3; ++unused) put(0, 4);
        put(coloursUsed, 4);
        put(0, 4);
        bytes.insert(bytes.end(), rest.begin(), rest.end());
        return bytes;
    }
};

const std::vector<std::uint8_t> blackAndWhite = {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0};

TEST(DeviceIndependentBitmap, ReadsOneBitPixelsAcrossAByte) {
    BitmapWriter writer{.width = 9, .bitsPerPixel = 1};
    auto data = blackAndWhite;
    data.insert(data.end(), {0xB0, 0x80, 0, 0});
    const auto picture = posix::parseDeviceIndependentBitmap(writer.write(data), false);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->pixels, (Pixels{white, black, white, white, black, black, black, black,
                                       white}));
}

TEST(DeviceIndependentBitmap, ThirtyTwoBitBitmapsAreOpaqueAndIconsKeepTheirAlpha) {
    BitmapWriter writer{.width = 1, .height = 1, .bitsPerPixel = 32};
    const auto bitmap = posix::parseDeviceIndependentBitmap(writer.write({1, 2, 3, 0x40}), false);
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(bitmap->pixels, Pixels{0xFF030201});
    writer.height = 2;
    const auto icon = posix::parseDeviceIndependentBitmap(writer.write({1, 2, 3, 0x40}), true);
    ASSERT_TRUE(icon);
    EXPECT_EQ(icon->pixels, Pixels{0x40030201});
}

TEST(DeviceIndependentBitmap, RejectsMalformedData) {
    const std::vector<std::uint8_t> onePixel = {1, 2, 3, 0};
    const auto parses = [](const BitmapWriter& writer, const std::vector<std::uint8_t>& rest,
                           bool icon = false) {
        return posix::parseDeviceIndependentBitmap(writer.write(rest), icon).has_value();
    };
    EXPECT_TRUE(parses(BitmapWriter{}, onePixel));
    EXPECT_FALSE(parses(BitmapWriter{.headerSize = 12}, onePixel)) << "old core header";
    EXPECT_FALSE(parses(BitmapWriter{.headerSize = 400}, onePixel)) << "header beyond the end";
    EXPECT_FALSE(parses(BitmapWriter{.planes = 2}, onePixel)) << "two planes";
    EXPECT_FALSE(parses(BitmapWriter{.bitsPerPixel = 16}, onePixel)) << "16 bits";
    EXPECT_FALSE(parses(BitmapWriter{.compression = 3}, onePixel)) << "bit fields";
    EXPECT_FALSE(parses(BitmapWriter{.width = 0}, onePixel)) << "no width";
    EXPECT_FALSE(parses(BitmapWriter{.width = -1}, onePixel)) << "negative width";
    EXPECT_FALSE(parses(BitmapWriter{.height = 0}, onePixel)) << "no height";
    EXPECT_FALSE(parses(BitmapWriter{.height = INT32_MIN}, onePixel)) << "height without a size";
    EXPECT_FALSE(parses(BitmapWriter{.width = INT32_MAX, .height = INT32_MAX, .bitsPerPixel = 32},
                        onePixel))
        << "more pixels than the data holds";
    EXPECT_FALSE(parses(BitmapWriter{.coloursUsed = 300}, onePixel)) << "colour table too large";
    EXPECT_FALSE(parses(BitmapWriter{.bitsPerPixel = 1, .coloursUsed = 3}, onePixel))
        << "more colours than the depth can index";
    EXPECT_FALSE(parses(BitmapWriter{.bitsPerPixel = 8, .coloursUsed = 2},
                        {0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0}))
        << "index beyond the colour table";
    EXPECT_FALSE(parses(BitmapWriter{.height = 3}, onePixel, true)) << "icon of odd height";
    EXPECT_FALSE(parses(BitmapWriter{.height = -2}, onePixel, true)) << "top-down icon";
    EXPECT_FALSE(parses(BitmapWriter{.height = 2}, onePixel, true)) << "icon without its mask";

    const auto valid = BitmapWriter{.width = 9, .bitsPerPixel = 1}.write(
        {0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0xB0, 0x80, 0, 0});
    for (std::size_t cut = 0; cut < valid.size(); ++cut)
        EXPECT_FALSE(posix::parseDeviceIndependentBitmap(std::span(valid).first(cut), false))
            << "cut at " << cut;
}

}  // namespace
