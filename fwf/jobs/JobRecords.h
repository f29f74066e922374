// What a job is, shared by the job control manager that writes the records
// and the job plugins that publish them: the record layout in the RAID
// library facade's object store, the tables that name and classify a
// command, and the ORV_ConcreteJob instance built from a record. The manager
// builds the instance its indications carry from here too, so an indication
// shows the job exactly as a GetInstance would.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "CIMInstance.h"
#include "CIMKeyBinding.h"
#include "CIMProperty.h"
#include "PropertyContainer.h"

namespace orv::cim::fwf::jobs {

// Object-store classes: jobs whose command still runs, and finished jobs
// kept until their time before removal has passed.
constexpr const char* kRunningJobs = "RunningJobObject";
constexpr const char* kOldJobs = "OldJobObject";

constexpr const char* kConcreteJobClass = "ORV_ConcreteJob";
constexpr const char* kJobMethodResultClass = "ORV_JobMethodResult";
constexpr const char* kJobNamespace = "root/orv/Ambrix/smi_14";

// Record properties. The identity (contrId, deviceId, lrcType) is the key.
namespace field {
constexpr const char* kContrId = "contrId";
constexpr const char* kDeviceId = "deviceId";
constexpr const char* kLrcType = "lrcType";
constexpr const char* kDeviceType = "deviceType";
constexpr const char* kJobName = "jobName";
constexpr const char* kPercentComplete = "percentComplete";
constexpr const char* kJobState = "jobState";
constexpr const char* kPreviousState = "PreviousState";
constexpr const char* kStartTime = "startTime";
constexpr const char* kTimeOfLastStateChange = "timeOfLastStateChange";
constexpr const char* kTimeBeforeRemoval = "timeBeforeRemoval";
constexpr const char* kDeleteOnCompletion = "deleteOnCompletion";
}  // namespace field

// Time before removal of a new job, and of one to go at the next sweep.
constexpr const char* kKeepFiveMinutes = "00000000000500.000000:000";
constexpr const char* kRemoveAtOnce = "00000000000000.000000:000";

// CIM JobState values the manager sets.
namespace JobState {
constexpr uint32_t Starting = 3;
constexpr uint32_t Running = 4;
constexpr uint32_t Killed = 9;
constexpr uint32_t Completed = 7;
constexpr uint32_t Terminated = 8;
constexpr uint32_t Exception = 10;
constexpr uint32_t Vendor = 32768;
}  // namespace JobState

struct JobIdentity {
    uint32_t contrId = 0;
    uint32_t deviceId = 0;
    uint32_t lrcType = 0;

    // "<contrId>_<deviceId>_<lrcType>": the CIM InstanceID and the log form.
    std::string text() const;
    // A container holding the three keys, for look-ups in the store.
    orv::raidlib::PropertyContainer keys() const;
    bool operator==(const JobIdentity& other) const {
        return contrId == other.contrId && deviceId == other.deviceId && lrcType == other.lrcType;
    }
};

// The identity an InstanceID spells, or nothing when it does not hold three
// decimal fields.
std::optional<JobIdentity> parseJobInstanceId(const std::string& instanceId);
// The identity of a record, or nothing when a key cannot be read.
std::optional<JobIdentity> identityOf(const orv::raidlib::PropertyContainer& record);

// "Rebuild Physical Disk" and the like; "Unknown" for a type the controller
// did not document.
const char* jobNameOf(uint32_t lrcType);
// The JobState an LRC status reports.
uint32_t jobStateOf(uint32_t lrcStatus);

// The extrinsic method a command stands for, which decides its owning
// service and its method result.
enum class JobMethod : uint32_t {
    None = 0,
    CreateOrModifyElementFromStoragePool = 2,
    CheckParityConsistency = 4,
    RebuildStorageExtent = 6,
};
JobMethod jobMethodOf(uint32_t lrcType);
// The CIM method name; null for None.
const char* methodNameOf(JobMethod method);

// The key of a record's ORV_ConcreteJob instance. An unreadable identity
// raises CIMException code 1 "InstanceID Property retrieval failed.".
std::vector<CIMKeyBinding> concreteJobKeys(const orv::raidlib::PropertyContainer& record);
// Its other properties; one the record lacks is logged and left out.
std::vector<CIMProperty> concreteJobProperties(const orv::raidlib::PropertyContainer& record);
// The whole instance in the given host and namespace, keys first, as the
// instance base builds it.
CIMInstance concreteJobInstance(const orv::raidlib::PropertyContainer& record, const std::string& host,
                                const std::string& nameSpace);
// The path of a job's instance in the given host and namespace.
CIMObjectPath concreteJobPath(const JobIdentity& identity, const std::string& host, const std::string& nameSpace);

}  // namespace orv::cim::fwf::jobs
