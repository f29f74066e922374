#include "AbstractMethodProviderPlugin.h"

#include "Logger.h"

namespace orv::cim::fwf {

uint32_t AbstractMethodProviderPlugin::invokeMethod(CIMObjectPath, const std::string&, const CIMArgumentList&,
                                                    CIMArgumentList&) {
    LogTrace("Inside AbstractMethodProviderPlugin::invokeMethod()");
    return 7;
}

}  // namespace orv::cim::fwf
