// Who counts as an administrator of this host: the Linux counterpart of
// membership in the local "Administrators" group.
#pragma once

#include <string>

namespace orv::cim::adap::cmpi {

// The registry value naming one more group whose members administer the
// provider (under the provider's own key).
constexpr const char* kAdminGroupKey = "SOFTWARE\\ORV-Kestra\\Ambrix";
constexpr const char* kAdminGroupValue = "AdminGroup";
constexpr const char* kAdministratorsGroup = "Administrators";

// True for root (by name or user id 0) and for members, primary or
// supplementary, of "Administrators" or of the configured group. Group
// names compare exactly. An unknown user is no member. The server name only
// appears in the log.
bool isLocalAdministrator(const std::string& userName, const std::string& serverName);

}  // namespace orv::cim::adap::cmpi
