// The subscription service's calls to the provider's indication functions,
// each made in a request scope of its own like any other provider call. A
// refusal is logged: the subscription stays, as the provider may only be
// unable to raise some of the indications the filter selects.
#pragma once

#include "ProviderModule.h"
#include "SubscriptionService.h"

namespace orv::cimxml {

class ProviderIndicationControl : public IndicationControl {
public:
    ProviderIndicationControl(ProviderModule& provider, LogFunction log) : provider_(provider), log_(std::move(log)) {}

    void activateFilter(const std::string& nameSpace, const std::string& query, const std::string& language,
                        const std::string& className, bool first) override;
    void deActivateFilter(const std::string& nameSpace, const std::string& query, const std::string& language,
                          const std::string& className, bool last) override;
    void enableIndications(const std::string& nameSpace) override;
    void disableIndications(const std::string& nameSpace) override;

private:
    void report(const ProviderOutcome& outcome, const std::string& what) const;

    ProviderModule& provider_;
    LogFunction log_;
};

}  // namespace orv::cimxml
