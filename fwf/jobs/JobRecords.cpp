#include "JobRecords.h"

#include <cstdlib>
#include <iterator>

#include "CIMException.h"
#include "CommonFunctions.h"
#include "Logger.h"
#include "PropertyBuilders.h"

namespace orv::cim::fwf::jobs {

using orv::raidlib::PropertyContainer;

namespace {

constexpr const char* kJobNames[] = {
    "Formating",                 "Synchronize Virtual Disk", "Delete Virtual Disk",  "Synchronize Virtual Disk",
    "Expand Virtual Disk",       "Rebuild Physical Disk",    "Migrate Virtual Disk", "Hot Spare Assigned",
    "Hot Spare Removed",         "Flush Cache",              "Scan Media",
};

// Which service's method a command answers for. Rebuilding a disk is the
// sparing service's RebuildStorageExtent; re-synchronising parity its
// CheckParityConsistency. Formatting, the first synchronisation, deleting,
// expanding and migrating a virtual disk follow the storage configuration
// service's element methods. Spare assignment is synchronous for a client,
// and flushes, media scans and firmware downloads start from no CIM method.
constexpr JobMethod kJobMethods[] = {
    JobMethod::CreateOrModifyElementFromStoragePool,  // 0 format (fast init)
    JobMethod::CreateOrModifyElementFromStoragePool,  // 1 first synchronisation
    JobMethod::CreateOrModifyElementFromStoragePool,  // 2 delete
    JobMethod::CheckParityConsistency,                // 3 resync
    JobMethod::CreateOrModifyElementFromStoragePool,  // 4 expand
    JobMethod::RebuildStorageExtent,                  // 5 rebuild
    JobMethod::CreateOrModifyElementFromStoragePool,  // 6 migrate
};

// One published property: where it comes from, how it is typed, and the name
// its unreadable-value log line gives it.
enum class Kind { Number16, Number32, Flag, DateTime, Text };
struct PublishedProperty {
    const char* recordField;
    const char* cimName;
    Kind kind;
    const char* logName;
};
constexpr PublishedProperty kPublished[] = {
    {field::kContrId, "ControllerID", Kind::Number32, "contrId"},
    {field::kDeviceType, "DeviceType", Kind::Number32, "deviceType"},
    {field::kJobState, "JobState", Kind::Number16, "jobState"},
    {field::kDeleteOnCompletion, "DeleteOnCompletion", Kind::Flag, "deleteOnCompletion"},
    {field::kPercentComplete, "PercentComplete", Kind::Number16, "percentComplete"},
    {field::kStartTime, "StartTime", Kind::DateTime, "startTime"},
    {field::kTimeOfLastStateChange, "TimeOfLastStateChange", Kind::DateTime, "timeofLastStateChange"},
    {field::kTimeBeforeRemoval, "TimeBeforeRemoval", Kind::DateTime, "TimeBeforeRemoval"},
    {field::kJobName, "Name", Kind::Text, "name"},
};

bool isDecimal(const std::string& text) {
    return !text.empty() && text.size() <= 10 && text.find_first_not_of("0123456789") == std::string::npos;
}

}  // namespace

std::string JobIdentity::text() const {
    return std::to_string(contrId) + "_" + std::to_string(deviceId) + "_" + std::to_string(lrcType);
}

PropertyContainer JobIdentity::keys() const {
    PropertyContainer keys;
    keys.insertInt(field::kContrId, contrId, true);
    keys.insertInt(field::kDeviceId, deviceId, true);
    keys.insertInt(field::kLrcType, lrcType, true);
    return keys;
}

std::optional<JobIdentity> parseJobInstanceId(const std::string& instanceId) {
    // The splitter's field 2 is everything after the first "_"; the device
    // is the first field of that.
    using CommonFunctions::token;
    const std::string parts[] = {token(instanceId, 1), token(token(instanceId, 2), 1), token(instanceId, 3)};
    for (const std::string& part : parts)
        if (!isDecimal(part)) return std::nullopt;
    const auto number = [](const std::string& text) { return static_cast<uint32_t>(std::strtoul(text.c_str(), nullptr, 10)); };
    return JobIdentity{number(parts[0]), number(parts[1]), number(parts[2])};
}

std::optional<JobIdentity> identityOf(const PropertyContainer& record) {
    JobIdentity identity;
    if (record.getPropertyValue(identity.contrId, field::kContrId, true) != 0 ||
        record.getPropertyValue(identity.deviceId, field::kDeviceId, true) != 0 ||
        record.getPropertyValue(identity.lrcType, field::kLrcType, true) != 0)
        return std::nullopt;
    return identity;
}

const char* jobNameOf(uint32_t lrcType) {
    return lrcType < std::size(kJobNames) ? kJobNames[lrcType] : "Unknown";
}

uint32_t jobStateOf(uint32_t lrcStatus) {
    switch (lrcStatus) {
    case 0: return JobState::Completed;
    case 1: return JobState::Running;
    case 2: return JobState::Starting;
    case 3:
    case 4: return JobState::Exception;
    case 5: return JobState::Killed;
    default: return JobState::Vendor;
    }
}

JobMethod jobMethodOf(uint32_t lrcType) {
    return lrcType < std::size(kJobMethods) ? kJobMethods[lrcType] : JobMethod::None;
}

const char* methodNameOf(JobMethod method) {
    switch (method) {
    case JobMethod::CreateOrModifyElementFromStoragePool: return "CreateOrModifyElementFromStoragePool";
    case JobMethod::CheckParityConsistency: return "CheckParityConsistency";
    case JobMethod::RebuildStorageExtent: return "RebuildStorageExtent";
    case JobMethod::None: return nullptr;
    }
    return nullptr;
}

std::vector<CIMKeyBinding> concreteJobKeys(const PropertyContainer& record) {
    const std::optional<JobIdentity> identity = identityOf(record);
    if (!identity) {
        LogMessage(2, "%s Property retrieval failed.", "InstanceID");
        throw CIMException(1, "%s Property retrieval failed.", "InstanceID");
    }
    return {stringKey("InstanceID", identity->text())};
}

std::vector<CIMProperty> concreteJobProperties(const PropertyContainer& record) {
    std::vector<CIMProperty> out;
    for (const PublishedProperty& published : kPublished) {
        const bool isKey = record.findProperty(published.recordField, true) != nullptr;
        uint32_t number = 0;
        std::string text;
        const bool readable = published.kind == Kind::DateTime || published.kind == Kind::Text
                                  ? record.getPropertyValue(text, published.recordField, isKey) == 0
                                  : record.getPropertyValue(number, published.recordField, isKey) == 0;
        if (!readable) {
            LogMessage(2, "getPropertyValue(JobObject::%s) failed", published.logName);
            continue;
        }
        switch (published.kind) {
        case Kind::Number16:
            out.push_back(scalarProperty<uint16_t>(published.cimName, static_cast<uint16_t>(number), CIM_UINT16));
            break;
        case Kind::Number32: out.push_back(scalarProperty<uint32_t>(published.cimName, number, CIM_UINT32)); break;
        case Kind::Flag: out.push_back(scalarProperty(published.cimName, number != 0, CIM_BOOLEAN)); break;
        case Kind::DateTime: out.push_back(scalarProperty(published.cimName, text, CIM_DATETIME)); break;
        case Kind::Text: out.push_back(stringProperty(published.cimName, text)); break;
        }
    }
    return out;
}

CIMObjectPath concreteJobPath(const JobIdentity& identity, const std::string& host, const std::string& nameSpace) {
    CIMObjectPath path(host, nameSpace, kConcreteJobClass);
    path.setKeyBindings({stringKey("InstanceID", identity.text())});
    return path;
}

CIMInstance concreteJobInstance(const PropertyContainer& record, const std::string& host,
                                const std::string& nameSpace) {
    CIMObjectPath path(host, nameSpace, kConcreteJobClass);
    path.setKeyBindings(concreteJobKeys(record));
    CIMInstance instance(path);
    for (const CIMProperty& property : concreteJobProperties(record)) instance.addProperty(property);
    return instance;
}

}  // namespace orv::cim::fwf::jobs
