#include "ExportMessage.h"

#include "XmlResponse.h"
#include "XmlText.h"

#include <tinyxml2.h>

namespace orv::cimxml {

std::optional<ListenerUrl> parseListenerUrl(const std::string& text) {
    ListenerUrl url;
    std::string rest;
    for (const char* scheme : {"http", "https"}) {
        const std::string prefix = std::string(scheme) + "://";
        if (text.size() > prefix.size() && cmpiserver::equalsIgnoreCase(text.substr(0, prefix.size()), prefix)) {
            url.scheme = scheme;
            rest = text.substr(prefix.size());
        }
    }
    if (url.scheme.empty()) return std::nullopt;
    const auto slash = rest.find('/');
    url.authority = rest.substr(0, slash);
    url.path = slash == std::string::npos ? "/" : rest.substr(slash);
    if (url.authority.empty() || url.authority.find_first_of(" @?#") != std::string::npos) return std::nullopt;
    return url;
}

// The message ID is ours (a number), so only the instance needs the XML
// writer; it comes whole from the same code that writes responses.
std::string exportIndicationRequest(const ServerSchema& schema, const cmpiserver::Instance& indication,
                                    const std::string& messageId) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n"
           "<CIM CIMVERSION=\"2.0\" DTDVERSION=\"2.0\"><MESSAGE ID=\"" + messageId +
           "\" PROTOCOLVERSION=\"1.0\"><SIMPLEEXPREQ><EXPMETHODCALL NAME=\"ExportIndication\">"
           "<EXPPARAMVALUE NAME=\"NewIndication\">" + instanceXml(schema, indication) +
           "</EXPPARAMVALUE></EXPMETHODCALL></SIMPLEEXPREQ></MESSAGE></CIM>\n";
}

std::string exportIndicationResponse(const std::string& messageId, int errorCode, const std::string& description) {
    tinyxml2::XMLPrinter p(nullptr, true);
    p.OpenElement("CIM", true);
    p.PushAttribute("CIMVERSION", "2.0");
    p.PushAttribute("DTDVERSION", "2.0");
    p.OpenElement("MESSAGE", true);
    p.PushAttribute("ID", messageId.c_str());
    p.PushAttribute("PROTOCOLVERSION", "1.0");
    p.OpenElement("SIMPLEEXPRSP", true);
    p.OpenElement("EXPMETHODRESPONSE", true);
    p.PushAttribute("NAME", "ExportIndication");
    if (errorCode != 0) {
        p.OpenElement("ERROR", true);
        p.PushAttribute("CODE", errorCode);
        p.PushAttribute("DESCRIPTION", xmlSafe(description).c_str());
        p.CloseElement(true);
    } else {
        p.PushText("");
    }
    p.CloseElement(true);
    p.CloseElement(true);
    p.CloseElement(true);
    p.CloseElement(true);
    return std::string("<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n") + p.CStr() + "\n";
}

}  // namespace orv::cimxml
