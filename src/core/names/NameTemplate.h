#pragma once

#include "core/facts/FileFacts.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace filvane {

enum class TemplateField : std::uint8_t { Track, Disc, Title, Artist, Album, Year, Date, Camera };

// "track", "title", ...: the name of a field as a template writes it.
std::string_view fieldName(TemplateField field);

struct TemplateError {
    enum class Kind {
        UnknownField,  // "{titel}"
        UnclosedBrace, // "{title"
        StrayBrace,    // "title}"
        BadDateFormat, // "{date:%Q}": only %Y %y %m %d %H %M %S %j %% are known
    };
    Kind kind = Kind::UnknownField;
    std::size_t offset = 0; // where in the template the fault starts
    std::string text;       // the field or conversion at fault
};

// A new name made of text and fields: "{track} - {artist} - {title}". `{{` and `}}` stand for
// braces. `{track}` has two digits at least, `{date}` is the date taken, by default as
// "%Y-%m-%d", or in a format of its own: `{date:%Y-%m-%d %H.%M.%S}`.
class NameTemplate {
public:
    static std::optional<NameTemplate> parse(std::string_view text, TemplateError *error);

    // The name for a file with these facts, or nothing when the file lacks a field the
    // template uses; `missingField` (may be null) then names the first such field.
    std::optional<std::string> fill(const FileFacts &facts,
                                    TemplateField *missingField = nullptr) const;
    // The facts the template needs, so a fill reads no more than that.
    FactKinds needs() const;

private:
    struct Piece {
        bool isField = false;
        TemplateField field = TemplateField::Title;
        std::string text; // the literal, or the date format
    };
    std::vector<Piece> m_pieces;
};

// One name from a template given as text: nothing for a bad template (`missingField` then
// empty; NameTemplate::parse says why) or a missing fact (`missingField` names it).
std::optional<std::string> fillTemplate(std::string_view templ, const FileFacts &facts,
                                        std::string *missingField);

inline constexpr std::string_view TitleTemplate = "{title}";
inline constexpr std::string_view ArtistTitleTemplate = "{artist} - {title}";

struct MissingFact {
    std::uint32_t row = 0;
    TemplateField field = TemplateField::Title;
};

struct TemplateFill {
    std::vector<std::string> names; // one per row; empty where a fact is missing
    std::vector<MissingFact> missing;
};

// Names for rows with these facts; a preview passes the first few rows only.
TemplateFill fillNames(const NameTemplate &templ, std::span<const FileFacts> facts);

} // namespace filvane
