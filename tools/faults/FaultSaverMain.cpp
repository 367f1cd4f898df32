// Saves a large library over and over until it is killed, alternating between
// two versions that differ in every entry, so nearly all of its time is spent
// inside a save. Writes one byte to stdout once both versions are built. The
// kill test runs it and kills it at random moments.
//
//   tonalith-fault-saver PATH ENTRIES
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "FaultPatch.h"
#include "LibraryDocument.h"
#include "LibraryKeys.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s PATH ENTRIES\n", argv[0]);
        return 2;
    }
    const int entries = std::atoi(argv[2]);
    CLibraryDocument first(CLibraryKeyNames(), tonalith::faults::FaultCreator());
    CLibraryDocument second(CLibraryKeyNames(), tonalith::faults::FaultCreator());
    tonalith::faults::FillLibrary(first.GetLibrary(), entries, 1);
    tonalith::faults::FillLibrary(second.GetLibrary(), entries, 2);
    if (::write(STDOUT_FILENO, "r", 1) != 1) return 1;
    for (;;) {
        if (!first.OnSaveDocument(argv[1]) || !second.OnSaveDocument(argv[1])) return 1;
    }
}
