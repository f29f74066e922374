// The intrinsic operations on the subscription classes in the interop
// namespaces (CIM_IndicationFilter, CIM_ListenerDestinationCIMXML and its
// base, CIM_IndicationSubscription): the server answers them itself from
// the SubscriptionService; they never reach the provider.
#pragma once

#include "ServerSchema.h"
#include "SubscriptionService.h"
#include "XmlRequest.h"

#include <string>
#include <vector>

namespace orv::cimxml {

// The interop namespaces where clients subscribe: root/PG_InterOp, where
// OpenPegasus has it, and root/interop, where SMI-S clients look first.
const std::vector<std::string>& subscriptionNamespaces();

// Declares the subscription classes and makes them visible in the interop
// namespaces (served from then on).
void addSubscriptionClasses(ServerSchema& schema);

class SubscriptionOperations {
public:
    SubscriptionOperations(const ServerSchema& schema, SubscriptionService& service, std::string hostName)
        : schema_(schema), service_(service), hostName_(std::move(hostName)) {}

    // Whether the request is an instance operation on a subscription class
    // in a namespace that serves them.
    bool handles(const XmlRequest& request, const std::string& nameSpace) const;
    // The response document; failures come back as an ERROR element.
    std::string answer(const XmlRequest& request, const std::string& nameSpace);

private:
    class Call;

    const ServerSchema& schema_;
    SubscriptionService& service_;
    std::string hostName_;
};

}  // namespace orv::cimxml
