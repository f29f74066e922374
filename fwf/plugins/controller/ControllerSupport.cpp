#include "ControllerSupport.h"

#include "CIMException.h"
#include "Logger.h"
#include "OsServices.h"

namespace orv::cim::fwf::storage {

namespace {

void logLibraryFailure(const ControllerObjectQuery& query, uint32_t status) {
    const int code = static_cast<int>(status);
    switch (query.failureLog) {
        case LibraryFailureLog::ObjectsOfClass:
            LogMessage(2, "%s :: Failed to retrieve %s objects from VRLIB", query.qualifiedName, query.className);
            return;
        case LibraryFailureLog::StorageClassStatus:
            LogMessage(2, "VRLib getStorageClass returned error : %d", code);
            return;
        case LibraryFailureLog::RetrievalStatus:
            LogMessage(2, "%s :: Retrieval of objects from Vrlib returned error %d.", query.qualifiedName, code);
            return;
        case LibraryFailureLog::LibraryStatus:
            LogMessage(2, "%s :: VRLib returned error : %d", query.qualifiedName, code);
            return;
    }
}

}  // namespace

void selectControllerObjects(const CIMObjectPath& path, const ControllerObjectQuery& query,
                             RepositoryObjects& out) {
    if (!isClass(path, query.className)) {
        LogMessage(2, "%s :: ObjectPath classname not equal to %s", query.qualifiedName, query.className);
        return;
    }
    if (path.getKeyBindings().empty()) {
        if (const uint32_t status = readLibraryClass(query.libraryClass, out, query.qualifiedName); status != 0) {
            logLibraryFailure(query, status);
            out.clear();
            if (query.listingFailureText != nullptr) throw CIMException(1, std::string(query.listingFailureText));
            throw CIMException(1, "Failed to retrieve objects of %s.", query.className);
        }
        return;
    }
    const std::optional<std::string> key = stringKeyValue(path, query.identifyingKey);
    if (!key) return;
    const uint32_t contrId = keyFieldNumber(*key, query.keyField);
    orv::raidlib::PropertyContainer object;
    const uint32_t status = readLibraryObject(query.libraryClass, libraryKeys(contrId), object, query.qualifiedName);
    if (status == orv::raidlib::ContainerStatus::NoMatch) {
        // A name that points at no controller is an ordinary "no such
        // instance", not a failure of the library.
        LogMessage(4, "%s :: No %s object for controller %u", query.qualifiedName, query.libraryClass, contrId);
        return;
    }
    if (status != 0) {
        if (query.failureLog == LibraryFailureLog::LibraryStatus) {
            logLibraryFailure(query, status);
        } else {
            LogMessage(2, "%s :: Retrieval of object %s from Vrlib returned error %d.", query.qualifiedName,
                       query.className, static_cast<int>(status));
        }
        throw CIMException(1, "Failed to retrieve object of %s.", query.className);
    }
    out.push_back(std::move(object));
}

uint32_t requireKeyInteger(const orv::raidlib::PropertyContainer& object, const char* name, bool isKey,
                           const char* qualifiedName, const char* failureLog, KeyFailureText text) {
    orv::raidlib::VrlInt value = 0;
    if (object.getPropertyValue(value, name, isKey) != 0) {
        LogMessage(2, failureLog, qualifiedName);
        if (text == KeyFailureText::NamingProperty) raiseKeyRetrievalFailure(qualifiedName, name);
        throw CIMException(1, "%s :: Property retrieval failed.", qualifiedName);
    }
    return value;
}

std::string requireKeyText(const orv::raidlib::PropertyContainer& object, const char* name, bool isKey,
                           const char* qualifiedName, const char* failureLog) {
    std::string value;
    if (object.getPropertyValue(value, name, isKey) != 0) {
        LogMessage(2, failureLog, qualifiedName);
        throw CIMException(1, "%s :: Property retrieval failed.", qualifiedName);
    }
    return value;
}

uint32_t requireControllerId(const orv::raidlib::PropertyContainer& object, const char* qualifiedName,
                             KeyFailureText text) {
    return requireKeyInteger(object, "contrId", true, qualifiedName, "%s :: Controller Id could not be fetched",
                             text);
}

std::optional<std::string> localHostName(const char* qualifiedName, HostNameFailureLog log) {
    char buffer[256] = {};
    if (const int status = OsGetHostName(buffer, sizeof buffer); status != 0) {
        if (log == HostNameFailureLog::Plain) {
            LogMessage(2, "%s :: Failed to retrieve HostName.", qualifiedName);
        } else {
            LogMessage(2, "%s :: OsNeutralLib OrvGetHostName returned error %d", qualifiedName, status);
        }
        return std::nullopt;
    }
    return std::string(buffer);
}

std::vector<uint32_t> stripeSizesOf(uint32_t stripeSizeBits) {
    std::vector<uint32_t> sizes;
    for (uint32_t bit = 0; bit < 16; ++bit) {
        if ((stripeSizeBits >> bit) & 1u) sizes.push_back(1u << bit);
    }
    return sizes;
}

uint32_t smallestStripeSizeOf(uint32_t stripeSizeBits) {
    const std::vector<uint32_t> sizes = stripeSizesOf(stripeSizeBits);
    return sizes.empty() ? 0 : sizes.front();
}

std::vector<uint32_t> raidLevelsOf(uint32_t raidLevelBits) {
    static constexpr uint32_t kLevelOfBit[] = {0, 1, 5, 6};
    std::vector<uint32_t> levels;
    for (uint32_t bit = 0; bit < 4; ++bit) {
        if ((raidLevelBits >> bit) & 1u) levels.push_back(kLevelOfBit[bit]);
    }
    return levels;
}

}  // namespace orv::cim::fwf::storage
