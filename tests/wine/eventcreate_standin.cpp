// eventcreate.exe, which Wine lacks: records its arguments and succeeds, as
// Windows' own does with a source registered as its own.
#include "tests/wine/recorded_command.h"

int wmain(int argc, wchar_t** argv) {
    RecordCommand("eventcreate", argc, argv);
    return 0;
}
