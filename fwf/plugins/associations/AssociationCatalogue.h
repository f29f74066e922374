// The associations whose two endpoint classes are fixed, as one table: the
// class, the plugin name it is known by in logs and documentation, its two
// ends with their roles, and the pair test that decides which instances of
// the two ends are related. One generic plugin (TableAssociation) serves
// every row; the provider's catalogue registers a row by its class name.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "AbstractAssociationProviderPlugin.h"
#include "PluginsManager.h"

namespace orv::cim::fwf::associations {

// Where a pair test reads a value: a property and the field of it that the
// key-field splitter takes (1 before the first "_", 2 after it, 3 after the
// second), or 0 for the whole value (a text, or a number property).
struct Field {
    const char* property = nullptr;
    int field = 0;
};

// The closed set of pair tests. Each is a small value that logs and tests
// can print (describe()).
enum class PairKind {
    // One field of each end, as decimal numbers ("01" and "1" agree).
    SameNumber,
    // One field of each end, as texts.
    SameText,
    // Two numbers of each end (controller and device, array or disk), both
    // equal as decimals.
    SameNumbers,
    // A primordial pool or redundancy set ("<controller>_<kind>") and a disk,
    // array or volume of that controller whose interface and medium name the
    // same kind. The other end names its controller and the two properties.
    DriveKind,
    // DriveKind, only for disks that are hot spares.
    HotSpareOfKind,
    // DriveKind, only for disks that are array members, not spares: the
    // disks a redundancy set's spares protect.
    ProtectedOfKind,
    // A volume and the setting of its array: same array, and the setting's
    // ElementName names the volume's RAID level.
    VolumeSetting,
    // A disk rebuilding in place of a failed disk of the same controller and
    // drive kind, and that failed disk.
    Spared,
    // A controller's failover collection and its failed disks.
    FailedDisk,
    // Every first end with the second ends whose property has a fixed text.
    SecondNamed,
    // Every first end with every second end (one side has a single instance
    // that serves all of the other side).
    EveryPair,
};

// What a pair test compares of one end's object: two objects are related
// when both have a join key and the two keys are equal, so that an
// enumeration reads each object once and pairs them by hashing.
struct JoinKey {
    long long numbers[3]{};
    std::string text;
    bool operator==(const JoinKey& other) const {
        return numbers[0] == other.numbers[0] && numbers[1] == other.numbers[1] &&
               numbers[2] == other.numbers[2] && text == other.text;
    }
};
struct JoinKeyHash {
    std::size_t operator()(const JoinKey& key) const;
};

struct PairTest {
    PairKind kind;
    // The values read from the first and second end, in the order the kind
    // needs them.
    Field first[4]{};
    Field second[4]{};
    const char* text = nullptr;  // SecondNamed: the value wanted

    // "field 2 of Name = field 1 of DeviceID (decimal)" and the like.
    std::string describe() const;
    bool matches(const CIMInstance& first, const CIMInstance& second) const;
    // The key of an object at one end; none when it can be related to
    // nothing (a value it lacks, a disk that is no spare).
    std::optional<JoinKey> joinKey(const CIMInstance& instance, bool firstEnd) const;
    // The same read from an object's name, for an end whose non-key
    // properties the test does not read.
    std::optional<JoinKey> joinKey(const CIMObjectPath& name, bool firstEnd) const;
    // Whether every pair it accepts is of one system (one controller): true
    // for the tests that compare the two ends, false for those that relate
    // a single instance to every instance of the other end.
    bool withinOneSystem() const { return kind != PairKind::SecondNamed && kind != PairKind::EveryPair; }
    // Whether the test reads properties of that end that are not keys.
    bool readsNonKeys(bool firstEnd) const;
    // Every property the test reads of that end, keys among them.
    PropertyNameList propertiesRead(bool firstEnd) const;
};

struct AssociationRow {
    const char* className;
    const char* pluginName;
    AssociationEnd first;
    AssociationEnd second;
    PairTest test;
};

// Every row, in alphabetical order of the registration key.
const std::vector<AssociationRow>& associationRows();
// The row of a class, found by its name in any letter case; null for none.
const AssociationRow* findAssociationRow(const std::string& className);

// The catalogue entry that serves a row of the table. Throws
// std::logic_error when the table has no such class, so a misspelt row fails
// at the first start rather than answering nothing.
PluginRegistration tableAssociation(const char* className);

}  // namespace orv::cim::fwf::associations
