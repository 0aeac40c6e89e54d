#pragma once

#include "core/base/FileHandle.h"

#include <string>

namespace filvane::journal {

// Opens a journal file without ever waiting on it: a FIFO or device under a journal's name is
// refused (EINVAL) instead of hanging the start.
FileHandle openJournal(const std::string &path, int flags, int &error);

} // namespace filvane::journal
