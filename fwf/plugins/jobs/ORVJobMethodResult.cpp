#include "ORVJobMethodResult.h"

#include "JobSupport.h"
#include "PropertyBuilders.h"
#include "StoragePluginSupport.h"

namespace orv::cim::fwf {

using namespace jobs;

namespace {

constexpr const char* kName = "orv::cim::fwf::ORVJobMethodResult";

// The CIM_InstMethodCall a client subscribed to method calls would have
// received: before the call with nothing yet to return, after it with the
// job that carries the work on.
CIMInstance methodCall(const orv::raidlib::PropertyContainer& record, const JobIdentity& identity, bool preCall) {
    CIMInstance parameters;
    parameters.setClassName("__MethodParameters");
    parameters.setNameSpace(kJobNamespace);
    if (!preCall) parameters.addProperty(referenceProperty("Job", concreteJobPath(identity, "", kJobNamespace), false));

    CIMInstance call;
    call.setClassName("CIM_InstMethodCall");
    call.setNameSpace(kJobNamespace);
    call.addProperty(stringProperty("MethodName", methodNameOf(jobMethodOf(identity.lrcType))));
    call.addProperty(scalarProperty("MethodParameters", parameters, CIM_INSTANCE));
    call.addProperty(scalarProperty("PreCall", preCall, CIM_BOOLEAN));
    if (const auto service = owningElementPath(record, CIMObjectPath()))
        call.addProperty(stringProperty("SourceInstanceModelPath", service->toString()));
    return call;
}

}  // namespace

void ORVJobMethodResult::getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) {
    for (auto& record : selectJobRecords(path, kName)) {
        const auto identity = identityOf(record);
        if (identity && jobMethodOf(identity->lrcType) != JobMethod::None) out.push_back(std::move(record));
    }
}

void ORVJobMethodResult::getKeyAttributes(const orv::raidlib::PropertyContainer& record, KeyBindingList& out) {
    for (auto& key : concreteJobKeys(record)) out.push_back(std::move(key));
}

void ORVJobMethodResult::getNonKeyAttributes(const orv::raidlib::PropertyContainer& record, PropertyList& out) {
    const auto identity = identityOf(record);
    if (!identity) return;
    out.push_back(stringProperty("ElementName", std::string(methodNameOf(jobMethodOf(identity->lrcType))) + " " +
                                                    identity->text()));
    out.push_back(scalarProperty("PreCallIndication", methodCall(record, *identity, true), CIM_INSTANCE));
    out.push_back(scalarProperty("PostCallIndication", methodCall(record, *identity, false), CIM_INSTANCE));
}

}  // namespace orv::cim::fwf
