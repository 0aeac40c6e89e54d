#include "core/facts/FileFacts.h"

#include "core/base/FileHandle.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include <taglib/fileref.h>
#include <taglib/tag.h>
#include <taglib/tdebuglistener.h>
#include <taglib/tiostream.h>
#include <taglib/tpropertymap.h>

// Exiv2 0.27 still hands out std::auto_ptr, which C++17 deprecated.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>

namespace filvane {

namespace {

using Clock = std::chrono::steady_clock;

// Limits for one file. Tags and EXIF sit near the start of a file (ID3v1 and APE at its very
// end, read by a seek), so real files stay far below them; a file that claims huge blocks or
// loops through its own structure is cut off instead.
constexpr long long TagReadBudget = 64ll << 20;
constexpr auto ParseDeadline = std::chrono::seconds(2);
// Photos are parsed from memory: the head of the file first, which holds the EXIF of nearly
// every photo (a JPEG's segments are at most 64 KiB each), then up to the cap if need be.
constexpr std::size_t ImageHeadBytes = 256u << 10;
constexpr std::size_t ImageBytesCap = 16u << 20;

std::size_t readAt(int fd, char *into, std::size_t length, long long offset) {
    std::size_t done = 0;
    while (done < length) {
        const ssize_t got = pread(fd, into + done, length - done, offset + done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

// TagLib reads through this instead of opening the file itself: reads stop at the budget and
// the deadline (TagLib takes an empty block as the end of the file and gives up), and the
// file is never written.
class GuardedStream final : public TagLib::IOStream {
public:
    GuardedStream(int fd, const char *name, long long size)
        : m_fd(fd), m_name(name), m_size(size), m_deadline(Clock::now() + ParseDeadline) {}

    bool tripped() const { return m_tripped; }

    TagLib::FileName name() const override { return m_name; }
    TagLib::ByteVector readBlock(unsigned long length) override {
        if (m_position >= m_size || length == 0)
            return {};
        if (m_budget <= 0 || Clock::now() > m_deadline) {
            m_tripped = true;
            return {};
        }
        const long long wanted =
            std::min({static_cast<long long>(length), m_size - m_position, m_budget});
        TagLib::ByteVector block(static_cast<unsigned int>(wanted));
        const std::size_t got = readAt(m_fd, block.data(), block.size(), m_position);
        block.resize(static_cast<unsigned int>(got));
        m_position += static_cast<long long>(got);
        m_budget -= static_cast<long long>(got);
        return block;
    }
    void writeBlock(const TagLib::ByteVector &) override {}
    void insert(const TagLib::ByteVector &, unsigned long, unsigned long) override {}
    void removeBlock(unsigned long, unsigned long) override {}
    bool readOnly() const override { return true; }
    bool isOpen() const override { return true; }
    void seek(long offset, Position from) override {
        const long long base = from == Beginning ? 0 : from == Current ? m_position : m_size;
        m_position = std::max(0ll, base + offset);
    }
    long tell() const override { return static_cast<long>(m_position); }
    long length() override { return static_cast<long>(m_size); }
    void truncate(long) override {}

private:
    int m_fd;
    const char *m_name;
    long long m_size;
    long long m_position = 0;
    long long m_budget = TagReadBudget;
    Clock::time_point m_deadline;
    bool m_tripped = false;
};

class SilentTagLib final : public TagLib::DebugListener {
public:
    void printMessage(const TagLib::String &) override {}
};

// Both libraries keep process-wide state: Exiv2's XMP parser must be set up before two
// threads parse at once, and neither may print to the terminal the program runs from.
void setUpLibraries() {
    static std::once_flag once;
    std::call_once(once, [] {
        static SilentTagLib silent;
        TagLib::setDebugListener(&silent);
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        Exiv2::XmpParser::initialize();
        Exiv2::enableBMFF(true);
    });
}

// Tags may hold line breaks, tabs or NULs, none of which belongs in a file name; outer spaces
// are dropped.
std::string cleaned(std::string bytes) {
    for (char &c : bytes)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = ' ';
    const auto first = bytes.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return bytes.substr(first, bytes.find_last_not_of(' ') - first + 1);
}

std::string cleaned(const TagLib::String &text) {
    return cleaned(text.to8Bit(true));
}

// A count in a sane range, else none: tags hold "4/12", "0", "-1" and 4294967295 alike.
int plausible(long long value, int highest) {
    return value > 0 && value <= highest ? static_cast<int>(value) : 0;
}

int leadingNumber(const TagLib::String &text) {
    long long value = 0;
    std::size_t digits = 0;
    const std::string bytes = text.to8Bit(false);
    for (char c : bytes) {
        if (c < '0' || c > '9' || digits == 6)
            break;
        value = value * 10 + (c - '0');
        ++digits;
    }
    return digits ? plausible(value, 999) : 0;
}

void readTags(int fd, const char *name, long long size, FileFacts &facts) {
    GuardedStream stream(fd, name, size);
    TagLib::FileRef file(&stream, false);
    if (file.isNull() || !file.tag())
        return;
    const TagLib::Tag &tag = *file.tag();
    FileFacts found;
    found.title = cleaned(tag.title());
    found.artist = cleaned(tag.artist());
    found.album = cleaned(tag.album());
    found.track = plausible(tag.track(), 9999);
    found.year = plausible(tag.year(), 9999);
    const TagLib::PropertyMap properties = file.file()->properties();
    const auto disc = properties.find("DISCNUMBER");
    if (disc != properties.end() && !disc->second.isEmpty())
        found.disc = leadingNumber(disc->second.front());
    if (stream.tripped())
        return; // what a cut-off parse found is not to be trusted
    facts.title = std::move(found.title);
    facts.artist = std::move(found.artist);
    facts.album = std::move(found.album);
    facts.track = found.track;
    facts.year = found.year;
    facts.disc = found.disc;
}

std::string exifText(const Exiv2::ExifData &exif, const Exiv2::ExifKey &key) {
    const auto found = exif.findKey(key);
    return found == exif.end() ? std::string() : found->toString();
}

void readPhoto(const std::vector<Exiv2::byte> &head, FileFacts &facts) {
    auto image = Exiv2::ImageFactory::open(head.data(), static_cast<long>(head.size()));
    if (!image.get())
        return;
    try {
        image->readMetadata();
    } catch (const Exiv2::AnyError &) {
        // A file cut at our cap, or damaged after its EXIF: keep what was read before it.
    }
    const Exiv2::ExifData &exif = image->exifData();
    if (exif.empty())
        return;
    static const Exiv2::ExifKey dateKeys[] = {
        Exiv2::ExifKey("Exif.Photo.DateTimeOriginal"),
        Exiv2::ExifKey("Exif.Photo.DateTimeDigitized"),
        Exiv2::ExifKey("Exif.Image.DateTime"),
    };
    static const Exiv2::ExifKey modelKey("Exif.Image.Model");
    static const Exiv2::ExifKey makeKey("Exif.Image.Make");
    for (const Exiv2::ExifKey &key : dateKeys) {
        facts.taken = parseExifDateTime(exifText(exif, key));
        if (facts.taken)
            break;
    }
    facts.camera = cleaned(exifText(exif, modelKey));
    if (facts.camera.empty())
        facts.camera = cleaned(exifText(exif, makeKey));
}

bool isImage(int fd, long long size) {
    Exiv2::byte head[64];
    const std::size_t got =
        readAt(fd, reinterpret_cast<char *>(head), std::min<long long>(sizeof head, size), 0);
    return got > 0 &&
           Exiv2::ImageFactory::getType(head, static_cast<long>(got)) != Exiv2::ImageType::none;
}

std::vector<Exiv2::byte> imageHead(int fd, long long size, std::size_t cap) {
    std::vector<Exiv2::byte> head(std::min<long long>(size, cap));
    head.resize(readAt(fd, reinterpret_cast<char *>(head.data()), head.size(), 0));
    return head;
}

void readPhoto(int fd, long long size, FileFacts &facts) {
    const std::vector<Exiv2::byte> head = imageHead(fd, size, ImageHeadBytes);
    readPhoto(head, facts);
    // The EXIF of a JPEG is in its first segments; other formats (a PNG's chunk after the
    // picture, a raw file's directory further in) may need more of the file, read only when
    // the head said nothing.
    const bool jpeg = head.size() >= 2 && head[0] == 0xff && head[1] == 0xd8;
    if (!jpeg && !facts.taken && facts.camera.empty() && size > static_cast<long long>(head.size()))
        readPhoto(imageHead(fd, size, ImageBytesCap), facts);
}

constexpr std::int64_t daysFromCivil(int y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return static_cast<std::int64_t>(era) * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

} // namespace

std::optional<std::int64_t> parseExifDateTime(std::string_view text) {
    // "YYYY:MM:DD HH:MM:SS", anything after it (subseconds, a NUL) ignored.
    if (text.size() < 19)
        return std::nullopt;
    const auto number = [&](std::size_t at, std::size_t width) {
        int value = 0;
        for (std::size_t i = at; i < at + width; ++i) {
            if (text[i] < '0' || text[i] > '9')
                return -1;
            value = value * 10 + (text[i] - '0');
        }
        return value;
    };
    const bool separators = (text[4] == ':' || text[4] == '-') && text[7] == text[4] &&
                            (text[10] == ' ' || text[10] == 'T') && text[13] == ':' &&
                            text[16] == ':';
    if (!separators)
        return std::nullopt;
    const int year = number(0, 4), month = number(5, 2), day = number(8, 2);
    const int hour = number(11, 2), minute = number(14, 2), second = number(17, 2);
    static constexpr int monthDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || month < 1 || month > 12 || day < 1 || day > monthDays[month - 1] || hour < 0 ||
        hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 60)
        return std::nullopt;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (month == 2 && day == 29 && !leap)
        return std::nullopt;
    const std::int64_t days =
        daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
    return days * 86400 + hour * 3600 + minute * 60 + std::min(second, 59);
}

FileFacts readFileFacts(int directoryFd, const char *name, FactKinds wanted) {
    FileFacts facts;
    struct stat status {};
    if (!has(wanted, FactKinds::Tags | FactKinds::Photo)) {
        if (fstatat(directoryFd, name, &status, 0) == 0) {
            facts.mtime = status.st_mtim.tv_sec * 1'000'000'000ll + status.st_mtim.tv_nsec;
            facts.read = true;
        }
        return facts;
    }
    // Non-blocking, so a FIFO among the files cannot stall the open; only regular files are
    // read.
    const FileHandle file(openat(directoryFd, name, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (file.get() < 0 || fstat(file.get(), &status) != 0)
        return facts;
    facts.mtime = status.st_mtim.tv_sec * 1'000'000'000ll + status.st_mtim.tv_nsec;
    facts.read = true;
    if (!S_ISREG(status.st_mode) || status.st_size == 0)
        return facts;
    try {
        setUpLibraries();
        if (has(wanted, FactKinds::Photo) && isImage(file.get(), status.st_size)) {
            readPhoto(file.get(), status.st_size, facts);
            return facts;
        }
        if (has(wanted, FactKinds::Tags))
            readTags(file.get(), name, status.st_size, facts);
    } catch (...) {
        // Damaged or hostile content: the file keeps the facts it has so far, which are
        // whole fields only.
    }
    return facts;
}

} // namespace filvane

#pragma GCC diagnostic pop
