// Lists and sorts the files of a folder that match a mask with the core, exactly as the window's
// Read does (a session's read), and prints how many it found: the program's side of the
// whole-process comparison in compare_anchors.sh.
//   filvane_core_list DIR MASK
#include "core/RenameSession.h"
#include "core/listing/SearchPattern.h"

#include <cstdio>

int main(int argc, char **argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: filvane_core_list DIR MASK\n");
        return 2;
    }
    filvane::RenameSession session;
    session.read(argv[1], filvane::joinSearchPattern(argv[1], argv[2]));
    std::printf("%d\n", session.lists().fileCount());
    return 0;
}
