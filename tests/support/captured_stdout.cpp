#include "tests/support/captured_stdout.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

namespace testsupport {

CapturedStdout::CapturedStdout() {
    std::fflush(stdout);
    char path[] = "/tmp/fhswitch-stdout-XXXXXX";
    captureFile_ = mkstemp(path);
    unlink(path);
    savedStdout_ = dup(STDOUT_FILENO);
    dup2(captureFile_, STDOUT_FILENO);
}

CapturedStdout::~CapturedStdout() { take(); }

std::string CapturedStdout::take() {
    if (savedStdout_ < 0) return "";
    std::fflush(stdout);
    dup2(savedStdout_, STDOUT_FILENO);
    close(savedStdout_);
    savedStdout_ = -1;
    std::string text;
    lseek(captureFile_, 0, SEEK_SET);
    char buffer[4096];
    for (ssize_t got; (got = read(captureFile_, buffer, sizeof buffer)) > 0;) text.append(buffer, got);
    close(captureFile_);
    return text;
}

}  // namespace testsupport
