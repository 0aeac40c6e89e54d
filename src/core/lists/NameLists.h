#pragma once

#include "core/base/Collation.h"
#include "core/listing/ListedFile.h"
#include "core/lists/CellGrid.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace filvane {

// The read list (files found, numbered, sorted) and the new-name list (what each file is to be
// called), row for row. Row 0 of both is the caption row; data rows are 1 to fileCount. A list
// without files still shows one blank data row, so fileCount tells "no file" from "one file".
class NameLists {
public:
    // Far beyond any real folder, but every row still fits the views' pixel arithmetic. A
    // folder with more matching files is not listed at all rather than in part.
    static constexpr int MaxFiles = 50'000'000;

    CellGrid &readList() { return m_read; }
    const CellGrid &readList() const { return m_read; }
    CellGrid &nameList() { return m_names; }
    const CellGrid &nameList() const { return m_names; }
    int fileCount() const { return m_fileCount; }
    // A data row's file name and typed new name, without a copy (empty beyond the lists).
    std::string_view oldName(int row) const { return m_read.name(row); }
    std::string_view typedName(int row) const { return m_names.name(row); }
    // A copy of the typed names of rows 1 to fileCount, for a step that can be taken back.
    std::vector<std::string> typedNames() const;
    // The last listing found more than MaxFiles files and so listed none.
    bool tooManyFiles() const { return m_tooManyFiles; }
    // The errno of a folder the last listing could not read (its path too long, no access...),
    // else 0. Such a listing is empty.
    int listError() const { return m_listError; }

    // What the last listing found for each data row (row r at r - 1), kept in step with the
    // names through every sort and exchange; empty when the names were given rather than found.
    const std::vector<ListedFile> &listedFiles() const { return m_files; }

    // Fills the read list from the search (unsorted). Returns the extension of the last file
    // listed (empty when none).
    std::string listDirectory(std::string_view searchPattern);
    // The same for names given rather than searched (unsorted, as given), with each name's file
    // when known (`files` then as long as `names`).
    std::string listNames(std::vector<std::string> names, std::vector<ListedFile> files = {});

    // The two lists' number columns: the read list numbers every file, the new-name list only
    // while the names are to get their numbers.
    enum class Side { Read, NewNames };
    // The number column of data row `row` on `side`, made by `format` (see numberText); empty
    // for the blank row of a list without files, beyond the last file, and on the new-name side
    // unless `numbering`. Nothing of it is stored: the options say how numbers read.
    std::string numberCell(Side side, int row, const NumberFormat &format, bool numbering) const;

    // Orders the read list's names, by their bytes (case-sensitively) unless asked for natural
    // order; numbers stay in place.
    void sortByName(SortOrder order = SortOrder::Bytes);
    // Sorts the listed files again in another order, each typed new name going with its file;
    // numbers stay in place.
    void resort(SortOrder order);
    // Exchanges the names (every column but the number) of two read-list rows.
    void swapNames(int rowA, int rowB);
    // Puts the file of row from[k] + 1 at row k + 1, each typed new name going with its file.
    void reorder(std::vector<std::uint32_t> from);
    // Moves the files of `rows` (data rows, ascending) one row up (`delta` -1) or down (+1)
    // while the typed names stay in their rows, or the typed names while the files stay. The
    // rows they pass move the other way. Nothing moves when a row would leave the list; false
    // then.
    enum class Moving { Files, NewNames };
    bool moveRows(const std::vector<int> &rows, int delta, Moving moving);

    // The typed new names of the data rows, in place, for tools that edit them (row r at r - 1).
    std::span<std::string> newNames() { return m_names.names(m_fileCount); }

    void clearNewNames();
    void fillNewNamesFromOldNames();
    // The same without a leading number and its separator ("04 - Rain.mp3" gives "Rain"), so
    // that a numbered folder can be numbered again.
    void fillNewNamesFromOldNamesStripped();
    // Empties every data row of both lists and leaves them with no file.
    void clearLists();

    // Writes the lines of `text` (split at any line end, see forEachLine) into the new names
    // from `firstRow` down, one line a row, without the blanks and tabs around each; lines
    // beyond the last row are dropped. Returns the rows written.
    int pasteNewNames(std::string_view text, int firstRow);

    // The typed new names taken out of the lists with the file each was typed for, so that a
    // listing of the same folder can put each beside its file again, whatever the file is
    // called now and wherever the order puts it.
    struct TypedNames {
        std::unordered_map<std::uint64_t, std::string> byFile; // by inode
        std::unordered_map<std::string, std::string> byName;   // where the file is not known
    };
    TypedNames takeTypedNames();
    // Writes each taken name beside the row of its file; rows of files not among them are left
    // without a name.
    void giveBackTypedNames(TypedNames typed);

    // Writes the caption of column `column` into row 0 of both lists.
    void setCaption(int column, const std::string &caption);

private:
    void setRowCount(int rows);

    CellGrid m_read;
    CellGrid m_names;
    std::vector<ListedFile> m_files;
    int m_fileCount = 0;
    bool m_tooManyFiles = false;
    int m_listError = 0;
};

} // namespace filvane
