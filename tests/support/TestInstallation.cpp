#include "TestInstallation.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace orv::test {

TestInstallation::TestInstallation(const std::string& productVersion) {
    std::string pattern = (fs::temp_directory_path() / "orv-install-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a temporary installation directory");
    }
    root_ = pattern;
    for (const char* sub : {"bin", "log", "conf"}) {
        fs::create_directories(fs::path(root_) / sub);
    }
    registryFile_ = root_ + "/registry.conf";
    writeRegistry("[SOFTWARE\\ORV-Kestra]\nAmbrix=" + root_ +
                  "\n\n[SOFTWARE\\ORV-Kestra\\Ambrix]\nProductVersion=" + productVersion + "\n");
    if (const char* previous = std::getenv("ORV_KESTRA_REGISTRY")) {
        hadPreviousRegistry_ = true;
        previousRegistry_ = previous;
    }
    setenv("ORV_KESTRA_REGISTRY", registryFile_.c_str(), 1);
}

TestInstallation::~TestInstallation() {
    if (hadPreviousRegistry_) {
        setenv("ORV_KESTRA_REGISTRY", previousRegistry_.c_str(), 1);
    } else {
        unsetenv("ORV_KESTRA_REGISTRY");
    }
    std::error_code ignored;
    fs::remove_all(root_, ignored);
}

std::string TestInstallation::logFile(const std::string& name) const {
    return root_ + "/log/OrvLog" + name + ".log";
}

std::string TestInstallation::confFile(const std::string& name) const {
    return root_ + "/conf/OrvConf" + name + ".txt";
}

void TestInstallation::writeLoggerConfig(const std::vector<std::string>& lines,
                                         const std::string& name) const {
    std::string text;
    for (const auto& line : lines) text += line + "\n";
    writeFile(confFile(name), text);
}

void TestInstallation::writeDefaultLoggerConfig(const std::string& name) const {
    writeLoggerConfig({"Logging=ON", "Level=0", "Levels=", "MaxSizeMB=10", "Mode=OVER_WRITE"}, name);
}

void TestInstallation::writeRegistry(const std::string& text) const { writeFile(registryFile_, text); }

void TestInstallation::installRaidLibrary(const std::string& builtLibrary,
                                          const std::string& topologyJson) const {
    const fs::path target = fs::path(root_) / "bin" / "VRLib.so";
    std::error_code ignored;
    fs::remove(target, ignored);
    fs::create_symlink(fs::absolute(builtLibrary), target);
    if (!topologyJson.empty()) {
        writeFile((fs::path(root_) / "bin" / "VRLib.topology.json").string(), topologyJson);
    }
}

std::string TestInstallation::readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> TestInstallation::readLines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

void TestInstallation::writeFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) throw std::runtime_error("cannot write " + path);
    out << text;
}

}  // namespace orv::test
