// Who and where: the names File History files a user's backup under on a
// target, and how Windows compares them.
#pragma once

#include <string>
#include <string_view>

// The running user's account name, without its domain, in UTF-8; empty when
// it cannot be had.
std::string ThisUserName();
// This PC's names, in UTF-8, each empty when it cannot be had: a backup's
// configuration may name the PC by any of them (no page says which), and a
// host name longer than 15 characters makes the NetBIOS name a cut one.
struct ComputerNames {
    std::string netbios;         // "WORKSTATION-012"
    std::string dnsHost;         // "workstation-0123"
    std::string fullyQualified;  // "workstation-0123.corp.example.com"
};
ComputerNames ThisComputerNames();
// Whether two UTF-8 names are one as Windows compares account and computer
// names: code unit by code unit, without case.
bool SameName(std::string_view a, std::string_view b);
// Whether a File History backup's user and PC, as its configuration names
// them, are the running user on this PC: without case, the user's domain,
// if named ("CORP\\jane"), left aside, and the PC by any of its names. Never
// where a name cannot be had.
bool IsThisUserOnThisPc(std::string_view userName, std::string_view pcName);
