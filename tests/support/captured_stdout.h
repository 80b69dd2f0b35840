// Standard output of this process, captured in process (tests and the fuzzer).
#pragma once

#include <string>

namespace testsupport {

// Captures what the process writes to standard output while it lives.
class CapturedStdout {
public:
    CapturedStdout();
    CapturedStdout(const CapturedStdout&) = delete;
    CapturedStdout& operator=(const CapturedStdout&) = delete;
    ~CapturedStdout();

    // Stops capturing and returns what was written.
    std::string take();

private:
    int savedStdout_ = -1;
    int captureFile_ = -1;
};

}  // namespace testsupport
