#include "CIMException.h"
#include "CommonFunctions.h"
#include "LogCapture.h"
#include "VRLibFacadeIntf.h"

#include <dlfcn.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

using namespace orv::cim::fwf;
namespace common = orv::cim::fwf::CommonFunctions;

TEST(CommonFunctionsTest, TokenSplitsAtUnderscores) {
    EXPECT_EQ(common::token("1_0_RAID_5", 2), "0_RAID_5");
    EXPECT_EQ(common::token("1_0_RAID_5", 3), "RAID_5");
    EXPECT_EQ(common::token("_x", 1), "");
    EXPECT_EQ(common::token("x_", 2), "");
    for (int index : {1, 2, 3}) EXPECT_EQ(common::token("AmbrixController", index), "AmbrixController");
}

// The texts clients read in the errors of failed library calls come from a
// table; the rows here are its ends and the codes it does not know.
TEST(CommonFunctionsTest, LibraryStatusTexts) {
    const std::pair<uint32_t, const char*> texts[] = {
        {0x10000000, "Ambrix controller returned an error."},
        {0x1000000E, "Boot Volume Id is set on Virtual Disk."},
        {0x1000000F, "Unknown error."},
        {0, "Unknown error."},
    };
    for (const auto& [status, text] : texts)
        EXPECT_EQ(common::getErrorDescription(status), text + ("(" + std::to_string(status) + ")"));
    EXPECT_EQ(common::getErrorDescription(0xFFFFFFFF), "Unknown error.(-1)") << "signed, as the log prints it";
}

const std::string kInternalError = "orv::cim::fwf::CommonFunctions::getErrorDescription :: Internal Error";

std::pair<int, std::string> failureCodeAndMessage(uint32_t status) {
    try {
        common::getErrorDescription(status);
    } catch (const CIMException& e) {
        return {e.getCode(), e.getMessage()};
    }
    return {0, "no exception"};
}

// The firmware's own codes are described by the RAID library, loaded from a
// test installation as in production.
TEST(CommonFunctionsTest, FirmwareStatusIsDescribedByTheLibrary) {
    LogTerminate();
    orv::test::TestInstallation installation;
    installation.writeDefaultLoggerConfig();
    ASSERT_EQ(LogInitialize("SMIS", "SMIS"), 0);
    installation.installRaidLibrary(VRLIB_PATH, R"({"controllers": [{"id": 0}]})");
    const std::string libraryPath = installation.root() + "/bin/VRLib.so";
    void* control = dlopen(libraryPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(control, nullptr);
    using FailOpcode = int (*)(uint32_t, uint32_t, uint32_t, int32_t);
    auto failOpcode = reinterpret_cast<FailOpcode>(dlsym(control, "VrlSimFailOpcode"));
    ASSERT_NE(failOpcode, nullptr);
    // Until the library is started the firmware's codes cannot be described.
    EXPECT_EQ(failureCodeAndMessage(5), std::make_pair(1, kInternalError));
    EXPECT_NE(orv::test::TestInstallation::readFile(installation.logFile()).find(kInternalError), std::string::npos);
    orv::raidlib::VRLibFacadeIntf* facade = orv::raidlib::getVRLibFacade();
    ASSERT_EQ(facade->initialize("SMIS"), 0u);

    EXPECT_EQ(common::getErrorDescription(0x2001), "Firmware image is not valid(8193)");
    EXPECT_EQ(common::getErrorDescription(5), "Firmware error 0x5(5)");
    // An answer without a text leaves just the number.
    failOpcode(51 /* GET_FW_ERROR_DTLS */, 0xFFFFFFFFu, 0, 1);
    EXPECT_EQ(common::getErrorDescription(5), "(5)");
    failOpcode(51, 0xFFFFFFFFu, 0x10000004, 1);
    EXPECT_EQ(failureCodeAndMessage(5), std::make_pair(1, kInternalError));

    dlclose(control);
    facade->terminate();
    LogTerminate();
}

TEST(CommonFunctionsTest, SecondsSince1970InLocalTime) {
    const char* previous = std::getenv("TZ");
    const std::string saved = previous ? previous : "";
    setenv("TZ", "IST-5:30", 1);
    tzset();
    EXPECT_EQ(common::toCIMDateTime(0), "19700101053000.000000+530");
    EXPECT_EQ(common::toCIMDateTime(1268643600), "20100315143000.000000+530");
    setenv("TZ", "UTC0", 1);
    tzset();
    EXPECT_EQ(common::toCIMDateTime(0), "19700101000000.000000+530");
    if (previous) {
        setenv("TZ", saved.c_str(), 1);
    } else {
        unsetenv("TZ");
    }
    tzset();
}

TEST(CIMExceptionTest, FormatsPrintfStyleMessages) {
    const CIMException formatted(4, "%d properties cannot be modified for %s", 3, "ORV_StorageVolume");
    EXPECT_EQ(formatted.getCode(), 4);
    EXPECT_EQ(formatted.getMessage(), "3 properties cannot be modified for ORV_StorageVolume");
    EXPECT_EQ(CIMException(7, "Operation not supported").getMessage(), "Operation not supported");
    EXPECT_EQ(CIMException(5, std::string("100% full")).getMessage(), "100% full");

    const std::string longName(2000, 'x');
    const CIMException cut(1, "%s :: %s", longName.c_str(), "tail");
    EXPECT_EQ(cut.getMessage(), std::string(1023, 'x'));
}
