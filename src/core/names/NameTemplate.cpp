#include "core/names/NameTemplate.h"

#include <array>
#include <cstdio>

namespace filvane {

namespace {

constexpr std::array<std::string_view, 8> FieldNames = {"track", "disc", "title", "artist",
                                                        "album", "year", "date",  "camera"};
constexpr std::string_view DefaultDateFormat = "%Y-%m-%d";
constexpr std::string_view DateConversions = "YymdHMSj%";

std::optional<TemplateField> fieldNamed(std::string_view name) {
    for (std::size_t i = 0; i < FieldNames.size(); ++i)
        if (FieldNames[i] == name)
            return TemplateField(i);
    return std::nullopt;
}

void appendNumber(std::string &out, long long value, int width) {
    char digits[24];
    const int length = std::snprintf(digits, sizeof digits, "%0*lld", width, value);
    out.append(digits, static_cast<std::size_t>(length));
}

struct Civil {
    long long year;
    int month, day, hour, minute, second, dayOfYear;
};

Civil civilOf(std::int64_t seconds) {
    std::int64_t days = seconds / 86400;
    std::int64_t rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    // Howard Hinnant's civil_from_days.
    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    const long long year = yoe + era * 400 + (month <= 2);
    static constexpr int before[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    const int dayOfYear = before[month - 1] + day + (leap && month > 2);
    return {year,
            month,
            day,
            static_cast<int>(rest / 3600),
            static_cast<int>(rest / 60 % 60),
            static_cast<int>(rest % 60),
            dayOfYear};
}

// Our own few conversions rather than strftime: the result must not depend on the locale or
// the time zone, and an unknown conversion is refused when the template is read.
void appendDate(std::string &out, std::int64_t seconds, std::string_view format) {
    const Civil c = civilOf(seconds);
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%' || i + 1 == format.size()) {
            out.push_back(format[i]);
            continue;
        }
        switch (format[++i]) {
        case 'Y':
            appendNumber(out, c.year, 4);
            break;
        case 'y':
            appendNumber(out, c.year % 100, 2);
            break;
        case 'm':
            appendNumber(out, c.month, 2);
            break;
        case 'd':
            appendNumber(out, c.day, 2);
            break;
        case 'H':
            appendNumber(out, c.hour, 2);
            break;
        case 'M':
            appendNumber(out, c.minute, 2);
            break;
        case 'S':
            appendNumber(out, c.second, 2);
            break;
        case 'j':
            appendNumber(out, c.dayOfYear, 3);
            break;
        default:
            out.push_back('%');
            break;
        }
    }
}

std::optional<std::size_t> badConversion(std::string_view format) {
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%')
            continue;
        if (i + 1 == format.size() || DateConversions.find(format[i + 1]) == std::string_view::npos)
            return i;
        ++i;
    }
    return std::nullopt;
}

} // namespace

std::string_view fieldName(TemplateField field) {
    return FieldNames[static_cast<std::size_t>(field)];
}

std::optional<NameTemplate> NameTemplate::parse(std::string_view text, TemplateError *error) {
    NameTemplate templ;
    const auto fail = [&](TemplateError::Kind kind, std::size_t offset, std::string_view what) {
        if (error)
            *error = {kind, offset, std::string(what)};
        return std::nullopt;
    };
    std::string literal;
    const auto endLiteral = [&] {
        if (!literal.empty())
            templ.m_pieces.push_back({false, TemplateField::Title, std::move(literal)});
        literal.clear();
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if ((c == '{' || c == '}') && i + 1 < text.size() && text[i + 1] == c) {
            literal.push_back(c);
            ++i;
            continue;
        }
        if (c == '}')
            return fail(TemplateError::Kind::StrayBrace, i, "}");
        if (c != '{') {
            literal.push_back(c);
            continue;
        }
        const std::size_t close = text.find('}', i + 1);
        if (close == std::string_view::npos)
            return fail(TemplateError::Kind::UnclosedBrace, i, text.substr(i));
        const std::string_view inside = text.substr(i + 1, close - i - 1);
        const std::size_t colon = inside.find(':');
        const std::string_view name = inside.substr(0, colon);
        const auto field = fieldNamed(name);
        if (!field || (colon != std::string_view::npos && *field != TemplateField::Date))
            return fail(TemplateError::Kind::UnknownField, i + 1, inside);
        std::string_view format;
        if (*field == TemplateField::Date) {
            format = colon == std::string_view::npos ? DefaultDateFormat : inside.substr(colon + 1);
            if (const auto bad = badConversion(format))
                return fail(TemplateError::Kind::BadDateFormat, i + 1 + colon + 1 + *bad,
                            format.substr(*bad, 2));
        }
        endLiteral();
        templ.m_pieces.push_back({true, *field, std::string(format)});
        i = close;
    }
    endLiteral();
    return templ;
}

std::optional<std::string> NameTemplate::fill(const FileFacts &facts,
                                              TemplateField *missingField) const {
    std::string name;
    for (const Piece &piece : m_pieces) {
        if (!piece.isField) {
            name += piece.text;
            continue;
        }
        const auto text = [&](const std::string &value) {
            name += value;
            return !value.empty();
        };
        const auto number = [&](int value, int width) {
            if (value > 0)
                appendNumber(name, value, width);
            return value > 0;
        };
        bool present = false;
        switch (piece.field) {
        case TemplateField::Track:
            present = number(facts.track, 2);
            break;
        case TemplateField::Disc:
            present = number(facts.disc, 1);
            break;
        case TemplateField::Year:
            present = number(facts.year, 4);
            break;
        case TemplateField::Title:
            present = text(facts.title);
            break;
        case TemplateField::Artist:
            present = text(facts.artist);
            break;
        case TemplateField::Album:
            present = text(facts.album);
            break;
        case TemplateField::Camera:
            present = text(facts.camera);
            break;
        case TemplateField::Date:
            present = facts.taken.has_value();
            if (present)
                appendDate(name, *facts.taken, piece.text);
            break;
        }
        if (!present) {
            if (missingField)
                *missingField = piece.field;
            return std::nullopt;
        }
    }
    return name;
}

FactKinds NameTemplate::needs() const {
    FactKinds kinds = FactKinds::None;
    for (const Piece &piece : m_pieces) {
        if (!piece.isField)
            continue;
        const bool photo =
            piece.field == TemplateField::Date || piece.field == TemplateField::Camera;
        kinds = kinds | (photo ? FactKinds::Photo : FactKinds::Tags);
    }
    return kinds;
}

std::optional<std::string> fillTemplate(std::string_view templ, const FileFacts &facts,
                                        std::string *missingField) {
    if (missingField)
        missingField->clear();
    const auto parsed = NameTemplate::parse(templ, nullptr);
    if (!parsed)
        return std::nullopt;
    TemplateField missing{};
    auto name = parsed->fill(facts, &missing);
    if (!name && missingField)
        *missingField = fieldName(missing);
    return name;
}

TemplateFill fillNames(const NameTemplate &templ, std::span<const FileFacts> facts) {
    TemplateFill result;
    result.names.reserve(facts.size());
    for (std::size_t row = 0; row < facts.size(); ++row) {
        TemplateField missing{};
        if (auto name = templ.fill(facts[row], &missing)) {
            result.names.push_back(std::move(*name));
        } else {
            result.names.emplace_back();
            result.missing.push_back({static_cast<std::uint32_t>(row), missing});
        }
    }
    return result;
}

} // namespace filvane
