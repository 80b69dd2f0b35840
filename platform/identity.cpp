#include "platform/identity.h"

bool IsThisUserOnThisPc(std::string_view userName, std::string_view pcName) {
    const std::string user = ThisUserName();
    const ComputerNames pc = ThisComputerNames();
    const std::string_view withoutDomain = userName.substr(userName.rfind('\\') + 1);
    if (user.empty() || !SameName(withoutDomain, user)) return false;
    for (const std::string& name : {pc.netbios, pc.dnsHost, pc.fullyQualified}) {
        if (!name.empty() && SameName(pcName, name)) return true;
    }
    return false;
}
