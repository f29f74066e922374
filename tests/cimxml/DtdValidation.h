// Checks CIM-XML documents against DMTF's CIM-XML DTD with libxml2.
#pragma once

#include <string>

namespace orv::cimxml::test {

// True when the DTD is present beside the source tree; tests skip otherwise.
bool cimXmlDtdAvailable();
// The validator's complaints; empty for a valid document.
std::string cimXmlDtdErrors(const std::string& document);
// A test failure naming the complaints, when the DTD is there to judge.
void expectValidCimXml(const std::string& document);

}  // namespace orv::cimxml::test
