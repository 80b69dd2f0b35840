// Directory listing and file deletion with narrow paths.
#pragma once

#include "platform/win_api.h"

// A directory search, closed when the owner goes.
class UniqueFindHandle {
public:
    explicit UniqueFindHandle(HANDLE search) : search_(search) {}
    UniqueFindHandle(const UniqueFindHandle&) = delete;
    UniqueFindHandle& operator=(const UniqueFindHandle&) = delete;
    ~UniqueFindHandle() {
        if (valid()) FindClose(search_);
    }

    bool valid() const { return search_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return search_; }

private:
    HANDLE search_;
};
