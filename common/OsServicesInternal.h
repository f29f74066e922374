// Pieces of the operating-system layer that are pure functions of their
// input, kept apart so that tests can feed them cases the host cannot
// produce (a host with ten addresses, an unusual os-release file).
#pragma once

#include <string>

#include "OsServices.h"

struct addrinfo;

namespace orv::os {

// The registry file in force: ORV_KESTRA_REGISTRY when set and not empty,
// else kDefaultRegistryFile.
std::string RegistryFilePath();

// Looks up valueName in the section named key of the registry file, read
// afresh on every call. Key and value names compare without regard to case,
// as registry names do. False when the file, the section or the value is
// missing, or the value is empty.
bool ReadRegistryValue(const std::string& key, const std::string& valueName, std::string& value);

// Fills the record with the distinct IPv4 addresses of a resolver answer,
// at most eight, in the answer's order; other entries stay zero.
void CopyHostAddresses(const addrinfo* answer, OsHostAddresses* record);

// PRETTY_NAME of an os-release text, unquoted; empty when absent.
std::string PrettyNameFromOsRelease(const std::string& osReleaseText);

// "Linux <major>.<minor>.<patch> <prettyName>" from a kernel release text
// such as "6.1.0-18-amd64"; numbers that are missing count as 0.
std::string FormatVersionString(const std::string& kernelRelease, const std::string& prettyName);

}  // namespace orv::os
