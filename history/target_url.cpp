#include "history/target_url.h"

#include <string>

std::vector<WCHAR> TargetUrl(const WCHAR* targetPath) {
    constexpr WCHAR kBackslash = '\\';
    std::vector<WCHAR> url(targetPath, targetPath + std::char_traits<WCHAR>::length(targetPath));
    if (!url.empty() && url.back() == '"') url.back() = kBackslash;
    if (!url.empty() && url.back() != kBackslash) url.push_back(kBackslash);
    url.push_back(0);
    return url;
}
