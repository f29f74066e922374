// What the setting and capability plugins share, and what pool creation needs
// to read a Goal: the properties a RAID level gives a setting, the stripe
// depths a controller offers, and the user settings kept in the library cache.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "AbstractInstanceProviderPlugin.h"
#include "CIMObjectPath.h"
#include "PropertyContainer.h"

namespace orv::cim::fwf::storage {

// Settings a client made with CreateSetting live in the library cache under
// this class, keyed by the integer SettingID.
constexpr const char* kUserCreatedSetting = "UserCreatedSetting";
constexpr const char* kUserSettingPrefix = "UserGeneratedSetting_";
constexpr const char* kFixedSettingPrefix = "StorageSetting_";

// ChangeableType values.
constexpr uint16_t kNotChangeablePersistent = 0;
constexpr uint16_t kChangeableTransient = 1;

// Stripe depths (bytes) of the RAID 1 and RAID 5 settings.
constexpr uint64_t kDefaultStripeDepth = 131072;
constexpr uint64_t kFixedStripeDepthMin = 4096;
constexpr uint64_t kFixedStripeDepthMax = 1048576;
// Bounds of a user setting's stripe depth.
constexpr uint64_t kUserStripeDepthMin = 4096;
constexpr uint64_t kUserStripeDepthMax = 33554432;
constexpr uint8_t kDeltaReservation = 100;
// Rotated parity, as each class numbers it: a setting's ParityLayout and a
// concrete pool capability's ParityLayout count 1 non-rotated, 2 rotated,
// while ParityLayoutDefault of pool capabilities counts 2 and 3.
constexpr uint16_t kRotatedParityLayout = 2;
constexpr uint16_t kRotatedParityLayoutDefault = 3;

// "StorageSetting_<contrId>_RAID<level>".
std::string fixedSettingInstanceId(uint32_t contrId, uint32_t raidLevel);
// "UserGeneratedSetting_<SettingID>".
std::string userSettingInstanceId(uint32_t settingId);
orv::raidlib::PropertyContainer userSettingKeys(uint32_t settingId);

// A bit i of supStripeSize or recStripeSize stands for 2^i KiB.
struct StripeDepths {
    uint64_t minimum = 0;
    uint64_t maximum = 0;
    uint64_t preferred = 0;
};
// Bytes of the lowest and highest set bit of supStripeSize, and of the lowest
// set bit of recStripeSize (the minimum when none is set). Nothing when the
// controller offers no depth.
std::optional<StripeDepths> stripeDepthsOf(uint32_t supStripeSize, uint32_t recStripeSize);
// A stripe size the library gives in KiB, in bytes.
inline uint64_t stripeBytes(uint32_t stripeSizeKiB) { return static_cast<uint64_t>(stripeSizeKiB) * 1024; }

// The redundancy, delta-reservation, stripe-length and parity properties of a
// setting of this RAID level (Goal, Max and Min forms), for the levels of the
// redundancy table; nothing for another level. The stripe length spans the
// members the level allows, or exactly `members` for an existing array.
void appendLevelSettingProperties(PropertyList& out, uint32_t raidLevel,
                                  std::optional<uint32_t> members = std::nullopt);

// The redundancy and delta-reservation ranges of pool capabilities that can
// build these levels (table levels only), with the Default values of
// defaultLevel; nothing when no level is known.
void appendCapabilityProperties(PropertyList& out, const std::vector<uint32_t>& levels, uint32_t defaultLevel);

// What a Goal asks for: a fixed setting gives its RAID level, a user setting
// its level and stripe depth (bytes).
struct GoalRequest {
    uint32_t raidLevel = 0;
    std::optional<uint64_t> stripeDepth;
};
enum class GoalFailure { InvalidGoal, UnknownUserSetting };
// Reads a Goal reference: an "ORV_StorageSetting" whose InstanceID ends in
// "RAID0" ... "RAID60", or an "ORV_UserGeneratedSetting" whose cached object
// has an ElementName naming its level. The failure says which rule failed;
// the lines are logged under the caller's name.
struct GoalReading {
    std::optional<GoalRequest> request;
    GoalFailure failure = GoalFailure::InvalidGoal;
};
GoalReading readGoal(const CIMObjectPath& goal, const char* qualifiedName);

}  // namespace orv::cim::fwf::storage
