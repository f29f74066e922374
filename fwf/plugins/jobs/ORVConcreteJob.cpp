#include "ORVConcreteJob.h"

#include "CIMException.h"
#include "CommonFunctions.h"
#include "JobSupport.h"
#include "Logger.h"

namespace orv::cim::fwf {

namespace {

constexpr const char* kModifyName = "orv::cim::fwf::ORVConcreteJob::modifyInstance";
constexpr const char* kInvokeName = "orv::cim::fwf::ORVConcreteJob::invokeMethod";

// CIM status codes of the refusals.
constexpr int kInvalidParameter = 4;
constexpr int kNotSupported = 7;

// The properties a client names: the list it gave, or every non-key
// property of the instance it sent when it gave none.
PropertyNameList namedProperties(const CIMInstance& instance, const PropertyNameList& propertyNames) {
    if (!propertyNames.empty()) return propertyNames;
    PropertyNameList names;
    for (const CIMProperty& property : instance.getProperties())
        if (!property.isKey()) names.push_back(property.getName());
    return names;
}

}  // namespace

void ORVConcreteJob::getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) {
    RepositoryObjects records = jobs::selectJobRecords(path, "orv::cim::fwf::ORVConcreteJob::getRepositoryObjects");
    for (auto& record : records) out.push_back(std::move(record));
}

void ORVConcreteJob::getKeyAttributes(const orv::raidlib::PropertyContainer& record, KeyBindingList& out) {
    for (auto& key : jobs::concreteJobKeys(record)) out.push_back(std::move(key));
}

void ORVConcreteJob::getNonKeyAttributes(const orv::raidlib::PropertyContainer& record, PropertyList& out) {
    for (auto& property : jobs::concreteJobProperties(record)) out.push_back(std::move(property));
}

void ORVConcreteJob::modifyInstance(CIMObjectPath path, CIMInstance instance, const PropertyNameList& propertyNames) {
    LogTrace("Entering ORVConcreteJob :: modifyInstance()");
    bool hasInstanceId = false;
    for (const CIMKeyBinding& key : path.getKeyBindings())
        hasInstanceId = hasInstanceId || CommonFunctions::equalsIgnoreCase(key.getName(), "InstanceID");
    if (!hasInstanceId) {
        LogMessage(2, "%s :: Key property %s not found in %s", kModifyName, "InstanceID", path.toString().c_str());
        throw CIMException(kInvalidParameter, "Key property %s not found in %s", "InstanceID", path.toString().c_str());
    }
    const PropertyNameList names = namedProperties(instance, propertyNames);
    // A client may name one property at a time; none of them is writable.
    if (names.size() > 1) {
        LogMessage(2, "%s :: %d properties cannot be modified for %s", kModifyName, static_cast<int>(names.size()),
                   jobs::kConcreteJobClass);
        throw CIMException(kInvalidParameter, "%d properties cannot be modified for %s", static_cast<int>(names.size()),
                           jobs::kConcreteJobClass);
    }
    for (const std::string& name : names) {
        std::string refused = name;
        for (const char* known : {"DeleteOnCompletion", "TimeBeforeRemoval"})
            if (CommonFunctions::equalsIgnoreCase(name, known)) refused = known;
        LogMessage(2, "%s :: Modification of %s not supported", kModifyName, refused.c_str());
        throw CIMException(kNotSupported, "Modification of %s not supported", refused.c_str());
    }
    LogTrace("Exiting ORVConcreteJob :: modifyInstance()");
}

uint32_t ORVConcreteJob::invokeMethod(CIMObjectPath path, const std::string& methodName, const CIMArgumentList& in,
                                      CIMArgumentList& out) {
    if (!CommonFunctions::equalsIgnoreCase(methodName, "RequestStateChange"))
        return AbstractInstanceProviderPlugin::invokeMethod(path, methodName, in, out);
    LogMessage(2, "%s :: Operation not supported", kInvokeName);
    throw CIMException(kNotSupported, std::string("Operation not supported"));
}

}  // namespace orv::cim::fwf
