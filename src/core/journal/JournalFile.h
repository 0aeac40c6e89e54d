#pragma once

#include "core/base/FileHandle.h"

#include <string>

namespace filvane::journal {

// Opens a file of the journal folder (a journal, a folder's lock; made 0600 with O_CREAT)
// without ever waiting on it: a FIFO or device under its name is refused (EINVAL) instead of
// hanging the start, and a link is never followed.
FileHandle openJournalFile(const std::string &path, int flags, int &error);

} // namespace filvane::journal
