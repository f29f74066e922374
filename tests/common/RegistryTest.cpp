#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "OsServices.h"
#include "OsServicesInternal.h"
#include "TestInstallation.h"

using orv::test::TestInstallation;

namespace {

std::string InstallDir(int* code = nullptr) {
    char buffer[512] = {};
    const int result = OsGetInstallDir(buffer, sizeof buffer);
    if (code != nullptr) *code = result;
    return result == 0 ? buffer : "";
}

int InstallDirCode() {
    int code = -1;
    InstallDir(&code);
    return code;
}

int VersionCode(std::string* version = nullptr, uint8_t size = 64) {
    char buffer[256] = {};
    const int code = OsGetProductVersion(buffer, size);
    if (version != nullptr) *version = buffer;
    return code;
}

}  // namespace

TEST(RegistryTest, ValuesComeFromTheFileNamedByTheVariable) {
    TestInstallation install("2.3.4");
    EXPECT_EQ(InstallDir(), install.root());
    std::string version;
    EXPECT_EQ(VersionCode(&version), 0);
    EXPECT_EQ(version, "2.3.4");

    TestInstallation other("9.9.9");
    EXPECT_EQ(InstallDir(), other.root()) << "the file is read afresh on each call";
}

TEST(RegistryTest, DefaultFileWhenTheVariableIsUnsetOrEmpty) {
    TestInstallation install;
    EXPECT_EQ(orv::os::RegistryFilePath(), install.registryFile());
    setenv(kRegistryFileVariable, "", 1);
    EXPECT_EQ(orv::os::RegistryFilePath(), kDefaultRegistryFile);
    unsetenv(kRegistryFileVariable);
    EXPECT_EQ(orv::os::RegistryFilePath(), "/etc/orv-kestra/registry.conf");
    if (!std::filesystem::exists(kDefaultRegistryFile)) {
        EXPECT_EQ(InstallDirCode(), 1);
        EXPECT_EQ(VersionCode(), 1);
    }
}

TEST(RegistryTest, MissingFileKeyOrValueFails) {
    TestInstallation install;
    const std::string cases[] = {
        "",                                                                  // nothing at all
        "[SOFTWARE\\ORV-Kestra\\Ambrix]\nAmbrix=/opt/x\n"                     // each value under
        "[SOFTWARE\\ORV-Kestra]\nProductVersion=1.0\n",                     // the other key
        "[SOFTWARE\\ORV-Kestra]\nAmbrixDir=/opt/x\n[SOFTWARE\\ORV-Kestra\\Ambrix]\nVersion=1\n",
        "[SOFTWARE\\ORV-Kestra]\nAmbrix=\n[SOFTWARE\\ORV-Kestra\\Ambrix]\nProductVersion=\n",
        "Ambrix=/opt/x\nProductVersion=1.0\n",                               // outside any section
    };
    for (const std::string& text : cases) {
        install.writeRegistry(text);
        EXPECT_EQ(InstallDirCode(), 1) << text;
        EXPECT_EQ(VersionCode(), 1) << text;
    }
    setenv(kRegistryFileVariable, (install.root() + "/no-such-file").c_str(), 1);
    EXPECT_EQ(InstallDirCode(), 1);
    EXPECT_EQ(VersionCode(), 1);
}

TEST(RegistryTest, NamesIgnoreCaseAndBlanksAroundThemAreDropped) {
    TestInstallation install;
    install.writeRegistry("; product settings\n"
                          "[software\\orv-kestra]\n"
                          "  AMBRIX = /opt/orv kestra/  \r\n"
                          "[SOFTWARE\\ORV-Kestra\\Ambrix]\n"
                          "# comment\n"
                          "productversion=1.5.0 beta\n");
    EXPECT_EQ(InstallDir(), "/opt/orv kestra") << "no trailing slash";
    std::string version;
    EXPECT_EQ(VersionCode(&version), 0);
    EXPECT_EQ(version, "1.5.0 beta");
}

TEST(RegistryTest, BufferBounds) {
    TestInstallation install("1.5.0-long-version-text");
    EXPECT_EQ(OsGetInstallDir(nullptr, 512), 1);
    EXPECT_EQ(OsGetProductVersion(nullptr, 16), 1);

    std::string fitting(install.root().size() + 1, '?');
    EXPECT_EQ(OsGetInstallDir(fitting.data(), fitting.size()), 0);
    EXPECT_EQ(std::string(fitting.c_str()), install.root());
    std::string tooSmall(install.root().size(), '?');
    EXPECT_EQ(OsGetInstallDir(tooSmall.data(), tooSmall.size()), 1) << "a cut path is refused";

    std::string version;
    EXPECT_EQ(VersionCode(&version, 6), 0);
    EXPECT_EQ(version, "1.5.0") << "the version is cut to size - 1";
    EXPECT_EQ(VersionCode(&version, 0), 1);
}
