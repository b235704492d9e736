// note_dump: prints the notes of the handheld ($JOTTERWICK_HANDHELD) and the
// desktop ($JOTTERWICK_DESKTOP) as side_dumps.h writes them, under the headings
// "handheld:" and "desktop:". Used where a test must not keep the stores open.
#include "side_dumps.h"

#include <cstdio>

int main() {
    std::printf("handheld:\n%sdesktop:\n%s", jsynctest::DumpHandheldNotes().c_str(),
                jsynctest::DumpDesktopNotes().c_str());
    return 0;
}
