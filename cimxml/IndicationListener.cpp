#include "IndicationListener.h"

#include "ExportMessage.h"
#include "Value.h"
#include "XmlText.h"

#include <nlohmann/json.hpp>
#include <tinyxml2.h>

#include <cstring>

namespace orv::cimxml {

using cmpiserver::equalsIgnoreCase;

namespace {

ListenerReply refuse(int status, const char* cimError) {
    ListenerReply reply;
    reply.answer.status = status;
    reply.answer.headers = {{"CIMError", cimError}, {"Content-Type", "text/plain"}};
    return reply;
}

const tinyxml2::XMLElement* child(const tinyxml2::XMLElement* parent, const char* name) {
    return parent ? parent->FirstChildElement(name) : nullptr;
}

std::string attribute(const tinyxml2::XMLElement* e, const char* name) {
    const char* value = e ? e->Attribute(name) : nullptr;
    return value ? value : "";
}

std::string valueText(const tinyxml2::XMLElement* value) {
    const char* text = value ? value->GetText() : nullptr;
    return text ? text : "";
}

ReceivedIndication readInstance(const tinyxml2::XMLElement* instance) {
    ReceivedIndication out;
    out.className = attribute(instance, "CLASSNAME");
    for (auto* p = instance->FirstChildElement(); p; p = p->NextSiblingElement()) {
        const std::string name = attribute(p, "NAME");
        if (std::strcmp(p->Name(), "PROPERTY") == 0) {
            if (const auto* v = child(p, "VALUE")) out.properties.emplace_back(name, valueText(v));
        } else if (std::strcmp(p->Name(), "PROPERTY.ARRAY") == 0) {
            const auto* array = child(p, "VALUE.ARRAY");
            if (!array) continue;
            std::string joined;
            for (auto* v = array->FirstChildElement("VALUE"); v; v = v->NextSiblingElement("VALUE"))
                joined += (joined.empty() ? "" : ",") + valueText(v);
            out.properties.emplace_back(name, joined);
        }
    }
    return out;
}

const char* severityName(const std::string& number) {
    static const char* const names[] = {"Unknown", "Other", "Information", "Degraded/Warning",
                                        "Minor",   "Major", "Critical",    "Fatal/NonRecoverable"};
    try {
        const int n = std::stoi(number);
        if (n >= 0 && n < 8) return names[n];
    } catch (const std::exception&) {
    }
    return "?";
}

}  // namespace

std::optional<std::string> ReceivedIndication::property(const std::string& name) const {
    for (const auto& [n, v] : properties)
        if (equalsIgnoreCase(n, name)) return v;
    return std::nullopt;
}

ListenerReply receiveExport(const HttpExchange& exchange) {
    if (exchange.method != "POST") return refuse(405, "unsupported-operation");
    const auto kind = exchange.header("CIMExport");
    if (!kind || *kind != "MethodRequest") return refuse(400, "unsupported-operation");
    tinyxml2::XMLDocument doc;
    if (xmlTextFault(exchange.body) || doc.Parse(exchange.body.data(), exchange.body.size()) != tinyxml2::XML_SUCCESS)
        return refuse(400, "request-not-well-formed");
    const auto* message = child(doc.FirstChildElement("CIM"), "MESSAGE");
    const auto* call = child(child(message, "SIMPLEEXPREQ"), "EXPMETHODCALL");
    if (!call) return refuse(400, "request-not-valid");
    const std::string method = attribute(call, "NAME");
    if (const auto header = exchange.header("CIMExportMethod"); header && *header != method)
        return refuse(400, "header-mismatch");
    const std::string id = attribute(message, "ID");

    ListenerReply reply;
    reply.answer.headers = {{"CIMExport", "MethodResponse"}, {"Content-Type", kExportContentType}};
    if (method != "ExportIndication") {
        reply.answer.body = exportIndicationResponse(id, 7, "the export method " + method + " is not supported");
        return reply;
    }
    const tinyxml2::XMLElement* instance = nullptr;
    for (auto* p = call->FirstChildElement("EXPPARAMVALUE"); p; p = p->NextSiblingElement("EXPPARAMVALUE"))
        if (equalsIgnoreCase(attribute(p, "NAME"), "NewIndication")) instance = child(p, "INSTANCE");
    if (!instance) {
        reply.answer.body = exportIndicationResponse(id, 4, "ExportIndication needs a NewIndication INSTANCE");
        return reply;
    }
    reply.indication = readInstance(instance);
    reply.answer.body = exportIndicationResponse(id);
    return reply;
}

std::string indicationLine(const ReceivedIndication& indication, const std::string& time) {
    auto first = [&](std::initializer_list<const char*> names) {
        for (const char* name : names)
            if (auto v = indication.property(name); v && !v->empty()) return *v;
        return std::string("-");
    };
    const std::string severity = first({"PerceivedSeverity"});
    return time + " " + indication.className + " " + first({"SourceInstanceModelPath", "AlertingManagedElement"}) +
           " severity=" + severity + (severity == "-" ? "" : std::string(" (") + severityName(severity) + ")") +
           " " + first({"Description", "Message"});
}

std::string indicationJson(const ReceivedIndication& indication, const std::string& time) {
    nlohmann::json properties = nlohmann::json::object();
    for (const auto& [name, value] : indication.properties) properties[name] = value;
    return nlohmann::json{{"time", time}, {"class", indication.className}, {"properties", properties}}.dump();
}

std::optional<std::string> SequenceWatch::check(const ReceivedIndication& indication) {
    const auto context = indication.property("SequenceContext");
    const auto number = indication.property("SequenceNumber");
    if (!context || !number) return std::nullopt;
    long long n = 0;
    try {
        n = std::stoll(*number);
    } catch (const std::exception&) {
        return std::nullopt;
    }
    std::lock_guard lock(mutex_);
    auto [it, fresh] = next_.emplace(*context, n + 1);
    if (fresh) return std::nullopt;
    const long long expected = it->second;
    it->second = n + 1;
    if (n == expected) return std::nullopt;
    if (n > expected)
        return "sequence gap in " + *context + ": " + std::to_string(n - expected) + " indication(s) missing (" +
               std::to_string(expected) + " to " + std::to_string(n - 1) + ")";
    return "sequence number " + std::to_string(n) + " in " + *context + " arrived out of order (expected " +
           std::to_string(expected) + ")";
}

}  // namespace orv::cimxml
