// The operations of the server: each CIM-XML request, once read, is
// checked against the schema, routed to the provider classes that serve
// it, and answered as a CIM-XML response document.
#pragma once

#include "ProviderModule.h"
#include "ServerSchema.h"
#include "XmlRequest.h"

#include <functional>
#include <string>

namespace orv::cimxml {

class SubscriptionOperations;

using LogFunction = std::function<void(const std::string& line)>;

class CimOperations {
public:
    // hostName goes into the instance paths of responses.
    CimOperations(const ServerSchema& schema, ProviderModule& provider, std::string hostName,
                  LogFunction log = {});

    // The response document for a request. Failures, the provider's and the
    // server's own, come back as an ERROR element; nothing is thrown.
    std::string answer(const XmlRequest& request, const std::string& principal);
    // Requests on the subscription classes go there instead of the provider.
    void setSubscriptions(SubscriptionOperations* subscriptions) { subscriptions_ = subscriptions; }

private:
    class Call;

    const ServerSchema& schema_;
    ProviderModule& provider_;
    std::string hostName_;
    LogFunction log_;
    SubscriptionOperations* subscriptions_ = nullptr;
};

}  // namespace orv::cimxml
