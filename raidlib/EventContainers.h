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

uint64_t secondsSince1970();

}  // namespace orv::raidlib
