#include "ProviderIndicationControl.h"

namespace orv::cimxml {

void ProviderIndicationControl::report(const ProviderOutcome& outcome, const std::string& what) const {
    if (!log_) return;
    if (outcome.ok())
        log_("provider: " + what);
    else
        log_("provider refused " + what + ": CIM status " + std::to_string(outcome.rc) + " " + outcome.message);
}

void ProviderIndicationControl::activateFilter(const std::string& nameSpace, const std::string& query,
                                               const std::string& language, const std::string& className,
                                               bool first) {
    report(provider_.activateFilter({nameSpace, ""}, query, language, className, first),
           "activateFilter " + className + " in " + nameSpace + (first ? " (first)" : ""));
}

void ProviderIndicationControl::deActivateFilter(const std::string& nameSpace, const std::string& query,
                                                 const std::string& language, const std::string& className,
                                                 bool last) {
    report(provider_.deActivateFilter({nameSpace, ""}, query, language, className, last),
           "deActivateFilter " + className + " in " + nameSpace + (last ? " (last)" : ""));
}

void ProviderIndicationControl::enableIndications(const std::string& nameSpace) {
    report(provider_.enableIndications({nameSpace, ""}), "enableIndications");
}

void ProviderIndicationControl::disableIndications(const std::string& nameSpace) {
    report(provider_.disableIndications({nameSpace, ""}), "disableIndications");
}

}  // namespace orv::cimxml
