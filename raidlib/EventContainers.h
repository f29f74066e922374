// The shape of the event containers that observers receive, whether the
// library raised the event or a configuration method made it itself.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "PropertyContainer.h"

namespace orv::raidlib {

// Names in a changeList property are joined by this character.
constexpr char kChangeListSeparator = ',';

std::string joinChangeList(const std::vector<std::string>& names);
// The names of a changeList text, in order.
std::vector<std::string> splitChangeList(const std::string& changeList);
// True when `name` is one of the names of a changeList text.
bool changeListNames(const std::string& changeList, const std::string& name);

struct EventFields {
    uint64_t aenTimestamp = 0;
    uint32_t contrId = 0;
    uint32_t deviceType = 0;
    uint32_t deviceId = 0;
    uint32_t snmpEvtId = 0;
    uint32_t severity = 0;
    std::string description;
    uint32_t aenType = 0;
};

// contrId* and deviceId*, then aenTimestamp, deviceType, snmpEvtId,
// severity, description and aenType.
PropertyContainer eventContainer(const EventFields& fields);
// The short shape of a change the provider made itself: contrId*,
// deviceId*, deviceType, aenType and the changeList.
PropertyContainer changeEventContainer(uint32_t contrId, uint32_t deviceType, uint32_t deviceId, uint32_t aenType,
                                       const std::vector<std::string>& changeList);

// The event a volume-changing method raises itself for the volume it added
// or removed, in the shape of the library's own event.
PropertyContainer volumeEventContainer(uint32_t contrId, uint32_t vdIndex, uint32_t aenType,
                                       const std::string& description);

// Long-running-command entries as the column vectors observers and callers
// read: deviceId, deviceType, lrcType, lrcStatus, progPercentage.
struct LrcColumns {
    VrlVector deviceId, deviceType, lrcType, lrcStatus, progPercentage;
    void add(uint32_t device, uint32_t type, uint32_t lrc, uint32_t status, uint32_t percent);
    // Inserts lrcCount and the five vectors (non-key) into the container.
    void insertInto(PropertyContainer& container);
};

uint64_t secondsSince1970();

}  // namespace orv::raidlib
