// A throw-away installation directory for tests: bin/, log/ and conf/ under a
// fresh temporary folder, a registry file that names it, and the registry
// variable pointed at that file for the lifetime of the object.
#pragma once

#include <string>
#include <vector>

namespace orv::test {

class TestInstallation {
public:
    // Creates the folders and the registry file ("Ambrix" = the folder,
    // "ProductVersion" = productVersion) and exports ORV_KESTRA_REGISTRY.
    explicit TestInstallation(const std::string& productVersion = "1.5.0");
    ~TestInstallation();
    TestInstallation(const TestInstallation&) = delete;
    TestInstallation& operator=(const TestInstallation&) = delete;

    const std::string& root() const { return root_; }
    const std::string& registryFile() const { return registryFile_; }
    std::string logFile(const std::string& name = "SMIS") const;
    std::string confFile(const std::string& name = "SMIS") const;

    // Writes conf/OrvConf<name>.txt with the given lines, each ended by "\n".
    void writeLoggerConfig(const std::vector<std::string>& lines,
                           const std::string& name = "SMIS") const;
    // The usual configuration: on, every level, 10 MB, appending.
    void writeDefaultLoggerConfig(const std::string& name = "SMIS") const;
    // Replaces the registry file's text (to test missing keys or values).
    void writeRegistry(const std::string& text) const;
    // Places the simulated RAID library at bin/VRLib.so (a symbolic link to
    // the built one) and, when topologyJson is not empty, writes it beside the
    // library as the topology the library reads at start.
    void installRaidLibrary(const std::string& builtLibrary,
                            const std::string& topologyJson = "") const;

    static std::string readFile(const std::string& path);
    static std::vector<std::string> readLines(const std::string& path);
    static void writeFile(const std::string& path, const std::string& text);

private:
    std::string root_;
    std::string registryFile_;
    std::string previousRegistry_;
    bool hadPreviousRegistry_ = false;
};

}  // namespace orv::test
