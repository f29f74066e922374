// Checks HTTP Basic credentials against the system's users through PAM, so
// that requests run as the real user and the provider's administrator check
// sees that user's groups.
#pragma once

#include <optional>
#include <string>

namespace orv::cimxml {

constexpr const char* kDefaultPamService = "orv-cimserver";

class PamPasswordCheck {
public:
    explicit PamPasswordCheck(std::string service = kDefaultPamService) : service_(std::move(service)) {}

    // Authenticates and checks the account (expired, locked). Answers the
    // user name PAM settled on, or nothing with `reason` set to PAM's own
    // explanation. Each call opens a PAM handle of its own, so concurrent
    // requests never share one. PAM's failure delay (pam_unix waits about
    // two seconds) is kept: it slows password guessing.
    std::optional<std::string> check(const std::string& user, const std::string& password,
                                     std::string& reason) const;

    const std::string& service() const { return service_; }

private:
    std::string service_;
};

// Overwrites a secret in place before its memory is given back.
void wipe(std::string& secret);

}  // namespace orv::cimxml
