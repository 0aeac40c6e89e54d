// Writes the language switch's two flag pictures as 4-bit, 20 x 20 Windows bitmap files with the
// standard 16-colour palette (358 bytes each):  make_glyphs OUTPUT_FOLDER
// The pictures are kept as letter maps so that they can be read and checked by eye.
#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int Size = 20;
using PixelMap = std::array<const char *, Size>;

// N navy, W white, R red, G green, M magenta (the see-through colour in the corners).
constexpr PixelMap BritishFlag = {
    "MWNNNNNNWRWNNNNNNWRM", "RRWNNNNNWRWNNNNNWRRW", "WRRWNNNNWRWNNNNWRRWN", "NWRRWNNNWRWNNNWRRWNN",
    "NNWRRWNNWRWNNWRRWNNN", "NNNWRRWNWRWNWRRWNNNN", "NNNNWRRWWRWWRRWNNNNN", "NNNNNWRRWRWRRWNNNNNN",
    "NNNNNNWRRRRRWNNNNNNN", "WWWWWWWWRRRWWWWWWWWW", "RRRRRRRRRRRRRRRRRRRR", "WWWWWWWRRRRRWWWWWWWW",
    "NNNNNWRRWRWRRWNNNNNN", "NNNNWRRWWRWWRRWNNNNN", "NNNWRRWNWRWNWRRWNNNN", "NNWRRWNNWRWNNWRRWNNN",
    "NWRRWNNNWRWNNNWRRWNN", "WRRWNNNNWRWNNNNWRRWN", "RRWNNNNNWRWNNNNNWRRW", "MWNNNNNNWRWNNNNNNWRM",
};

constexpr PixelMap HungarianFlag = {
    "MRRRRRRRRRRRRRRRRRRM", "RRRRRRRRRRRRRRRRRRRR", "RRRRRRRRRRRRRRRRRRRR", "RRRRRRRRRRRRRRRRRRRR",
    "RRRRRRRRRRRRRRRRRRRR", "RRRRRRRRRRRRRRRRRRRR", "RRRRRRRRRRRRRRRRRRRR", "WWWWWWWWWWWWWWWWWWWW",
    "WWWWWWWWWWWWWWWWWWWW", "WWWWWWWWWWWWWWWWWWWW", "WWWWWWWWWWWWWWWWWWWW", "WWWWWWWWWWWWWWWWWWWW",
    "WWWWWWWWWWWWWWWWWWWW", "GGGGGGGGGGGGGGGGGGGG", "GGGGGGGGGGGGGGGGGGGG", "GGGGGGGGGGGGGGGGGGGG",
    "GGGGGGGGGGGGGGGGGGGG", "GGGGGGGGGGGGGGGGGGGG", "GGGGGGGGGGGGGGGGGGGG", "MGGGGGGGGGGGGGGGGGGM",
};

// The standard 16-colour palette as red, green, blue.
constexpr std::array<std::array<std::uint8_t, 3>, 16> Palette = {{
    {0, 0, 0},
    {128, 0, 0},
    {0, 128, 0},
    {128, 128, 0},
    {0, 0, 128},
    {128, 0, 128},
    {0, 128, 128},
    {192, 192, 192},
    {128, 128, 128},
    {255, 0, 0},
    {0, 255, 0},
    {255, 255, 0},
    {0, 0, 255},
    {255, 0, 255},
    {0, 255, 255},
    {255, 255, 255},
}};

int paletteIndex(char letter) {
    switch (letter) {
    case 'N':
        return 4;
    case 'G':
        return 2;
    case 'R':
        return 9;
    case 'M':
        return 13;
    case 'W':
        return 15;
    default:
        return -1;
    }
}

void put16(std::vector<std::uint8_t> &out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xff));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void put32(std::vector<std::uint8_t> &out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<std::uint8_t>((value >> shift) & 0xff));
}

// Returns an empty vector when the map holds a letter without a colour.
std::vector<std::uint8_t> encodeBitmap(const PixelMap &map) {
    constexpr std::uint32_t FileHeaderSize = 14;
    constexpr std::uint32_t InfoHeaderSize = 40;
    constexpr std::uint32_t PaletteSize = 16 * 4;
    constexpr std::uint32_t RowSize = ((Size * 4 + 31) / 32) * 4; // rows padded to 4 bytes
    constexpr std::uint32_t PixelDataSize = RowSize * Size;
    constexpr std::uint32_t PixelOffset = FileHeaderSize + InfoHeaderSize + PaletteSize;

    std::vector<std::uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    put32(out, PixelOffset + PixelDataSize);
    put32(out, 0); // reserved
    put32(out, PixelOffset);

    put32(out, InfoHeaderSize);
    put32(out, Size); // width
    put32(out, Size); // height, positive: rows are stored bottom-up
    put16(out, 1);    // planes
    put16(out, 4);    // bits per pixel
    put32(out, 0);    // no compression
    put32(out, PixelDataSize);
    put32(out, 0);  // horizontal resolution: unspecified
    put32(out, 0);  // vertical resolution: unspecified
    put32(out, 16); // colours used
    put32(out, 0);  // all colours important

    for (const auto &[red, green, blue] : Palette) {
        out.push_back(blue);
        out.push_back(green);
        out.push_back(red);
        out.push_back(0);
    }

    for (int row = Size - 1; row >= 0; --row) {
        const std::string line = map[static_cast<size_t>(row)];
        if (line.size() != Size)
            return {};
        std::vector<std::uint8_t> bytes(RowSize, 0);
        for (int column = 0; column < Size; ++column) {
            const int index = paletteIndex(line[static_cast<size_t>(column)]);
            if (index < 0)
                return {};
            // The left pixel of each pair sits in the high nibble.
            bytes[static_cast<size_t>(column / 2)] |=
                static_cast<std::uint8_t>(column % 2 == 0 ? index << 4 : index);
        }
        out.insert(out.end(), bytes.begin(), bytes.end());
    }
    return out;
}

bool writeBitmap(const std::string &path, const PixelMap &map) {
    const std::vector<std::uint8_t> bytes = encodeBitmap(map);
    if (bytes.empty()) {
        std::fprintf(stderr, "bad pixel map for %s\n", path.c_str());
        return false;
    }
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char *>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return false;
    }
    std::printf("wrote %s (%zu bytes)\n", path.c_str(), bytes.size());
    return true;
}

} // namespace

int main(int argc, char *argv[]) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    const bool ok = writeBitmap(folder + "/flag_on.bmp", BritishFlag) &&
                    writeBitmap(folder + "/flag_off.bmp", HungarianFlag);
    return ok ? 0 : 1;
}
