// note_writer TEXT: in its own process, adds a note through the notes
// program's note-store operations, saves it with TEXT and prints its
// identifier. The handheld is $JOTTERWICK_HANDHELD.
#include "device/app/note_store.h"
#include "platform/base/unicode.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: note_writer TEXT\n");
        return 2;
    }
    CEOID oidDb = 0;
    HANDLE cursor = OpenNoteDatabase(&oidDb);
    if (cursor == INVALID_HANDLE_VALUE)
        return 1;
    const CEOID note = AddNewNote(cursor, NoteYellow, u"");
    if (note == 0 || !WriteNote(cursor, note, unicode::ToUtf16(argv[1]), NoteGreen, u"Work\n"))
        return 1;
    std::printf("%u\n", note);
    CloseHandle(cursor);
    return 0;
}
