// A request body from the network, through the whole request handling: the
// parser, the header checks, the schema checks and the dispatch to a provider
// (the small fixture provider, whose classes cover paths, references, arrays,
// associations and methods). Whatever arrives, the server must answer, and
// what it answers with status 200 must be a CIM-XML document.
#include "CimError.h"
#include "CimOperations.h"
#include "CimXmlService.h"
#include "FixtureSchema.h"
#include "ProviderModule.h"
#include "XmlRequest.h"

#include <libxml/parser.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

using namespace orv::cimxml;

namespace {

// One server for the whole run: loading the provider is the slow part.
struct Server {
    ServerSchema schema = test::fixtureSchema();
    orv::cmpiserver::Broker broker;
    std::unique_ptr<ProviderModule> provider;
    std::unique_ptr<CimOperations> operations;
    std::unique_ptr<CimXmlService> service;

    Server() {
        for (const ClassDecl* decl : schema.classes()) broker.classHierarchy().addClass(decl->name, decl->superClass);
        provider = std::make_unique<ProviderModule>(broker, FIXTURE_PROVIDER, "Fixture");
        operations = std::make_unique<CimOperations>(schema, *provider, "fuzzhost");
        service = std::make_unique<CimXmlService>(*operations);
    }
};

// Header text that decodes back to `text`.
std::string headerEscaped(const std::string& text) {
    std::string out;
    for (char c : text) out += c == '%' ? std::string("%25") : std::string(1, c);
    return out;
}

// The headers a client sends for the body, so that requests the parser
// accepts get past the header checks to the operations.
HttpExchange exchangeFor(const std::string& body) {
    HttpExchange exchange;
    exchange.body = body;
    exchange.headers = {{"Content-Type", "application/xml; charset=\"utf-8\""},
                        {"CIMProtocolVersion", "1.0"},
                        {"CIMOperation", "MethodCall"}};
    try {
        const XmlRequest request = parseRequest(body);
        std::string object = request.nameSpace;
        if (!request.intrinsic) object += ":" + request.target.className;
        exchange.headers.emplace_back("CIMMethod", headerEscaped(request.methodName));
        exchange.headers.emplace_back("CIMObject", headerEscaped(object));
    } catch (const ProtocolError&) {
        // The service refuses it again, before it looks at these headers.
    }
    return exchange;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Server server;
    const std::string body(reinterpret_cast<const char*>(data), size);
    const HttpAnswer answer = server.service->handle(exchangeFor(body));
    if (answer.status != 200) return 0;

    // libxml2 rather than the request parser's reader: it refuses bytes that
    // are not UTF-8 and characters XML does not allow, which a client's
    // parser refuses too.
    xmlDocPtr document = xmlReadMemory(answer.body.data(), static_cast<int>(answer.body.size()), "answer.xml",
                                       nullptr, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    const xmlNode* root = document ? xmlDocGetRootElement(document) : nullptr;
    const bool cimDocument = root && xmlStrcmp(root->name, reinterpret_cast<const xmlChar*>("CIM")) == 0;
    if (document) xmlFreeDoc(document);
    if (!cimDocument) {
        std::fprintf(stderr, "answer with status 200 is not a well-formed CIM-XML document:\n%s\n",
                     answer.body.c_str());
        std::abort();
    }
    return 0;
}
