#include "RaidLibraryAccess.h"

#include <string>

#include "CIMException.h"
#include "FrameworkFacade.h"
#include "Logger.h"

namespace orv::cim::fwf {

orv::raidlib::VRLibFacadeIntf* raidLibrary() {
    FrameworkFacade* facade = FrameworkFacade::getInstance();
    return facade == nullptr ? nullptr : facade->getVRLibFacade();
}

orv::raidlib::VRLibFacadeIntf& requireRaidLibrary(const char* qualifiedName) {
    orv::raidlib::VRLibFacadeIntf* library = raidLibrary();
    if (library == nullptr) {
        LogMessage(2, "%s :: Failed to retrieve Vrlib handle.", qualifiedName);
        throw CIMException(1, std::string("Failed to query hardware."));
    }
    return *library;
}

}  // namespace orv::cim::fwf
