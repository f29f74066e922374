// CIM export over HTTP: the ExportIndication message that carries one
// indication to a listener, the listener's answer, and the listener URLs
// the server accepts.
#pragma once

#include "ServerSchema.h"
#include "Value.h"

#include <optional>
#include <string>

namespace orv::cimxml {

// http://host[:port][/path] or https://...; nothing for any other text.
struct ListenerUrl {
    std::string scheme;     // "http" or "https"
    std::string authority;  // host[:port]
    std::string path;       // "/" when the URL has none

    std::string origin() const { return scheme + "://" + authority; }
};
std::optional<ListenerUrl> parseListenerUrl(const std::string& text);

// The request body: SIMPLEEXPREQ/EXPMETHODCALL ExportIndication with the
// indication as the NewIndication parameter.
std::string exportIndicationRequest(const ServerSchema& schema, const cmpiserver::Instance& indication,
                                    const std::string& messageId);
// The listener's answer: an empty EXPMETHODRESPONSE, or one with an ERROR.
std::string exportIndicationResponse(const std::string& messageId, int errorCode = 0,
                                     const std::string& description = {});

// The HTTP headers of an export request (besides Content-Type).
inline constexpr const char* kExportContentType = "application/xml; charset=\"utf-8\"";

}  // namespace orv::cimxml
