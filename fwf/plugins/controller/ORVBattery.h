// The controller's cache backup battery, for the controllers that have one.
#pragma once

#include <cstdint>
#include <vector>

#include "AbstractInstanceProviderPlugin.h"

namespace orv::cim::fwf {

class ORVBattery : public AbstractInstanceProviderPlugin {
public:
    void getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) override;
    void getKeyAttributes(const orv::raidlib::PropertyContainer& object, KeyBindingList& out) override;
    void getNonKeyAttributes(const orv::raidlib::PropertyContainer& object, PropertyList& out) override;

    // The CIM values of the battery's library codes.
    struct ChargeStatus {
        uint16_t batteryStatus;
        uint16_t operationalStatus;
    };
    static ChargeStatus chargeStatusOf(uint32_t battChargeStatus);
    struct Health {
        uint16_t healthState;
        uint16_t enabledState;  // also the requested state
    };
    static Health healthOf(uint32_t batteryState);
    static uint16_t chemistryOf(uint32_t batteryType);
    static uint16_t replacementNeededOf(uint32_t battPackReplaceNeeded);
};

}  // namespace orv::cim::fwf
