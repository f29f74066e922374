// Conversions between the CMPI objects a CIM server hands over or expects
// and the framework's own CIM model. Stateless; every failure leaves as a
// CIMException (1 " :: Operation Failed", 3 " :: Invalid namespace",
// 5 " :: Invalid class", 7 " :: Not supported"), which the adapter turns
// into a CMPI status.
#pragma once

#include "CIMArgumentList.h"
#include "CIMInstance.h"
#include "CIMObjectPath.h"
#include "cmpift.h"

namespace orv::cim::adap::cmpi {

class CMPIHelper {
public:
    // Host, namespace and class name as the server spelled them; the key
    // bindings too when withKeys is set.
    static fwf::CIMObjectPath CMPIObjectPathToFrameworkObjectPath(const CMPIObjectPath* path,
                                                                  bool withKeys);
    // Appends one key binding per boolean, numeric (the server passes them
    // as sint64; kept as uint32), reference or string key, in index order.
    // Keys of other types are skipped; a null key keeps no value. False for
    // a missing path.
    static bool CMPIKeysToFrameworkKeys(const CMPIObjectPath* path, fwf::CIMObjectPath& out);
    // Appends the boolean, uint16, uint32, uint64, reference, string and
    // datetime properties to out (which already carries the converted
    // path); other types, arrays included, are skipped. A null value stays
    // null. False for a missing instance.
    static bool CMPIInstanceToFrameworkInstance(const CMPIInstance* instance,
                                                fwf::CIMInstance& out);
    // Method arguments in index order; status receives the outcome of the
    // last CMPI call. Types the methods never take raise code 7.
    static fwf::CIMArgumentList CMPIArgsToFrameworkArgs(const CMPIArgs* args, CMPIStatus* status);

    // The path in the namespace the framework path carries; never null.
    static CMPIObjectPath* FrameworkObjectPathToCMPIObjectPath(const fwf::CIMObjectPath& path,
                                                              const CMPIBroker* broker);
    // propertyList, when given, becomes the instance's property filter.
    static CMPIInstance* FrameworkInstanceToCMPIInstance(const fwf::CIMInstance& instance,
                                                        const CMPIBroker* broker,
                                                        const char** propertyList);
    static void FrameworkArgsToCMPIArgs(const fwf::CIMArgumentList& arguments, CMPIArgs* out,
                                        const CMPIBroker* broker);
};

}  // namespace orv::cim::adap::cmpi
