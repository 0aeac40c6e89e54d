#include "core/texts/RenameReasons.h"

#include "core/base/Utf8.h"

#include <algorithm>

namespace filvane {

bool isFailure(const RowOutcome &row) {
    return row.outcome == RenameOutcome::Failed || row.outcome == RenameOutcome::RefusedName ||
           row.outcome == RenameOutcome::RenamedSince ||
           row.outcome == RenameOutcome::ReplacedSince;
}

std::vector<RowOutcome> failedRows(const std::vector<RowOutcome> &rows) {
    std::vector<RowOutcome> failed;
    std::copy_if(rows.begin(), rows.end(), std::back_inserter(failed), isFailure);
    return failed;
}

int triedRowCount(const std::vector<RowOutcome> &rows) {
    return static_cast<int>(std::count_if(rows.begin(), rows.end(), [](const RowOutcome &row) {
        return row.outcome == RenameOutcome::Renamed || isFailure(row);
    }));
}

bool leavesSomethingToTell(const RenameResult &run) {
    return run.refusal != RunRefusal::None || run.finishError != 0 ||
           std::any_of(run.rows.begin(), run.rows.end(), [](const RowOutcome &row) {
               return isFailure(row) || row.outcome == RenameOutcome::Pending;
           });
}

UiText failureReason(const RowOutcome &row) {
    if (row.outcome == RenameOutcome::RefusedName)
        return row.noBaseName ? UiText::ReasonNoBaseName : UiText::ReasonNameNotAllowed;
    if (row.outcome == RenameOutcome::RenamedSince)
        return UiText::ReasonRenamedSince;
    if (row.outcome == RenameOutcome::ReplacedSince)
        return UiText::ReasonReplacedSince;
    return reportReason(row.error);
}

std::string failureReasonText(const RowOutcome &row, const StoredTexts &texts) {
    const UiText reason = failureReason(row);
    std::string text =
        reason == UiText::ReasonOtherError ? errorText(row.error, texts) : texts[reason];
    if (!row.nameNow.empty())
        text += ", " + fillText(texts[UiText::ReasonNowNamed], {readableName(row.nameNow)});
    return text;
}

std::string refusalText(const RenameResult &run, const StoredTexts &texts) {
    switch (run.refusal) {
    case RunRefusal::FolderChanged:
        return texts[UiText::RunRefusedFolderChanged];
    case RunRefusal::JournalNotWritten:
        return fillText(texts[UiText::RunRefusedNotRecorded], {errorText(run.error, texts)});
    case RunRefusal::FolderInUse:
        return run.holder > 0
                   ? fillText(texts[UiText::RunRefusedFolderInUseBy], {std::to_string(run.holder)})
                   : texts[UiText::RunRefusedFolderInUse];
    case RunRefusal::CutOffRunWaits:
        return texts[UiText::RunRefusedCutOffRunWaits];
    case RunRefusal::None:
        break;
    }
    return {};
}

namespace {

// The length of the printable UTF-8 sequence at the start of `text`, or 0 when there is none.
size_t printableSequenceLength(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text.front());
    if (lead < 0x20 || lead == 0x7F)
        return 0; // a line end or tab inside a name would break the line it is shown on
    return utf8SequenceLength(text);
}

} // namespace

std::string readableName(std::string_view bytes) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size());
    while (!bytes.empty()) {
        const size_t length = printableSequenceLength(bytes);
        if (length > 0) {
            text += bytes.substr(0, length);
            bytes.remove_prefix(length);
            continue;
        }
        const auto byte = static_cast<unsigned char>(bytes.front());
        text += "\\x";
        text += hex[byte >> 4];
        text += hex[byte & 0x0F];
        bytes.remove_prefix(1);
    }
    return text;
}

std::string driveText(const DriveFacts &drive, const StoredTexts &texts) {
    const std::string name = drive.throughFuse    ? fillText(texts[UiText::DriveThroughFuse],
                                                             {drive.name.empty() ? "?" : drive.name})
                             : drive.name.empty() ? drive.description
                                                  : drive.name;
    const UiText way[] = {UiText::DriveWayNoReplace, UiText::DriveWayLink, UiText::DriveWayReserve,
                          UiText::DriveWayNone}; // by RenameWay
    return fillText(texts[way[static_cast<int>(wayFor(drive))]], {name});
}

} // namespace filvane
