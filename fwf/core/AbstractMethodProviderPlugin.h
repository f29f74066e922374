// Base of the plugins that serve extrinsic methods. Such a plugin is also an
// instance plugin, so both bases share one virtual root: the method plugin
// then inherits enumeration and retrieval from the instance side and only has
// to give invokeMethod, which both sides define.
#pragma once

#include "AbstractProviderPlugin.h"

namespace orv::cim::fwf {

class AbstractMethodProviderPlugin : public virtual AbstractProviderPlugin {
public:
    uint32_t invokeMethod(CIMObjectPath path, const std::string& methodName, const CIMArgumentList& in,
                          CIMArgumentList& out) override;
};

}  // namespace orv::cim::fwf
