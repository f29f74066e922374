// The operations of the server: each CIM-XML request, once read, is
// checked against the schema, routed to the provider classes that serve
// it, and answered as a CIM-XML response document.
#pragma once

#include "AnswerStream.h"
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
    // server's own, come back as an ERROR element; nothing is thrown. With a
    // stream, an answer that outgrows its block goes there while it is
    // written and only the rest is returned; a failure found after it
    // started goes to the stream too, and nothing is returned.
    std::string answer(const XmlRequest& request, const cmpiserver::Principal& principal,
                       AnswerStream* stream = nullptr);
    // Requests on the subscription classes go there instead of the provider.
    void setSubscriptions(SubscriptionOperations* subscriptions) { subscriptions_ = subscriptions; }

private:
    class Call;
    std::string failed(const XmlRequest& request, int code, const std::string& description, AnswerStream* stream);

    const ServerSchema& schema_;
    ProviderModule& provider_;
    std::string hostName_;
    LogFunction log_;
    SubscriptionOperations* subscriptions_ = nullptr;
};

}  // namespace orv::cimxml
