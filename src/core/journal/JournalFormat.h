#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace filvane {

enum class RunKind {
    Rename,   // the user's run
    Undo,     // takes back the files of an earlier run (`undoes`); undoing an undo redoes
    Recovery, // restores, finishes or settles a run that was cut off (`undoes`)
};

// The journal file, described once for the writer (RunJournal) and the reader (readJournal).
// It is lines of text, each ended by '\n'; names are bytes, escaped (see appendEscaped):
//
//   filvane-journal 2              the magic and the version (1 has no `way` and no sum)
//   kind rename|undo|recovery
//   undoes <id>                    undo and recovery: the journal it deals with, a bare id
//   intent restore|finish|leave    recovery: what the user chose
//   folder <path>                  absolute, as resolved when the plan was made
//   identity <device> <inode>      of that folder
//   pid <pid>                      of the process that wrote it
//   way <word>                     version 2: how the run renamed (the renamer's word)
//   started <seconds> <nanoseconds>  where the folder keeps birth times: every file of the
//                                  plan was born before this, by the file system's own clock
//   steps <N>                      0 to MostSteps: the N step lines that follow
//   <r|c<round>>\t<inode>\t<before>\t<after>[\t<identity>]    N times, in the order of the run
//   planned [<sum>]                the plan is whole (version 2: and durable before the first
//                                  rename); the sum is FNV-1a 64 of every byte before the line
//   then the marks, each appended later:
//   complete <n>                   the run ended; n counts the steps whose file got its new
//                                  name, 0 to N (a file that kept its name is no step)
//   undone <id> | redone <id> | settled [<id>]
//
// Version 2 journals are written under a private name and renamed into place once `planned` is
// durable, so a journal under its own name that lacks `planned` is damaged, never a plan that
// was cut off.
namespace journal {

constexpr std::string_view MagicPrefix = "filvane-journal ";
constexpr int CurrentVersion = 2;
constexpr std::string_view Prefix = "run-", Suffix = ".journal";
// A plan being written, not yet a journal: removed once nobody holds it.
constexpr std::string_view PartSuffix = ".part";
constexpr std::string_view DamagedPrefix = "damaged-";

// The most files a listing holds; a count beyond it is damage, not a reason to read on.
constexpr std::size_t MostSteps = 50'000'000;
// A step line holds two names of at most 255 bytes, each escaped to at most four times that,
// and numbers: a longer line is damage. The head's folder path may take a few such lines.
constexpr std::size_t MostLineBytes = 4096;
constexpr std::size_t MostHeadBytes = 16 * MostLineBytes;
// The marks a journal gathers over many undos and redos.
constexpr std::size_t MostMarkBytes = std::size_t(1) << 20;
// The least a step line takes ("r\t0\ta\tb\n").
constexpr std::size_t LeastStepBytes = 8;
// The most a journal of `steps` steps can take: a larger file is damaged, whatever it says,
// so that what reading costs is bounded by what a writer could have written.
constexpr std::uint64_t mostJournalBytes(std::uint64_t steps) {
    return MostHeadBytes + steps * MostLineBytes + MostMarkBytes;
}

std::string_view kindWord(RunKind kind);
std::optional<RunKind> kindOfWord(std::string_view word);

// The words of `intent`.
bool isIntentWord(std::string_view word);
// A word of `way`: lower-case letters and '-', short.
bool isWayWord(std::string_view word);

// Bytes that would end a field or a line, and the escape itself, are written "\xNN".
void appendEscaped(std::string &out, std::string_view name);
bool unescape(std::string_view text, std::string &out);

// A journal's id as its writer names it: "run-<digits>-<digits>.journal", nothing else (no
// separator, no "damaged-" prefix).
bool isBareId(std::string_view id);
// A file name in a folder: not empty, no '/', no NUL, not "." or "..".
bool isPlainName(std::string_view name);
// An absolute path with no NUL and no "." or ".." component.
bool isAbsoluteFolder(std::string_view path);

// FNV-1a, 64 bits: the sum on `planned`, over every byte before that line.
class Sum {
public:
    void add(std::string_view bytes) {
        for (const char c : bytes) {
            m_value ^= static_cast<unsigned char>(c);
            m_value *= 0x100000001b3ull;
        }
    }
    std::uint64_t value() const { return m_value; }
    std::string text() const;

private:
    std::uint64_t m_value = 0xcbf29ce484222325ull;
};

} // namespace journal
} // namespace filvane
