#include "platform/identity.h"

bool IsThisUserOnThisPc(std::string_view userName, std::string_view pcName) {
    const std::string user = ThisUserName();
    const std::string pc = ThisComputerName();
    const std::string_view withoutDomain = userName.substr(userName.rfind('\\') + 1);
    return !user.empty() && !pc.empty() && SameName(withoutDomain, user) && SameName(pcName, pc);
}
