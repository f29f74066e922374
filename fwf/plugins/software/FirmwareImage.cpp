#include "FirmwareImage.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <fstream>

#include "Logger.h"
#include "OsServices.h"

namespace orv::cim::fwf::storage {

namespace {
constexpr const char* kImageFolder = "/FW";
constexpr const char* kImageFile = "/varnel_G_fast_new.fdl";

std::string installationDirectory() {
    char directory[4096] = {};
    if (OsGetInstallDir(directory, sizeof directory) != 0) return {};
    return directory;
}
}  // namespace

std::string firmwareImagePath() {
    const std::string directory = installationDirectory();
    return directory.empty() ? std::string() : directory + kImageFolder + kImageFile;
}

std::optional<std::vector<uint8_t>> firmwareImageArgument(const CIMArgumentList& in) {
    const CIMProperty* image = in.find("Image");
    if (image == nullptr) return std::nullopt;
    return image->getValue<uint8_t>().getValues();
}

bool storeFirmwareImage(const std::vector<uint8_t>& image, const char* qualifiedName) {
    const std::string directory = installationDirectory();
    if (directory.empty()) {
        LogMessage(2, "%s :: Installation directory unknown, firmware image not stored", qualifiedName);
        return false;
    }
    // A fresh installation has no image folder yet; the first image makes it.
    const std::string folder = directory + kImageFolder;
    if (mkdir(folder.c_str(), 0750) != 0 && errno != EEXIST) {
        LogMessage(2, "%s :: Cannot create %s: %s", qualifiedName, folder.c_str(), std::strerror(errno));
        return false;
    }
    const std::string path = folder + kImageFile;
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) {
        LogMessage(2, "%s :: Cannot open %s for the firmware image", qualifiedName, path.c_str());
        return false;
    }
    file.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    file.close();
    if (!file) {
        LogMessage(2, "%s :: Writing the firmware image to %s failed", qualifiedName, path.c_str());
        return false;
    }
    LogMessage(4, "%s :: Firmware image of %zu bytes stored in %s", qualifiedName, image.size(), path.c_str());
    return true;
}

}  // namespace orv::cim::fwf::storage
