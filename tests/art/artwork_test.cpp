// The committed artwork, read back as the program's resources will hold it:
// the panel's picture (bitmap 201) and its drawings for the other display
// scales (PNG resources 211 to 214), the caption help button (bitmaps 902 and
// 903) and the icon (128). Every picture is checked against the placement of
// the controls at its scale, so that each white field lies exactly under its
// control.

#include "panel/panel_fields.h"
#include "panel/panel_layout.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
    bool operator!=(const Rgb& o) const { return !(*this == o); }
    bool operator<(const Rgb& o) const { return std::tie(r, g, b) < std::tie(o.r, o.g, o.b); }
};

std::ostream& operator<<(std::ostream& out, const Rgb& c) {
    return out << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

const Rgb kBlack{0, 0, 0};
const Rgb kLightGrey{192, 192, 192};
const Rgb kWhite{255, 255, 255};

// The standard 16-colour palette of Windows.
const std::set<Rgb> kStandardColours = {
    {0, 0, 0},     {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128}, {128, 0, 128},
    {0, 128, 128}, {192, 192, 192}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0}, {255, 255, 0},
    {0, 0, 255},   {255, 0, 255},   {0, 255, 255},   {255, 255, 255},
};

// A decoded palette image: pixel (x, y) counted from the top-left corner.
struct Image {
    int width = 0;
    int height = 0;
    int bitCount = 0;
    std::vector<Rgb> palette;
    std::vector<int> indices;       // width * height palette indices, top row first
    std::vector<bool> transparent;  // icons only: the AND mask, same layout

    Rgb At(int x, int y) const { return palette[indices[static_cast<size_t>(y) * width + x]]; }
    bool Transparent(int x, int y) const { return transparent[static_cast<size_t>(y) * width + x]; }
};

// Little-endian reads that fail, rather than read past the end, on short data.
class Reader {
public:
    explicit Reader(const Bytes& bytes) : bytes_(bytes) {}

    bool Has(size_t offset, size_t count) const {
        return offset <= bytes_.size() && count <= bytes_.size() - offset;
    }
    bool U8(size_t offset, uint32_t& v) const { return Read(offset, 1, v); }
    bool U16(size_t offset, uint32_t& v) const { return Read(offset, 2, v); }
    bool U32(size_t offset, uint32_t& v) const { return Read(offset, 4, v); }
    bool S32(size_t offset, int32_t& v) const {
        uint32_t u;
        if (!U32(offset, u)) return false;
        v = static_cast<int32_t>(u);
        return true;
    }
    unsigned char At(size_t offset) const { return bytes_[offset]; }

private:
    bool Read(size_t offset, size_t count, uint32_t& v) const {
        if (!Has(offset, count)) return false;
        v = 0;
        for (size_t i = 0; i < count; ++i) v |= static_cast<uint32_t>(bytes_[offset + i]) << (8 * i);
        return true;
    }

    const Bytes& bytes_;
};

// Decodes a BITMAPINFOHEADER image of 1, 4 or 8 bits per pixel at `offset`.
// Bitmap files give the offset of their pixels; icon images have them right
// after the palette, followed by the 1-bit AND mask, and count twice their
// height in the header. Returns an empty text on success, else what is wrong.
std::string DecodeDib(const Reader& in, size_t offset, size_t pixelOffset, bool icon, Image& out) {
    uint32_t headerSize, planes, bitCount, compression, coloursUsed;
    int32_t width, height;
    if (!in.U32(offset, headerSize) || !in.S32(offset + 4, width) || !in.S32(offset + 8, height) ||
        !in.U16(offset + 12, planes) || !in.U16(offset + 14, bitCount) || !in.U32(offset + 16, compression) ||
        !in.U32(offset + 32, coloursUsed)) {
        return "truncated header";
    }
    if (headerSize < 40) return "header smaller than BITMAPINFOHEADER";
    if (planes != 1) return "planes is not 1";
    if (compression != 0) return "compressed";
    if (bitCount != 1 && bitCount != 4 && bitCount != 8) return "not a palette image";
    if (width <= 0 || width > 4096) return "bad width";
    bool topDown = height < 0;
    int64_t rows = topDown ? -static_cast<int64_t>(height) : height;
    if (icon) {
        if (topDown || rows % 2 != 0) return "icon height is not twice the image height";
        rows /= 2;
    }
    if (rows <= 0 || rows > 4096) return "bad height";
    uint32_t entries = coloursUsed != 0 ? coloursUsed : (1u << bitCount);
    if (entries > (1u << bitCount)) return "more palette entries than the bit count allows";

    size_t paletteOffset = offset + headerSize;
    if (!in.Has(paletteOffset, 4 * static_cast<size_t>(entries))) return "truncated palette";
    out.palette.clear();
    for (uint32_t i = 0; i < entries; ++i) {
        size_t p = paletteOffset + 4 * i;
        out.palette.push_back({in.At(p + 2), in.At(p + 1), in.At(p)});
    }
    if (icon) pixelOffset = paletteOffset + 4 * static_cast<size_t>(entries);

    out.width = width;
    out.height = static_cast<int>(rows);
    out.bitCount = static_cast<int>(bitCount);
    size_t stride = (static_cast<size_t>(width) * bitCount + 31) / 32 * 4;
    if (!in.Has(pixelOffset, stride * out.height)) return "truncated pixels";
    out.indices.assign(static_cast<size_t>(width) * out.height, 0);
    for (int y = 0; y < out.height; ++y) {
        size_t row = pixelOffset + stride * static_cast<size_t>(topDown ? y : out.height - 1 - y);
        for (int x = 0; x < width; ++x) {
            size_t bit = static_cast<size_t>(x) * bitCount;
            int byte = in.At(row + bit / 8);
            int index = (byte >> (8 - bitCount - bit % 8)) & ((1 << bitCount) - 1);
            if (static_cast<uint32_t>(index) >= entries) return "pixel outside the palette";
            out.indices[static_cast<size_t>(y) * width + x] = index;
        }
    }
    out.transparent.assign(static_cast<size_t>(width) * out.height, false);
    if (icon) {
        size_t maskOffset = pixelOffset + stride * out.height;
        size_t maskStride = (static_cast<size_t>(width) + 31) / 32 * 4;
        if (!in.Has(maskOffset, maskStride * out.height)) return "truncated AND mask";
        for (int y = 0; y < out.height; ++y) {
            size_t row = maskOffset + maskStride * static_cast<size_t>(out.height - 1 - y);
            for (int x = 0; x < width; ++x) {
                out.transparent[static_cast<size_t>(y) * width + x] = (in.At(row + x / 8) >> (7 - x % 8)) & 1;
            }
        }
    }
    return "";
}

std::string DecodeBitmapFile(const Bytes& bytes, Image& out) {
    Reader in(bytes);
    uint32_t b, m, pixelOffset;
    if (!in.U8(0, b) || !in.U8(1, m) || b != 'B' || m != 'M') return "not a bitmap file";
    if (!in.U32(10, pixelOffset)) return "truncated file header";
    return DecodeDib(in, 14, pixelOffset, false, out);
}

struct IconEntry {
    int width, height, colourCount, bitCount;
    Image image;
};

std::string DecodeIconFile(const Bytes& bytes, std::vector<IconEntry>& out) {
    Reader in(bytes);
    uint32_t reserved, type, count;
    if (!in.U16(0, reserved) || !in.U16(2, type) || !in.U16(4, count)) return "truncated icon directory";
    if (reserved != 0 || type != 1) return "not an icon file";
    out.clear();
    for (uint32_t i = 0; i < count; ++i) {
        size_t e = 6 + 16 * static_cast<size_t>(i);
        uint32_t width, height, colours, bitCount, size, offset;
        if (!in.U8(e, width) || !in.U8(e + 1, height) || !in.U8(e + 2, colours) || !in.U16(e + 6, bitCount) ||
            !in.U32(e + 8, size) || !in.U32(e + 12, offset)) {
            return "truncated icon entry";
        }
        if (!in.Has(offset, size)) return "icon image outside the file";
        if (in.Has(offset, 4) && in.At(offset) == 0x89 && in.At(offset + 1) == 'P') return "PNG icon image";
        IconEntry entry{width == 0 ? 256 : static_cast<int>(width),
                        height == 0 ? 256 : static_cast<int>(height),
                        static_cast<int>(colours),
                        static_cast<int>(bitCount),
                        {}};
        // The image must lie inside its own entry's bytes.
        Bytes own(bytes.begin() + offset, bytes.begin() + offset + size);
        std::string error = DecodeDib(Reader(own), 0, 0, true, entry.image);
        if (!error.empty()) return "icon image " + std::to_string(i) + ": " + error;
        out.push_back(entry);
    }
    return "";
}

// Decodes a PNG of 4-bit palette indices (colour type 3, no interlace), with
// any of the row filters. Returns an empty text on success, else what is wrong.
std::string DecodePalettePng(const Bytes& bytes, Image& out) {
    static const unsigned char kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (bytes.size() < 8 || !std::equal(std::begin(kSignature), std::end(kSignature), bytes.begin())) {
        return "not a PNG file";
    }
    auto big32 = [&](size_t p) {
        return static_cast<uint32_t>(bytes[p]) << 24 | static_cast<uint32_t>(bytes[p + 1]) << 16 |
               static_cast<uint32_t>(bytes[p + 2]) << 8 | bytes[p + 3];
    };
    bool header = false, end = false;
    Bytes compressed;
    out.palette.clear();
    for (size_t p = 8; !end;) {
        if (bytes.size() - p < 12) return "truncated chunk";
        uint32_t length = big32(p);
        if (length > bytes.size() - p - 12) return "truncated chunk";
        std::string kind(bytes.begin() + p + 4, bytes.begin() + p + 8);
        size_t body = p + 8;
        if (kind == "IHDR") {
            if (length != 13) return "bad header";
            out.width = static_cast<int>(big32(body));
            out.height = static_cast<int>(big32(body + 4));
            out.bitCount = bytes[body + 8];
            if (bytes[body + 9] != 3) return "not a palette image";
            if (bytes[body + 12] != 0) return "interlaced";
            header = true;
        } else if (kind == "PLTE") {
            for (uint32_t i = 0; i + 3 <= length; i += 3) {
                out.palette.push_back({bytes[body + i], bytes[body + i + 1], bytes[body + i + 2]});
            }
        } else if (kind == "IDAT") {
            compressed.insert(compressed.end(), bytes.begin() + body, bytes.begin() + body + length);
        } else if (kind == "IEND") {
            end = true;
        }
        p = body + length + 4;
    }
    if (!header) return "no header";
    if (out.bitCount != 4) return "not 4 bits per pixel";
    if (out.width <= 0 || out.width > 4096 || out.height <= 0 || out.height > 4096) return "bad size";
    if (out.palette.empty() || out.palette.size() > 16) return "bad palette";
    const size_t stride = (static_cast<size_t>(out.width) + 1) / 2;
    Bytes raw((stride + 1) * out.height + 1);
    uLongf rawSize = static_cast<uLongf>(raw.size());
    if (uncompress(raw.data(), &rawSize, compressed.data(), static_cast<uLong>(compressed.size())) != Z_OK) {
        return "bad compressed data";
    }
    if (rawSize != (stride + 1) * out.height) return "pixel data of the wrong size";
    // Row filters work on whole bytes, each byte's left neighbour one byte back.
    Bytes previous(stride, 0), line(stride);
    out.indices.assign(static_cast<size_t>(out.width) * out.height, 0);
    for (int y = 0; y < out.height; ++y) {
        const unsigned char* row = &raw[y * (stride + 1)];
        for (size_t i = 0; i < stride; ++i) {
            int a = i > 0 ? line[i - 1] : 0, b = previous[i], c = i > 0 ? previous[i - 1] : 0;
            int predictor = 0;
            switch (row[0]) {
            case 0:
                break;
            case 1:
                predictor = a;
                break;
            case 2:
                predictor = b;
                break;
            case 3:
                predictor = (a + b) / 2;
                break;
            case 4: {
                int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
                predictor = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
                break;
            }
            default:
                return "unknown row filter";
            }
            line[i] = static_cast<unsigned char>(row[1 + i] + predictor);
        }
        for (int x = 0; x < out.width; ++x) {
            int index = (line[x / 2] >> (x % 2 == 0 ? 4 : 0)) & 15;
            if (static_cast<size_t>(index) >= out.palette.size()) return "pixel outside the palette";
            out.indices[static_cast<size_t>(y) * out.width + x] = index;
        }
        previous = line;
    }
    out.transparent.assign(out.indices.size(), false);
    return "";
}

Bytes ReadResource(const std::string& name) {
    std::ifstream file(std::string(TESMOR_RES_DIR) + "/" + name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Reads and decodes a committed picture, a bitmap or the 4-bit PNG of a
// drawing by its name; fails the test if it cannot.
Image LoadPicture(const std::string& name) {
    Bytes bytes = ReadResource(name);
    Image image;
    EXPECT_FALSE(bytes.empty()) << name << " is missing or empty";
    const bool png = name.size() > 4 && name.compare(name.size() - 4, 4, ".png") == 0;
    std::string error = png ? DecodePalettePng(bytes, image) : DecodeBitmapFile(bytes, image);
    EXPECT_EQ(error, "") << name;
    return image;
}

std::set<Rgb> ColoursOf(const Image& image) {
    std::set<Rgb> colours;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) colours.insert(image.At(x, y));
    return colours;
}

void ExpectStandardPalette(const Image& image, const std::string& name) {
    EXPECT_LE(image.palette.size(), 16u) << name;
    for (const Rgb& c : image.palette)
        EXPECT_EQ(kStandardColours.count(c), 1u) << name << ": palette colour " << c;
}

// ---- The panel's picture ------------------------------------------------------------------------

TEST(ArtworkApparatus, IsA16ColourBitmapOfThePanelsSize) {
    Image picture = LoadPicture("apparatus.bmp");
    EXPECT_EQ(picture.width, 645);
    EXPECT_EQ(picture.height, 571);
    EXPECT_EQ(picture.width, kPictureWidth);
    EXPECT_EQ(picture.height, kPictureHeight);
    EXPECT_EQ(picture.bitCount, 4);
    ExpectStandardPalette(picture, "apparatus.bmp");
    // A drawing, not an empty page: the labels, outlines and the cyan boxes are there.
    std::set<Rgb> colours = ColoursOf(picture);
    EXPECT_EQ(colours.count(kBlack), 1u);
    EXPECT_EQ(colours.count(kWhite), 1u);
    EXPECT_EQ(colours.count(Rgb{0, 255, 255}), 1u);
}

// Inside each control's rectangle at dpi the picture is white, and on the
// rectangle's edge it is not: the field is neither smaller nor larger.
void ExpectEachWhiteFieldExactlyUnderItsControl(const Image& picture, int dpi) {
    for (const Placement& placement : kPicturePlacements) {
        const PixelRect r = ScaleToDpi(placement.rect, dpi);
        SCOPED_TRACE(testing::Message() << "control " << placement.id << " at (" << r.left << ", " << r.top
                                        << ", " << r.right << ", " << r.bottom << ") at " << dpi << " DPI");
        ASSERT_TRUE(0 <= r.left && r.left + 2 < r.right && r.right <= picture.width);
        ASSERT_TRUE(0 <= r.top && r.top + 2 < r.bottom && r.bottom <= picture.height);
        int wrongInside = 0, whiteBorder = 0;
        std::string first;
        for (int y = r.top; y < r.bottom; ++y) {
            for (int x = r.left; x < r.right; ++x) {
                bool border = x == r.left || x == r.right - 1 || y == r.top || y == r.bottom - 1;
                Rgb colour = picture.At(x, y);
                if (border == (colour == kWhite)) {
                    (border ? whiteBorder : wrongInside)++;
                    if (first.empty()) {
                        std::ostringstream text;
                        text << "first at (" << x << ", " << y << "): " << colour;
                        first = text.str();
                    }
                }
            }
        }
        EXPECT_EQ(wrongInside, 0) << "pixels inside that are not white; " << first;
        EXPECT_EQ(whiteBorder, 0) << "white pixels on the border; " << first;
    }
}

TEST(ArtworkApparatus, EachWhiteFieldLiesExactlyUnderItsControl) {
    Image picture = LoadPicture("apparatus.bmp");
    ASSERT_EQ(picture.width, kPictureWidth);
    ASSERT_EQ(picture.height, kPictureHeight);
    ExpectEachWhiteFieldExactlyUnderItsControl(picture, kLayoutDpi);
}

// ---- The panel's picture at the other display scales ---------------------------------------------

struct ScaledPicture {
    int dpi;
    const char* file;
};
const ScaledPicture kScaledPictures[] = {{120, "apparatus-125.png"},
                                         {144, "apparatus-150.png"},
                                         {168, "apparatus-175.png"},
                                         {192, "apparatus-200.png"}};

TEST(ArtworkApparatusScaled, TheProgramHasADrawingForEachScaleItNames) {
    std::set<int> named;
    for (const PictureScale& scale : kPictureScales) named.insert(scale.dpi);
    std::set<int> drawn = {kLayoutDpi};
    for (const ScaledPicture& scaled : kScaledPictures) drawn.insert(scaled.dpi);
    EXPECT_EQ(named, drawn);
    EXPECT_EQ(NearestPictureScale(96).bitmapId, IDB_APPARATUS);
    EXPECT_EQ(NearestPictureScale(144).bitmapId, IDB_APPARATUS_150);
    EXPECT_EQ(NearestPictureScale(132).bitmapId, IDB_APPARATUS_150);  // halfway: the larger
    EXPECT_EQ(NearestPictureScale(240).bitmapId, IDB_APPARATUS_200);
    EXPECT_EQ(NearestPictureScale(72).bitmapId, IDB_APPARATUS);
}

TEST(ArtworkApparatusScaled, EachIsA16ColourPictureOfTheScaledSize) {
    for (const ScaledPicture& scaled : kScaledPictures) {
        SCOPED_TRACE(scaled.file);
        Image picture = LoadPicture(scaled.file);
        EXPECT_EQ(picture.width, ScaleToDpi(kPictureWidth, scaled.dpi));
        EXPECT_EQ(picture.height, ScaleToDpi(kPictureHeight, scaled.dpi));
        ExpectStandardPalette(picture, scaled.file);
        std::set<Rgb> colours = ColoursOf(picture);
        EXPECT_EQ(colours.count(kBlack), 1u);
        EXPECT_EQ(colours.count(kWhite), 1u);
        EXPECT_EQ(colours.count(Rgb{0, 255, 255}), 1u);
    }
    EXPECT_EQ(ScaleToDpi(kPictureWidth, 144), 968);
    EXPECT_EQ(ScaleToDpi(kPictureHeight, 144), 857);
}

TEST(ArtworkApparatusScaled, EachWhiteFieldLiesExactlyUnderItsScaledControl) {
    for (const ScaledPicture& scaled : kScaledPictures) {
        SCOPED_TRACE(scaled.file);
        Image picture = LoadPicture(scaled.file);
        ASSERT_EQ(picture.width, ScaleToDpi(kPictureWidth, scaled.dpi));
        ASSERT_EQ(picture.height, ScaleToDpi(kPictureHeight, scaled.dpi));
        ExpectEachWhiteFieldExactlyUnderItsControl(picture, scaled.dpi);
    }
}

// The same drawing, not merely one of the right size: wherever bitmap 201 has
// a pixel amid eight of its own colour, the scaled picture has that colour at
// the pixel's scaled centre. Thin lines and letters are left out: their
// pixels fall differently at each scale.
TEST(ArtworkApparatusScaled, EachShowsTheSameDrawingAsBitmap201) {
    Image original = LoadPicture("apparatus.bmp");
    ASSERT_EQ(original.width, kPictureWidth);
    ASSERT_EQ(original.height, kPictureHeight);
    for (const ScaledPicture& scaled : kScaledPictures) {
        SCOPED_TRACE(scaled.file);
        Image picture = LoadPicture(scaled.file);
        ASSERT_EQ(picture.width, ScaleToDpi(kPictureWidth, scaled.dpi));
        int compared = 0, different = 0;
        for (int y = 1; y + 1 < original.height; ++y) {
            for (int x = 1; x + 1 < original.width; ++x) {
                Rgb colour = original.At(x, y);
                bool uniform = true;
                for (int dy = -1; dy <= 1 && uniform; ++dy)
                    for (int dx = -1; dx <= 1 && uniform; ++dx)
                        uniform = original.At(x + dx, y + dy) == colour;
                if (!uniform) continue;
                int sx = (2 * x + 1) * scaled.dpi / (2 * kLayoutDpi);
                int sy = (2 * y + 1) * scaled.dpi / (2 * kLayoutDpi);
                ++compared;
                if (picture.At(sx, sy) != colour) ++different;
            }
        }
        EXPECT_GT(compared, kPictureWidth * kPictureHeight / 2);
        EXPECT_LT(different, compared / 1000) << different << " of " << compared << " pixels differ";
    }
}

// ---- The caption help button --------------------------------------------------------------------

TEST(ArtworkHelpButton, BothImagesAreBlackOnLightGrey) {
    for (const char* name : {"help-button.bmp", "help-button-pressed.bmp"}) {
        SCOPED_TRACE(name);
        Image image = LoadPicture(name);
        EXPECT_EQ(image.width, 32);
        EXPECT_EQ(image.height, 28);
        EXPECT_EQ(image.bitCount, 4);
        ExpectStandardPalette(image, name);
        // Only the glyph and the face colour, which the loader maps to the
        // system's button face; nothing else would survive that mapping.
        EXPECT_EQ(ColoursOf(image), (std::set<Rgb>{kBlack, kLightGrey}));
    }
}

TEST(ArtworkHelpButton, PressedImageIsTheGlyphMovedTwoPixelsRightAndDown) {
    Image normal = LoadPicture("help-button.bmp");
    Image pressed = LoadPicture("help-button-pressed.bmp");
    ASSERT_EQ(normal.width, 32);
    ASSERT_EQ(normal.height, 28);
    ASSERT_EQ(pressed.width, 32);
    ASSERT_EQ(pressed.height, 28);
    int glyphPixels = 0;
    for (int y = 0; y < 28; ++y) {
        for (int x = 0; x < 32; ++x) {
            if (normal.At(x, y) == kBlack) ++glyphPixels;
            if (x >= 2 && y >= 2) {
                EXPECT_EQ(pressed.At(x, y), normal.At(x - 2, y - 2)) << "(" << x << ", " << y << ")";
            } else {
                // What the move uncovers is face colour.
                EXPECT_EQ(pressed.At(x, y), kLightGrey) << "(" << x << ", " << y << ")";
            }
            if (x >= 30 || y >= 26) {
                // Nothing of the glyph is pushed out of the pressed image.
                EXPECT_EQ(normal.At(x, y), kLightGrey) << "(" << x << ", " << y << ")";
            }
        }
    }
    EXPECT_GT(glyphPixels, 40);
}

// ---- The icon -----------------------------------------------------------------------------------

TEST(ArtworkIcon, HoldsA32And16PixelImageOf16ColoursEach) {
    Bytes bytes = ReadResource("tesmor.ico");
    ASSERT_FALSE(bytes.empty()) << "tesmor.ico is missing or empty";
    std::vector<IconEntry> entries;
    ASSERT_EQ(DecodeIconFile(bytes, entries), "");
    std::set<int> sizes;
    for (const IconEntry& e : entries) {
        SCOPED_TRACE(testing::Message() << e.width << " x " << e.height);
        sizes.insert(e.width);
        EXPECT_EQ(e.width, e.height);
        EXPECT_EQ(e.image.width, e.width);
        EXPECT_EQ(e.image.height, e.height);
        EXPECT_EQ(e.bitCount, 4);
        EXPECT_EQ(e.image.bitCount, 4);
        EXPECT_EQ(e.colourCount, 16);
        ExpectStandardPalette(e.image, "tesmor.ico");
        // The emblem covers much of the square but leaves the mask something to do.
        int opaque = 0;
        for (int y = 0; y < e.image.height; ++y)
            for (int x = 0; x < e.image.width; ++x) opaque += e.image.Transparent(x, y) ? 0 : 1;
        EXPECT_GT(opaque, e.width * e.height / 2);
        EXPECT_LT(opaque, e.width * e.height);
    }
    EXPECT_EQ(sizes, (std::set<int>{32, 16}));
    EXPECT_EQ(entries.size(), 2u);
}

// ---- The reader itself --------------------------------------------------------------------------

TEST(ArtworkReader, RejectsTruncatedFilesInsteadOfReadingPastThem) {
    Bytes bitmap = ReadResource("apparatus.bmp");
    ASSERT_GT(bitmap.size(), 200u);
    Image image;
    ASSERT_EQ(DecodeBitmapFile(bitmap, image), "");
    for (size_t keep :
         {size_t{0}, size_t{1}, size_t{13}, size_t{30}, size_t{60}, size_t{100}, bitmap.size() - 1}) {
        Bytes cut(bitmap.begin(), bitmap.begin() + keep);
        EXPECT_NE(DecodeBitmapFile(cut, image), "") << "kept " << keep << " bytes";
    }
    Bytes png = ReadResource("apparatus-150.png");
    ASSERT_GT(png.size(), 200u);
    ASSERT_EQ(DecodePalettePng(png, image), "");
    for (size_t keep :
         {size_t{0}, size_t{7}, size_t{20}, size_t{40}, size_t{100}, png.size() / 2, png.size() - 13}) {
        Bytes cut(png.begin(), png.begin() + keep);
        EXPECT_NE(DecodePalettePng(cut, image), "") << "kept " << keep << " bytes of the PNG";
    }
    Bytes icon = ReadResource("tesmor.ico");
    ASSERT_GT(icon.size(), 40u);
    std::vector<IconEntry> entries;
    for (size_t keep : {size_t{0}, size_t{5}, size_t{21}, size_t{40}, icon.size() - 1}) {
        Bytes cut(icon.begin(), icon.begin() + keep);
        EXPECT_NE(DecodeIconFile(cut, entries), "") << "kept " << keep << " bytes";
    }
}

}  // namespace
