#pragma once

// Audio files and photos made from nothing, then tagged through TagLib and Exiv2 themselves:
// the tests, the fuzzer and the benchmark read back only what they wrote here.

#include <cstdint>
#include <fstream>
#include <string>

#include <taglib/flacfile.h>
#include <taglib/mpegfile.h>
#include <taglib/tpropertymap.h>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>
#pragma GCC diagnostic pop

namespace tagged {

// Silent MPEG-1 Layer III frames, 128 kbit/s at 44.1 kHz: a header and all-zero side
// information, which decodes as silence.
inline std::string silentMp3(int frames = 4) {
    constexpr std::size_t FrameBytes = 417; // 144 * 128000 / 44100, no padding
    std::string bytes;
    for (int i = 0; i < frames; ++i) {
        std::string frame(FrameBytes, '\0');
        frame[0] = '\xff';
        frame[1] = '\xfb';
        frame[2] = '\x90';
        frame[3] = '\xc4'; // mono
        bytes += frame;
    }
    return bytes;
}

// A 1x1 grey baseline JPEG: one quantisation table, one-code Huffman tables, one block whose
// DC difference and AC end-of-block are both the single code "0".
inline std::string tinyJpeg() {
    std::string bytes = "\xff\xd8";
    bytes += std::string("\xff\xdb\x00\x43\x00", 5) + std::string(64, '\x01');
    bytes += std::string("\xff\xc0\x00\x0b\x08\x00\x01\x00\x01\x01\x01\x11\x00", 13);
    for (const char tableClass : {'\x00', '\x10'}) {
        bytes += std::string("\xff\xc4\x00\x14", 4);
        bytes += tableClass;
        bytes += '\x01' + std::string(15, '\0') + '\0';
    }
    bytes += std::string("\xff\xda\x00\x08\x01\x01\x00\x00\x3f\x00", 10);
    bytes += "\x3f\xff\xd9";
    return bytes;
}

// "fLaC" and a STREAMINFO block alone (44.1 kHz, mono, 16 bits): enough for TagLib to add
// a Vorbis comment.
inline std::string bareFlac() {
    std::string bytes = "fLaC";
    bytes += std::string("\x80\x00\x00\x22", 4); // last block, STREAMINFO, 34 bytes
    bytes += std::string("\x10\x00\x10\x00", 4); // block sizes 4096
    bytes += std::string(6, '\0');               // frame sizes unknown
    bytes += std::string("\x0a\xc4\x40\xf0\x00\x00\x00\x00", 8);
    bytes += std::string(16, '\0'); // no MD5
    return bytes;
}

inline std::uint32_t crc32(const std::string &bytes) {
    std::uint32_t crc = 0xffffffffu;
    for (const char c : bytes) {
        crc ^= static_cast<unsigned char>(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = crc & 1 ? (crc >> 1) ^ 0xedb88320u : crc >> 1;
    }
    return ~crc;
}

inline std::string bigEndian(std::uint32_t value) {
    return {static_cast<char>(value >> 24), static_cast<char>(value >> 16),
            static_cast<char>(value >> 8), static_cast<char>(value)};
}

inline std::string pngChunk(const std::string &type, const std::string &data) {
    return bigEndian(static_cast<std::uint32_t>(data.size())) + type + data +
           bigEndian(crc32(type + data));
}

// A 1x1 grey PNG; its one row is a zlib stream holding a single stored block.
inline std::string tinyPng() {
    const std::string row("\x78\x01\x01\x02\x00\xfd\xff\x00\x00\x00\x02\x00\x01", 13);
    return std::string("\x89PNG\r\n\x1a\n", 8) +
           pngChunk("IHDR", std::string("\0\0\0\1\0\0\0\1\x08\0\0\0\0", 13)) +
           pngChunk("IDAT", row) + pngChunk("IEND", "");
}

// `png` with an ancillary chunk of `filler` bytes right after its header chunk, so every
// chunk written after it (its EXIF) moves that far into the file.
inline std::string withFiller(const std::string &png, std::size_t filler) {
    const std::size_t afterHeader = 8 + 12 + 13;
    return png.substr(0, afterHeader) + pngChunk("fiLl", std::string(filler, 'x')) +
           png.substr(afterHeader);
}

inline void writeBytes(const std::string &path, const std::string &bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

struct AudioTags {
    std::string title, artist, album;
    int track = 0;
    std::string disc; // "1/2"
    int year = 0;
};

inline void applyTags(TagLib::File &file, const AudioTags &tags) {
    TagLib::PropertyMap properties;
    const auto set = [&](const char *key, const std::string &value) {
        if (!value.empty())
            properties.replace(key, TagLib::String(value, TagLib::String::UTF8));
    };
    set("TITLE", tags.title);
    set("ARTIST", tags.artist);
    set("ALBUM", tags.album);
    set("TRACKNUMBER", tags.track ? std::to_string(tags.track) : "");
    set("DISCNUMBER", tags.disc);
    set("DATE", tags.year ? std::to_string(tags.year) : "");
    file.setProperties(properties);
}

inline void writeMp3(const std::string &path, const AudioTags &tags) {
    writeBytes(path, silentMp3());
    TagLib::MPEG::File file(path.c_str(), false);
    applyTags(file, tags);
    file.save(TagLib::MPEG::File::ID3v2);
}

inline void writeFlac(const std::string &path, const AudioTags &tags) {
    writeBytes(path, bareFlac());
    TagLib::FLAC::File file(path.c_str(), false);
    applyTags(file, tags);
    file.save();
}

// `taken` in EXIF's own form, "2024:05:17 14:03:22"; empty strings leave a tag out. The
// picture is `picture` (a JPEG or a PNG from above).
inline void writeJpeg(const std::string &path, const std::string &taken, const std::string &model,
                      const std::string &picture = tinyJpeg()) {
    writeBytes(path, picture);
    if (taken.empty() && model.empty())
        return;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    auto image = Exiv2::ImageFactory::open(path);
#pragma GCC diagnostic pop
    image->readMetadata();
    Exiv2::ExifData &exif = image->exifData();
    if (!taken.empty())
        exif["Exif.Photo.DateTimeOriginal"] = taken;
    if (!model.empty())
        exif["Exif.Image.Model"] = model;
    image->writeMetadata();
}

inline std::string readBytes(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace tagged
