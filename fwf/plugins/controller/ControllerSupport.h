// What the plugins whose instances stand one-per-controller share: choosing
// the controller objects a request names, reading the key numbers those
// instances are built from, the host name some of them carry, and decoding
// the controller's capability bit sets.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "AbstractInstanceProviderPlugin.h"
#include "CIMObjectPath.h"
#include "PropertyContainer.h"
#include "StoragePluginSupport.h"

namespace orv::cim::fwf::storage {

// The line a plugin logs at level 2 when the library fails it; the plugins
// have kept their own wording, which operators search their logs for.
enum class LibraryFailureLog {
    ObjectsOfClass,        // "<name> :: Failed to retrieve <class> objects from VRLIB"
    StorageClassStatus,    // "VRLib getStorageClass returned error : <status>"
    RetrievalStatus,       // "<name> :: Retrieval of objects from Vrlib returned error <status>."
    LibraryStatus,         // "<name> :: VRLib returned error : <status>", also for a failed get
};

// How a plugin finds its objects: the CIM class it serves, the key binding
// that names the controller, which underscore-separated field of that key
// holds the controller number, and the library class behind the instances;
// then how a failed listing is logged and what it answers (by default
// "Failed to retrieve objects of <class>.").
struct ControllerObjectQuery {
    const char* className;
    const char* identifyingKey;
    int keyField;
    const char* qualifiedName;
    const char* libraryClass = kControllers;
    LibraryFailureLog failureLog = LibraryFailureLog::ObjectsOfClass;
    const char* listingFailureText = nullptr;
};

// Fills `out` with the library objects a request names: every object of the
// library class for an enumeration, the one object of the controller the
// identifying key names for a get, and none when the path is of another
// class, lacks the identifying key or names a controller the library does not
// know. Any other library failure raises code 1.
void selectControllerObjects(const CIMObjectPath& path, const ControllerObjectQuery& query,
                             RepositoryObjects& out);

// How an unreadable key property is answered: "<qualified name> :: Property
// retrieval failed.", or with the property named, "<qualified name>
// ::<property> Property retrieval failed." (card and product).
enum class KeyFailureText { Plain, NamingProperty };

// An integer property every instance of the plugin needs for its keys. A
// failed read logs `failureLog` (a format taking the qualified name) at
// level 2 and raises code 1 with the chosen text.
uint32_t requireKeyInteger(const orv::raidlib::PropertyContainer& object, const char* name, bool isKey,
                           const char* qualifiedName, const char* failureLog,
                           KeyFailureText text = KeyFailureText::Plain);
// The same for a text property.
std::string requireKeyText(const orv::raidlib::PropertyContainer& object, const char* name, bool isKey,
                           const char* qualifiedName, const char* failureLog);
// The controller number every controller-backed object carries as its key.
uint32_t requireControllerId(const orv::raidlib::PropertyContainer& object, const char* qualifiedName,
                             KeyFailureText text = KeyFailureText::Plain);

// This host's name, or nothing (logged at level 2) when it cannot be read,
// so that the property built from it is left out. The controller logs
// "<name> :: Failed to retrieve HostName.", the others the status.
enum class HostNameFailureLog { WithStatus, Plain };
std::optional<std::string> localHostName(const char* qualifiedName,
                                         HostNameFailureLog log = HostNameFailureLog::WithStatus);

// Bit i (0..15) of a stripe-size set stands for a stripe of 2^i; the sizes of
// all set bits in rising order.
std::vector<uint32_t> stripeSizesOf(uint32_t stripeSizeBits);
// The smallest size of the set, 0 when no bit is set.
uint32_t smallestStripeSizeOf(uint32_t stripeSizeBits);
// Bits 0..3 of the controller's RAID-level set stand for RAID 0, 1, 5 and 6.
std::vector<uint32_t> raidLevelsOf(uint32_t raidLevelBits);

}  // namespace orv::cim::fwf::storage
