#include "cli/dispatch.h"

#include <cstring>
#include <memory>
#include <new>

#include "history/file_history.h"
#include "platform/console.h"

namespace {

bool Is(const char* argument, const char* option) { return std::strcmp(argument, option) == 0; }

// The target argument, decoded from UTF-8 whatever the runtime's code page, and
// handed to EnableFileHistory. A decoder failure or a failed allocation
// rejects the path. The buffer has a spare zero unit: a decoder that swallows
// the terminator of a text cut short (Wine's does) still leaves it terminated.
ExitStatus EnableOnTarget(const char* target) {
    const int units = MultiByteToWideChar(CP_UTF8, 0, target, -1, nullptr, 0);
    std::unique_ptr<WCHAR[]> wideTarget(units > 0 ? new (std::nothrow) WCHAR[units + 1]() : nullptr);
    if (!wideTarget || MultiByteToWideChar(CP_UTF8, 0, target, -1, wideTarget.get(), units) == 0) {
        WriteLine("Please provide path for the drive....");
        return kArgumentsRejected;
    }
    return EnableFileHistory(wideTarget.get());
}

ExitStatus DispatchOneArgument(const char* option) {
    if (Is(option, "-d") || Is(option, "-D")) return DisableFileHistory();
    if (Is(option, "-e") || Is(option, "-E")) {
        WriteLine("Invaild arguments, please enter backup path..");
        return kArgumentsRejected;
    }
    if (Is(option, "/?")) {
        WriteLine("Eneble/Disable Windows File Histroy...");
        WriteLine("For Enable: -E <Network path for backup>");
        WriteLine("For Disable: -D");
    }
    return kDone;  // anything else: nothing to do
}

ExitStatus DispatchTwoArguments(const char* option, const char* target) {
    if (!Is(option, "-e") && !Is(option, "-E")) return kDone;  // nothing to do
    if (*target == '\0') {
        WriteLine("Please provide path for the drive....");
        return kArgumentsRejected;
    }
    return EnableOnTarget(target);
}

}  // namespace

int Dispatch(int argc, char* argv[]) {
    try {
        if (argc == 2) return DispatchOneArgument(argv[1]);
        if (argc == 3) return DispatchTwoArguments(argv[1], argv[2]);
        WriteLine("invalid Arguments.....");
        return kArgumentsRejected;
    } catch (const ComUnavailable&) {  // from EnableFileHistory
        WriteLine(ComUnavailable::kMessage);
        return kComUnavailable;
    }
}
