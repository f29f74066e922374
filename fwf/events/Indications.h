// The indications the provider sends and the event facts they repeat: the
// library's event as a record, the alert built from it, and the creation,
// deletion and modification indications that carry an instance. The job
// control manager builds its job indications with the same pieces.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "CIMInstance.h"
#include "PropertyContainer.h"

namespace orv::cim::fwf {

constexpr const char* kIndicationNamespace = "root/orv/Ambrix/smi_14";

// The external error value that means "none".
constexpr uint32_t kNoExternalError = 9999;

// One library event as the listener reads it. Only the controller, the type
// and (for events that become indications) the identifier are required.
struct AenRecord {
    uint32_t contrId = 0;
    uint32_t aenType = 0;
    std::optional<uint32_t> eventId;
    std::optional<uint64_t> timeStamp;  // seconds since 1970
    std::optional<uint32_t> deviceId;
    // The disk a disk event names (the library gives its resource handle as
    // deviceId; the instances are named by compPdId).
    std::optional<uint32_t> diskId;
    uint32_t deviceType = 0;
    uint32_t severity = 0;
    std::string description;

    // Nothing when the controller or the type cannot be read.
    static std::optional<AenRecord> read(const orv::raidlib::PropertyContainer& event);
};

enum class LifeCycleKind { Creation, Deletion, Modification };

// "CIM_InstCreation", "CIM_InstDeletion", "CIM_InstModification".
const char* indicationClassOf(LifeCycleKind kind);
// "Create", "Delete", "Modify", as the log lines name the kinds.
const char* logNameOf(LifeCycleKind kind);

// Library severity (1 error, 2 information, 3 warning) as PerceivedSeverity:
// 6 critical, 2 information, 3 degraded/warning, else 0 unknown.
uint16_t perceivedSeverity(uint32_t severity);
// A CIM datetime of the event's time stamp, or of now without one.
std::string indicationTime(std::optional<uint64_t> secondsSince1970);
// This host's name, empty when it cannot be read.
std::string sourceInstanceHost();

// What every lifecycle indication of one event repeats.
struct IndicationOrigin {
    std::string identifier;  // IndicationIdentifier
    std::string time;        // IndicationTime, a CIM datetime
    uint16_t severity = 0;   // PerceivedSeverity
};
IndicationOrigin originOf(const AenRecord& aen);

// A creation, deletion or modification indication carrying `source`, whose
// path (with the storage namespace) is its SourceInstanceModelPath.
CIMInstance lifeCycleIndication(LifeCycleKind kind, const CIMInstance& source, const IndicationOrigin& origin);
// The CIM_AlertIndication of an event.
CIMInstance alertIndication(const AenRecord& aen);

}  // namespace orv::cim::fwf
