// The receiving end of CIM export, for orv-listener: reads ExportIndication
// requests, answers them, turns each indication into one printed line (or
// one JSON object) and notices gaps in each sender's sequence numbers.
#pragma once

#include "CimXmlService.h"

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace orv::cimxml {

struct ReceivedIndication {
    std::string className;
    // Property values as text; array elements joined with ",".
    std::vector<std::pair<std::string, std::string>> properties;

    std::optional<std::string> property(const std::string& name) const;
};

struct ListenerReply {
    HttpAnswer answer;
    std::optional<ReceivedIndication> indication;  // set when one was accepted
};

// Reads one request. Requests that are not CIM export are refused at the
// HTTP level with a CIMError header; export methods other than
// ExportIndication get a CIM error in the response.
ListenerReply receiveExport(const HttpExchange& exchange);

// "time class source severity description", one line.
std::string indicationLine(const ReceivedIndication& indication, const std::string& time);
// The same as one JSON object on one line, every property included.
std::string indicationJson(const ReceivedIndication& indication, const std::string& time);

// Watches SequenceContext and SequenceNumber of what arrives.
class SequenceWatch {
public:
    // A sentence naming the missing numbers when some were skipped; a new
    // context (a restarted server) starts afresh.
    std::optional<std::string> check(const ReceivedIndication& indication);

private:
    std::mutex mutex_;
    std::map<std::string, long long> next_;  // expected number per context
};

}  // namespace orv::cimxml
