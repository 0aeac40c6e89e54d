#include "core/journal/JournalFormat.h"

#include <algorithm>
#include <cstring>

namespace filvane::journal {

std::string_view kindWord(RunKind kind) {
    switch (kind) {
    case RunKind::Undo:
        return "undo";
    case RunKind::Recovery:
        return "recovery";
    default:
        return "rename";
    }
}

std::optional<RunKind> kindOfWord(std::string_view word) {
    if (word == "rename")
        return RunKind::Rename;
    if (word == "undo")
        return RunKind::Undo;
    if (word == "recovery")
        return RunKind::Recovery;
    return std::nullopt;
}

bool isIntentWord(std::string_view word) {
    return word == "restore" || word == "finish" || word == "leave";
}

bool isWayWord(std::string_view word) {
    if (word.empty() || word.size() > 24)
        return false;
    for (const char c : word)
        if (!((c >= 'a' && c <= 'z') || c == '-'))
            return false;
    return true;
}

void appendEscaped(std::string &out, std::string_view name) {
    static constexpr char hex[] = "0123456789abcdef";
    const auto plain = [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte >= 0x20 && byte != 0x7f && c != '\\';
    };
    // Whether any of eight bytes is below 0x20, 0x7f or a backslash, all at once.
    const auto anyEscaped = [](std::uint64_t word) {
        constexpr std::uint64_t ones = 0x0101010101010101, highs = 0x8080808080808080;
        const auto below = [&](std::uint64_t w, std::uint64_t n) {
            return (w - ones * n) & ~w & highs;
        };
        return (below(word, 0x20) | below(word ^ (ones * 0x7f), 1) |
                below(word ^ (ones * '\\'), 1)) != 0;
    };
    // Runs of plain bytes go in whole, eight bytes looked at a time: a plan of many files writes
    // many names, and few need escaping.
    size_t at = 0;
    while (at < name.size()) {
        size_t end = at;
        for (std::uint64_t word; end + 8 <= name.size(); end += 8) {
            std::memcpy(&word, name.data() + end, 8);
            if (anyEscaped(word))
                break;
        }
        while (end < name.size() && plain(name[end]))
            ++end;
        out.append(name.data() + at, end - at);
        if (end == name.size())
            break;
        const auto byte = static_cast<unsigned char>(name[end]);
        const char escaped[] = {'\\', 'x', hex[byte >> 4], hex[byte & 0x0f]};
        out.append(escaped, sizeof escaped);
        at = end + 1;
    }
}

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool isDigits(std::string_view text) {
    if (text.empty())
        return false;
    for (const char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

} // namespace

bool unescape(std::string_view text, std::string &out) {
    out.clear();
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (i + 3 >= text.size() || text[i + 1] != 'x')
            return false;
        const int high = hexValue(text[i + 2]), low = hexValue(text[i + 3]);
        if (high < 0 || low < 0)
            return false;
        out += static_cast<char>(high * 16 + low);
        i += 3;
    }
    return true;
}

bool isBareId(std::string_view id) {
    if (!id.starts_with(Prefix) || !id.ends_with(Suffix))
        return false;
    id.remove_prefix(Prefix.size());
    id.remove_suffix(Suffix.size());
    const size_t dash = id.find('-');
    return dash != std::string_view::npos && isDigits(id.substr(0, dash)) &&
           isDigits(id.substr(dash + 1)) && id.size() < 64;
}

bool isPlainName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find('/') == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

bool isAbsoluteFolder(std::string_view path) {
    if (path.empty() || path[0] != '/' || path.find('\0') != std::string_view::npos)
        return false;
    for (size_t at = 1; at < path.size();) {
        const size_t end = std::min(path.find('/', at), path.size());
        const std::string_view part = path.substr(at, end - at);
        if (part == "." || part == "..")
            return false;
        at = end + 1;
    }
    return true;
}

std::string Sum::text() const {
    static constexpr char hex[] = "0123456789abcdef";
    std::string out(16, '0');
    for (int i = 0; i < 16; ++i)
        out[15 - i] = hex[(m_value >> (4 * i)) & 0x0f];
    return out;
}

} // namespace filvane::journal
