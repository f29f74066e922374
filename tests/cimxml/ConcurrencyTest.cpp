// Requests from many threads at once through one service and one provider,
// as the HTTP server's thread pool sends them.
#include "FixtureSchema.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace orv::cimxml::test {
namespace {

TEST(ServiceConcurrency, ParallelRequestsAllGetTheirOwnAnswers) {
    CimXmlService service = FixtureStack::instance().service();
    const std::string controller = stringKey("Name", "ctl0") + numericKey("Slot", "0");
    const std::string enumerate =
        intrinsicBody("EnumerateInstances", kStorageNs, classNameParam("ClassName", "FIX_Disk"));
    const std::string walk = intrinsicBody("AssociatorNames", kStorageNs,
                                           instanceNameParam("ObjectName", "FIX_Controller", controller));
    const std::string method = extrinsicBody(
        "Rebuild", kStorageNs, "FIX_Controller", controller,
        "<PARAMVALUE NAME=\"Disk\"><VALUE.REFERENCE><INSTANCENAME CLASSNAME=\"FIX_Disk\">" +
            stringKey("DeviceID", "d2") +
            "</INSTANCENAME></VALUE.REFERENCE></PARAMVALUE><PARAMVALUE NAME=\"Priority\"><VALUE>1</VALUE></PARAMVALUE>");
    const std::string broken = enumerate.substr(0, 120);

    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 25; ++i) {
                switch ((t + i) % 4) {
                case 0: {
                    Response r(service.handle(exchange("EnumerateInstances", kStorageNs, enumerate)).body);
                    if (r.all("VALUE.NAMEDINSTANCE").size() != 3) ++wrong;
                    break;
                }
                case 1: {
                    Response r(service.handle(exchange("AssociatorNames", kStorageNs, walk)).body);
                    if (r.all("OBJECTPATH").size() != 3) ++wrong;
                    break;
                }
                case 2: {
                    Response r(service.handle(exchange("Rebuild", kStorageNs, method, false, "FIX_Controller")).body);
                    if (r.all("PARAMVALUE").size() != 1 || r.errorCode() != 0) ++wrong;
                    break;
                }
                default:
                    if (service.handle(exchange("EnumerateInstances", kStorageNs, broken)).status != 400) ++wrong;
                }
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(wrong.load(), 0);
}

}  // namespace
}  // namespace orv::cimxml::test
