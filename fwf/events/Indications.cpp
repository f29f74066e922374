#include "Indications.h"

#include <ctime>

#include "CIMDateTime.h"
#include "OsServices.h"
#include "PropertyBuilders.h"
#include "VrlRecords.h"

namespace orv::cim::fwf {

namespace {

template <typename T>
std::optional<T> valueOf(const orv::raidlib::PropertyContainer& event, const char* name, bool isKey = false) {
    T value{};
    if (event.getPropertyValue(value, name, isKey) != 0) return std::nullopt;
    return value;
}

// Keys travel as keys from the library and as plain properties from
// containers made elsewhere; either will do.
std::optional<uint32_t> keyOrValue(const orv::raidlib::PropertyContainer& event, const char* name) {
    if (auto key = valueOf<uint32_t>(event, name, true)) return key;
    return valueOf<uint32_t>(event, name);
}

CIMProperty uint16Property(const char* name, uint16_t value) { return scalarProperty(name, value, CIM_UINT16); }

}  // namespace

std::optional<AenRecord> AenRecord::read(const orv::raidlib::PropertyContainer& event) {
    const auto contrId = keyOrValue(event, "contrId");
    const auto aenType = valueOf<uint32_t>(event, "aenType");
    if (!contrId || !aenType) return std::nullopt;
    AenRecord aen;
    aen.contrId = *contrId;
    aen.aenType = *aenType;
    aen.eventId = valueOf<uint32_t>(event, "snmpEvtId");
    aen.timeStamp = valueOf<uint64_t>(event, "aenTimestamp");
    aen.deviceId = keyOrValue(event, "deviceId");
    aen.diskId = valueOf<uint32_t>(event, "compPdId");
    aen.deviceType = valueOf<uint32_t>(event, "deviceType").value_or(0);
    aen.severity = valueOf<uint32_t>(event, "severity").value_or(0);
    aen.description = valueOf<std::string>(event, "description").value_or("");
    return aen;
}

namespace {

struct KindNames {
    const char* indicationClass;
    const char* logName;
};

// In the order of LifeCycleKind.
constexpr KindNames kKindNames[] = {
    {"CIM_InstCreation", "Create"},
    {"CIM_InstDeletion", "Delete"},
    {"CIM_InstModification", "Modify"},
};

}  // namespace

const char* indicationClassOf(LifeCycleKind kind) { return kKindNames[static_cast<int>(kind)].indicationClass; }

const char* logNameOf(LifeCycleKind kind) { return kKindNames[static_cast<int>(kind)].logName; }

uint16_t perceivedSeverity(uint32_t severity) {
    switch (severity) {
    case 1: return 6;
    case 2: return 2;
    case 3: return 3;
    default: return 0;
    }
}

std::string indicationTime(std::optional<uint64_t> secondsSince1970) {
    if (!secondsSince1970) return CIMDateTime::now().toString();
    const std::time_t seconds = static_cast<std::time_t>(*secondsSince1970);
    std::tm local{};
    if (localtime_r(&seconds, &local) == nullptr) return CIMDateTime::now().toString();
    return CIMDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                       local.tm_sec)
        .toString();
}

std::string sourceInstanceHost() {
    char host[256] = {};
    if (OsGetHostName(host, sizeof host) != 0) return {};
    return host;
}

IndicationOrigin originOf(const AenRecord& aen) {
    return {std::to_string(aen.eventId.value_or(0)), indicationTime(aen.timeStamp), perceivedSeverity(aen.severity)};
}

CIMInstance lifeCycleIndication(LifeCycleKind kind, const CIMInstance& source, const IndicationOrigin& origin) {
    CIMInstance indication(CIMObjectPath("", kIndicationNamespace, indicationClassOf(kind)));
    indication.addProperty(stringProperty("SourceInstanceHost", sourceInstanceHost()));
    indication.addProperty(stringProperty("IndicationIdentifier", origin.identifier));
    indication.addProperty(scalarProperty("IndicationTime", origin.time, CIM_DATETIME));
    indication.addProperty(uint16Property("PerceivedSeverity", origin.severity));
    indication.addProperty(stringProperty("SourceInstanceModelPath", source.getObjectPath().toString()));
    indication.addProperty(scalarProperty("SourceInstance", source, CIM_INSTANCE));
    return indication;
}

CIMInstance alertIndication(const AenRecord& aen) {
    CIMInstance alert(CIMObjectPath("", kIndicationNamespace, "CIM_AlertIndication"));
    alert.addProperty(stringProperty("Description", aen.description));
    alert.addProperty(stringProperty("AlertingManagedElement", aen.deviceType == VrlDeviceType::Controller ? "Controller" : "Non Controller Device"));
    alert.addProperty(uint16Property("AlertingElementFormat", 1));
    alert.addProperty(stringProperty("OtherAlertingElementFormat", "Free Form String"));
    alert.addProperty(uint16Property("AlertType", 5));
    alert.addProperty(uint16Property("PerceivedSeverity", perceivedSeverity(aen.severity)));
    alert.addProperty(uint16Property("ProbableCause", 1));
    alert.addProperty(stringProperty("ProbableCauseDescription", "Controller device alert error/information"));
    alert.addProperty(stringProperty("EventID", std::to_string(aen.eventId.value_or(0))));
    alert.addProperty(scalarProperty("EventTime", indicationTime(aen.timeStamp), CIM_DATETIME));
    alert.addProperty(stringProperty("SystemCreationClassName", "ORV_ControllerComputerSystem"));
    alert.addProperty(stringProperty("SystemName", "AmbrixController_" + std::to_string(aen.contrId)));
    alert.addProperty(stringProperty("ProviderName", "AmbrixProvider15"));
    return alert;
}

}  // namespace orv::cim::fwf
