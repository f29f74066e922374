#include "DtdValidation.h"

#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/valid.h>

#include <cstdarg>
#include <cstdio>
#include <fstream>

namespace orv::cimxml::test {

namespace {

void collect(void* context, const char* format, ...) {
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    *static_cast<std::string*>(context) += text;
}

}  // namespace

bool cimXmlDtdAvailable() { return std::ifstream(ORV_CIMXML_DTD).good(); }

std::string cimXmlDtdErrors(const std::string& document) {
    std::string errors;
    xmlDtdPtr dtd = xmlParseDTD(nullptr, reinterpret_cast<const xmlChar*>(ORV_CIMXML_DTD));
    if (!dtd) return "the DTD " ORV_CIMXML_DTD " cannot be read";
    xmlDocPtr doc = xmlReadMemory(document.data(), static_cast<int>(document.size()), "message.xml", nullptr,
                                  XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    if (!doc) {
        errors = "not well-formed XML";
    } else {
        xmlValidCtxtPtr context = xmlNewValidCtxt();
        context->userData = &errors;
        context->error = collect;
        context->warning = collect;
        if (!xmlValidateDtd(context, doc, dtd) && errors.empty()) errors = "invalid";
        xmlFreeValidCtxt(context);
        xmlFreeDoc(doc);
    }
    xmlFreeDtd(dtd);
    return errors;
}

void expectValidCimXml(const std::string& document) {
    if (!cimXmlDtdAvailable()) return;
    EXPECT_EQ(cimXmlDtdErrors(document), "") << document;
}

}  // namespace orv::cimxml::test
