#include "EventContainers.h"

#include <algorithm>
#include <ctime>

#include "VrlRecords.h"

namespace orv::raidlib {

std::string joinChangeList(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) {
        if (!text.empty()) text += kChangeListSeparator;
        text += name;
    }
    return text;
}

std::vector<std::string> splitChangeList(const std::string& changeList) {
    std::vector<std::string> names;
    size_t start = 0;
    while (start < changeList.size()) {
        size_t end = changeList.find(kChangeListSeparator, start);
        if (end == std::string::npos) end = changeList.size();
        if (end > start) names.push_back(changeList.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

bool changeListNames(const std::string& changeList, const std::string& name) {
    const std::vector<std::string> names = splitChangeList(changeList);
    return std::find(names.begin(), names.end(), name) != names.end();
}

PropertyContainer eventContainer(const EventFields& fields) {
    PropertyContainer event;
    event.insertInt("contrId", fields.contrId, true);
    event.insertInt("deviceId", fields.deviceId, true);
    event.insertU64("aenTimestamp", fields.aenTimestamp);
    event.insertInt("deviceType", fields.deviceType);
    event.insertInt("snmpEvtId", fields.snmpEvtId);
    event.insertInt("severity", fields.severity);
    event.insertString("description", fields.description);
    event.insertInt("aenType", fields.aenType);
    return event;
}

PropertyContainer changeEventContainer(uint32_t contrId, uint32_t deviceType, uint32_t deviceId, uint32_t aenType,
                                       const std::vector<std::string>& changeList) {
    PropertyContainer event;
    event.insertInt("contrId", contrId, true);
    event.insertInt("deviceId", deviceId, true);
    event.insertInt("deviceType", deviceType);
    event.insertInt("aenType", aenType);
    event.insertString("changeList", joinChangeList(changeList));
    return event;
}

uint64_t secondsSince1970() { return static_cast<uint64_t>(std::time(nullptr)); }

PropertyContainer volumeEventContainer(uint32_t contrId, uint32_t vdIndex, uint32_t aenType,
                                       const std::string& description) {
    EventFields fields;
    fields.aenTimestamp = secondsSince1970();
    fields.contrId = contrId;
    fields.deviceType = VrlDeviceType::VirtualDisk;
    fields.deviceId = vdIndex;
    fields.severity = VrlSeverity::Information;
    fields.description = description;
    fields.aenType = aenType;
    return eventContainer(fields);
}

void LrcColumns::add(uint32_t device, uint32_t type, uint32_t lrc, uint32_t status, uint32_t percent) {
    deviceId.push_back(device);
    deviceType.push_back(type);
    lrcType.push_back(lrc);
    lrcStatus.push_back(status);
    progPercentage.push_back(percent);
}

void LrcColumns::insertInto(PropertyContainer& container) {
    container.insertInt("lrcCount", static_cast<VrlInt>(deviceId.size()));
    container.insertVector("deviceId", std::move(deviceId));
    container.insertVector("deviceType", std::move(deviceType));
    container.insertVector("lrcType", std::move(lrcType));
    container.insertVector("lrcStatus", std::move(lrcStatus));
    container.insertVector("progPercentage", std::move(progPercentage));
}

}  // namespace orv::raidlib
