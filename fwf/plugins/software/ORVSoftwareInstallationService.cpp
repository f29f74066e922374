#include "ORVSoftwareInstallationService.h"

#include <sys/stat.h>

#include <string_view>

#include "CIMException.h"
#include "CommonFunctions.h"
#include "ControllerSupport.h"
#include "FirmwareImage.h"
#include "Logger.h"
#include "PropertyBuilders.h"
#include "RaidLibraryAccess.h"

namespace orv::cim::fwf {

using namespace storage;

namespace {

constexpr const char* kClassName = "ORV_SoftwareInstallationService";
constexpr const char* kNamePrefix = "SoftwareInstallationService_";
constexpr const char* kInvokeName = "orv::cim::fwf::ORVSoftwareInstallationService::invokeMethod";

// A reference argument, or nothing when the call leaves it out or passes null.
std::optional<CIMObjectPath> referenceArgument(const CIMArgumentList& in, const char* name) {
    const CIMProperty* argument = in.find(name);
    if (argument == nullptr) return std::nullopt;
    const CIMValue<CIMObjectPath> value = argument->getValue<CIMObjectPath>();
    if (value.size() == 0) return std::nullopt;
    return value.at(0);
}

std::optional<std::string> textArgument(const CIMArgumentList& in, const char* name) {
    const CIMProperty* argument = in.find(name);
    if (argument == nullptr) return std::nullopt;
    const CIMValue<std::string> value = argument->getValue<std::string>();
    if (value.size() == 0) return std::nullopt;
    return value.at(0);
}

// The controller an installation is for: the one the Target names, or the
// service's own controller when no Target is given. Nothing when the Target
// is not a controller.
std::optional<uint32_t> targetController(const CIMObjectPath& servicePath, const CIMArgumentList& in) {
    const std::optional<CIMObjectPath> target = referenceArgument(in, "Target");
    if (!target) return keyFieldNumber(stringKeyValue(servicePath, "Name").value_or(""), 2);
    if (!isClass(*target, "ORV_ControllerComputerSystem")) {
        LogMessage(2, "%s :: Target %s is no controller", kInvokeName, target->toString().c_str());
        return std::nullopt;
    }
    return keyFieldNumber(stringKeyValue(*target, "Name").value_or(""), 2);
}

// Hands the image file to the controller; the download runs on in the
// controller after the library has accepted it.
uint32_t downloadFirmware(uint32_t contrId, const std::string& imagePath) {
    orv::raidlib::PropertyContainer in;
    orv::raidlib::PropertyContainer out;
    in.insertInt("contrId", contrId, true);
    in.insertString("binFilePath", imagePath);
    const uint32_t status = requireRaidLibrary(kInvokeName).invokeMethod("updateFirmware", in, out);
    if (status != 0) {
        LogMessage(2, "%s :: VrlOperation::updateFirmware for controller %u returned error : %d", kInvokeName, contrId,
                   static_cast<int>(status));
        return ORVSoftwareInstallationService::kFailed;
    }
    LogMessage(4, "%s :: Firmware download of %s started on controller %u", kInvokeName, imagePath.c_str(), contrId);
    return ORVSoftwareInstallationService::kCompleted;
}

bool fileExists(const std::string& path) {
    struct stat status {};
    return !path.empty() && stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

// Installs the image that a client stored earlier through the controller's
// UpdateFirmware; the Source only says which kind of software it is.
uint32_t installFromSoftwareIdentity(const CIMObjectPath& path, const CIMArgumentList& in) {
    const std::optional<CIMObjectPath> source = referenceArgument(in, "Source");
    if (!source) {
        LogMessage(2, "%s :: Source referenced passed is NULL", kInvokeName);
        throw CIMException(4, std::string("Source referenced passed is NULL"));
    }
    const bool hasCollection = referenceArgument(in, "Collection").has_value();
    if (hasCollection && referenceArgument(in, "Target")) {
        LogMessage(2, "%s :: Target and Collection, both cannot be used", kInvokeName);
        throw CIMException(4, std::string("Target and Collection, both cannot be used"));
    }
    if (hasCollection || !isClass(*source, "ORV_FirmwareSoftwareIdentity")) {
        LogMessage(2, "%s :: Only controller firmware can be installed on a controller", kInvokeName);
        return ORVSoftwareInstallationService::kNotSupported;
    }
    const std::optional<uint32_t> contrId = targetController(path, in);
    if (!contrId) return ORVSoftwareInstallationService::kUnsupportedTargetType;
    const std::string image = firmwareImagePath();
    if (!fileExists(image)) {
        LogMessage(2, "%s :: No firmware image has been stored", kInvokeName);
        return ORVSoftwareInstallationService::kNoSupportedPathToImage;
    }
    return downloadFirmware(*contrId, image);
}

uint32_t installFromByteStream(const CIMObjectPath& path, const CIMArgumentList& in) {
    const std::optional<std::vector<uint8_t>> image = firmwareImageArgument(in);
    if (!image || image->empty()) {
        LogMessage(2, "%s :: Image passed is empty", kInvokeName);
        throw CIMException(4, std::string("Image passed is empty"));
    }
    const std::optional<uint32_t> contrId = targetController(path, in);
    if (!contrId) return ORVSoftwareInstallationService::kUnsupportedTargetType;
    if (!storeFirmwareImage(*image, kInvokeName)) return ORVSoftwareInstallationService::kFailed;
    return downloadFirmware(*contrId, firmwareImagePath());
}

uint32_t installFromUri(const CIMObjectPath& path, const CIMArgumentList& in) {
    const std::optional<std::string> uri = textArgument(in, "URI");
    if (!uri || uri->empty()) {
        LogMessage(2, "%s :: URI passed is NULL", kInvokeName);
        throw CIMException(4, std::string("URI passed is NULL"));
    }
    const std::optional<uint32_t> contrId = targetController(path, in);
    if (!contrId) return ORVSoftwareInstallationService::kUnsupportedTargetType;
    const std::optional<std::string> file = ORVSoftwareInstallationService::localPathOfUri(*uri);
    if (!file) {
        LogMessage(2, "%s :: Only file URIs can be installed from: %s", kInvokeName, uri->c_str());
        return ORVSoftwareInstallationService::kNoSupportedPathToImage;
    }
    return downloadFirmware(*contrId, *file);
}

}  // namespace

std::optional<std::string> ORVSoftwareInstallationService::localPathOfUri(const std::string& uri) {
    constexpr std::string_view kScheme = "file:";
    if (uri.size() <= kScheme.size() || uri.compare(0, kScheme.size(), kScheme) != 0) return std::nullopt;
    std::string rest = uri.substr(kScheme.size());
    // file:///path and file://localhost/path name a local file; file:/path too.
    if (rest.compare(0, 2, "//") == 0) {
        rest.erase(0, 2);
        const auto slash = rest.find('/');
        if (slash == std::string::npos) return std::nullopt;
        const std::string host = rest.substr(0, slash);
        if (!host.empty() && host != "localhost") return std::nullopt;
        rest.erase(0, slash);
    }
    if (rest.empty() || rest.front() != '/') return std::nullopt;
    return rest;
}

void ORVSoftwareInstallationService::getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) {
    selectControllerObjects(
        path,
        {kClassName, "Name", 2, "orv::cim::fwf::ORVSoftwareInstallationService::getRepositoryObjects", kControllers,
         LibraryFailureLog::LibraryStatus},
        out);
}

void ORVSoftwareInstallationService::getKeyAttributes(const orv::raidlib::PropertyContainer& object,
                                                      KeyBindingList& out) {
    constexpr const char* kName = "orv::cim::fwf::ORVSoftwareInstallationService::getKeyAttributes";
    const uint32_t contrId = requireControllerId(object, kName);
    out.push_back(stringKey("SystemCreationClassName", "CIM_SoftwareInstallationService"));
    out.push_back(stringKey("CreationClassName", kClassName));
    if (const auto host = localHostName(kName)) out.push_back(stringKey("SystemName", *host));
    out.push_back(stringKey("Name", kNamePrefix + std::to_string(contrId)));
}

void ORVSoftwareInstallationService::getNonKeyAttributes(const orv::raidlib::PropertyContainer& object,
                                                         PropertyList& out) {
    if (const auto contrId = LibraryPropertyReader(object, "VrlController").integer("contrId", true)) {
        out.push_back(stringProperty("ElementName", "Firmware installation for " + controllerName(*contrId)));
    }
}

uint32_t ORVSoftwareInstallationService::invokeMethod(CIMObjectPath path, const std::string& methodName,
                                                      const CIMArgumentList& in, CIMArgumentList&) {
    LogMessage(4, "%s :: %s requested", kInvokeName, methodName.c_str());
    // CIM method names do not depend on letter case.
    const std::string method = CommonFunctions::toLower(methodName);
    if (method == "installfromsoftwareidentity") return installFromSoftwareIdentity(path, in);
    if (method == "installfrombytestream") return installFromByteStream(path, in);
    if (method == "installfromuri") return installFromUri(path, in);
    LogMessage(2, "%s :: %s :: Not supported", kInvokeName, methodName.c_str());
    throw CIMException(7, "%s :: Not supported", kInvokeName);
}

}  // namespace orv::cim::fwf
