#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace filvane {

// "01" to "09", then the plain number: "10", "100".
std::string rowNumberText(int row);

// The text from the name's last "." to its end, dot included; empty when there is no ".".
std::string_view extensionOf(std::string_view name);

// The part of a name before its first "."; empty when the name has no "." at all
// ("README" gives no new name, "a.b.mp3" gives "a").
std::string_view nameBeforeFirstDot(std::string_view name);

// The items label, a blank and the number: "Items: 12".
std::string itemCountText(std::string_view itemsLabel, int count);

// Calls `visit` with each line of `text`, a view into it, until it returns false. Lines end at
// any line end (CRLF, LF or a lone CR); a line end at the very end does not start another line,
// so "a\nb\n" is two lines and "" none.
template <class Visit> void forEachLine(std::string_view text, Visit visit) {
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            visit(text.substr(start));
            return;
        }
        if (!visit(text.substr(start, end - start)))
            return;
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n')
            ++start;
    }
}

// The text without the blanks around it (spaces, tabs, CR, no-break and other Unicode spaces),
// which a pasted line often carries from a table, a track list or a web page; blanks inside
// are kept.
std::string_view trimBlanks(std::string_view text);

} // namespace filvane
