#pragma once

#include "TempDir.h"
#include "core/drive/NoReplaceRename.h"
#include "core/lists/CellGrid.h"
#include "core/lists/NameLists.h"
#include "core/run/Rename.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

using Method = filvane::NoReplaceRenamer::Method;

// Readable names of the methods, in test names and failure messages alike.
inline const char *methodName(Method method) {
    switch (method) {
    case Method::NoReplaceFlag:
        return "NoReplaceFlag";
    case Method::LinkThenUnlink:
        return "LinkThenUnlink";
    case Method::NoExchange:
        return "NoExchange";
    case Method::Reserve:
        return "Reserve";
    }
    return "Unknown";
}
inline std::string methodTestName(const ::testing::TestParamInfo<Method> &info) {
    return methodName(info.param);
}
namespace filvane {
inline void PrintTo(NoReplaceRenamer::Method method, std::ostream *out) {
    *out << methodName(method);
}
} // namespace filvane
using Names = std::vector<std::string>;
using Contents = std::map<std::string, std::string>; // name -> content, or old name -> outcome

// A temporary folder of files whose content is their own name (so a file under a wrong name
// shows), listed and sorted as Read lists them; the test types new names and runs.
struct RenameFolder {
    TempDir dir;
    filvane::NameLists lists;

    explicit RenameFolder(const Names &files) { fill(files); }
    // In a folder under `parent` (a drive mounted for the test).
    RenameFolder(const Names &files, const std::filesystem::path &parent) : dir(parent) {
        fill(files);
    }
    void fill(const Names &files) {
        for (const std::string &name : files)
            dir.touch(name, name);
        lists.listDirectory(dir.str() + "/*");
        lists.sortByName();
    }
    int rowOf(const std::string &oldName) const {
        for (int row = 1; row <= lists.fileCount(); ++row)
            if (lists.readList().cell(1, row) == oldName)
                return row;
        ADD_FAILURE() << oldName << " is not listed";
        return 0;
    }
    // `oldName` ("a.mp3") is to become `stem` plus, by default, its extension ("b.mp3").
    void type(const std::string &oldName, const std::string &stem) {
        lists.nameList().setCell(1, rowOf(oldName), stem);
    }
    void type(const Contents &stems) {
        for (const auto &[oldName, stem] : stems)
            type(oldName, stem);
    }
    void remove(const std::string &name) const { std::filesystem::remove(dir.path() / name); }
    filvane::RenamePlan plan(const filvane::RenameOptions &options = {.numbering = false}) const {
        return filvane::planFromLists(lists, options, dir.str(), std::nullopt);
    }
    filvane::RowsWithNames run(Method method,
                               const filvane::RenameOptions &options = {.numbering = false},
                               const filvane::RenameProgress &progress = {}) const {
        return filvane::renameRows(plan(options), method, progress);
    }
    filvane::RenameResult run(const filvane::RunSettings &settings,
                              const filvane::RenameOptions &options = {.numbering = false}) const {
        return filvane::runPlan(plan(options), settings);
    }
    // Every entry of the folder and below, hidden ones too: no temporary name may be left.
    Contents contents() const {
        Contents found;
        for (const auto &entry : std::filesystem::recursive_directory_iterator(dir.path())) {
            const std::string name = entry.path().lexically_relative(dir.path()).string();
            found[name] = entry.is_directory() ? "(directory)" : dir.read(name);
        }
        return found;
    }
};

// A folder of `files` as RenameFolder made it: each file under its own name, with its own
// name as content.
inline Contents unchanged(const Names &files) {
    Contents contents;
    for (const std::string &file : files)
        contents[file] = file;
    return contents;
}

// Each row's outcome by old name, readable in a failure message: "renamed", "refused",
// "blank", "pending", "renamed since", "replaced since", or the errno's name ("EEXIST").
inline Contents outcomes(const std::vector<filvane::RowOutcome> &rows) {
    static const char *const texts[] = {"renamed", "blank",         "refused",       "",
                                        "pending", "renamed since", "replaced since"}; // by enum
    Contents found;
    for (const filvane::RowOutcome &row : rows) {
        std::string &text = found[std::string(row.oldName)];
        if (row.outcome != filvane::RenameOutcome::Failed)
            text = texts[static_cast<int>(row.outcome)];
        else if (const char *errorName = strerrorname_np(row.error))
            text = errorName;
        else
            text = std::to_string(row.error);
    }
    return found;
}
inline Contents outcomes(const filvane::RowsWithNames &run) {
    return outcomes(run.rows);
}

// Every listed file renamed, but those given with their outcome.
inline Contents allRenamedBut(const RenameFolder &folder, const Contents &others = {}) {
    Contents expected = others;
    for (int row = 1; row <= folder.lists.fileCount(); ++row)
        expected.emplace(folder.lists.readList().cell(1, row), "renamed");
    return expected;
}
