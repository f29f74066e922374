// The adapter driven directly, in front of a scripted framework facade:
// statuses and messages of each failure path, the rights check, the
// result-class step of associations, list delivery and methods.
#include "AdapterFixture.h"

#include "CIMKeyBinding.h"
#include "CIMProperty.h"

#include <dlfcn.h>
#include <grp.h>
#include <pwd.h>

#include <atomic>
#include <cerrno>
#include <stdexcept>

namespace {
// Set by a test to make the group database fail to name groups.
std::atomic<bool> groupsUnreadable{false};
}  // namespace

// Stands in for the C library's, which it calls unless a test wants the
// database to fail.
extern "C" int getgrgid_r(gid_t gid, struct group* entry, char* buffer, size_t size, struct group** found) {
    if (groupsUnreadable) {
        *found = nullptr;
        return EIO;
    }
    using Real = int (*)(gid_t, struct group*, char*, size_t, struct group**);
    static const auto real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "getgrgid_r"));
    return real(gid, entry, buffer, size, found);
}

namespace adaptertest {
namespace {

using scripted::script;

CIMObjectPath frameworkPath(const std::string& className, const std::string& deviceId = "0") {
    CIMObjectPath path("", kNameSpace, className);
    path.addKeyBinding(CIMKeyBinding("DeviceID", std::vector<std::string>{deviceId}, CIM_STRING));
    return path;
}

CIMInstance frameworkInstance(const std::string& className, const std::string& deviceId = "0") {
    CIMInstance instance;
    instance.setObjectPath(CIMObjectPath("", kNameSpace, className));
    instance.addProperty(CIMProperty("DeviceID", CIMValue<std::string>({deviceId}, false, false), true, CIM_STRING));
    return instance;
}

// ---- Failures of requests ------------------------------------------------------

TEST_F(AdapterTest, FrameworkErrorsBecomeCMPIStatusesWithTheirMessages) {
    struct Case {
        int code;
        CMPIrc expected;
    };
    for (const Case& c : {Case{6, CMPI_RC_ERR_NOT_FOUND}, Case{1, CMPI_RC_ERR_FAILED},
                          Case{30, CMPI_RC_ERR_FAILED}, Case{24, CMPI_RC_ERR_FAILED},
                          Case{2, CMPI_RC_ERR_ACCESS_DENIED}, Case{18, static_cast<CMPIrc>(18)}}) {
        script().raise = [code = c.code] { throw CIMException(code, "scripted failure"); };
        RequestScope& request = newRequest();
        CMPIStatus status = ok();
        adapter->GetInstance(request.context(), request.result(), pathOf("ORV_Battery"), nullptr, mb, status);
        EXPECT_EQ(status.rc, c.expected) << "framework code " << c.code;
        EXPECT_EQ(message(status), "scripted failure");
        EXPECT_EQ(request.collected().doneCount, 0);
    }

    script().raise = [] { throw std::runtime_error("not a framework error"); };
    RequestScope& request = newRequest();
    CMPIStatus status = ok();
    adapter->EnumInstances(request.context(), request.result(), pathOf("ORV_Battery"), nullptr, mb, status);
    EXPECT_EQ(status.rc, CMPI_RC_ERR_FAILED);
    EXPECT_EQ(message(status), "Failed : Unknown Error");

    // Without a broker the status carries no message.
    script().raise = [] { throw CIMException(6, "gone"); };
    status = ok();
    adapter->EnumInstanceNames(request.context(), request.result(), pathOf("ORV_Battery"), nullptr, status);
    EXPECT_EQ(status.rc, CMPI_RC_ERR_NOT_FOUND);
    EXPECT_EQ(status.msg, nullptr);
}

TEST_F(AdapterTest, MissingFacadeFailsTheRequest) {
    script().facadeExists = false;
    LogWatch log;
    RequestScope& request = newRequest();
    CMPIStatus status = ok();
    adapter->DeleteInstance(request.context(), request.result(), pathOf("ORV_Battery"), mb, status);
    EXPECT_EQ(status.rc, CMPI_RC_ERR_FAILED);
    EXPECT_EQ(message(status), "Failed to Create FrameworkFacade Instance");
    EXPECT_TRUE(log.contains("Failed to create FrameworkFacade instance"));
}

// ---- Successful requests ------------------------------------------------------------

// What the real provider delivers through the adapter, every class and
// association of it, is the agreement suite's sweep; here what the adapter
// hands the framework.
TEST_F(AdapterTest, RequestsHandTheFrameworkWhatItsOperationTakes) {
    LogWatch log;
    RequestScope& request = newRequest();
    CMPIStatus status = ok();
    const char* properties[] = {"DeviceID", nullptr};
    adapter->EnumInstances(request.context(), request.result(),
                           pathOf("ORV_Battery", {{"DeviceID", Value::string("ignored")}}), properties, mb, status);
    EXPECT_EQ(status.rc, CMPI_RC_OK);
    ASSERT_EQ(script().calls.size(), 1u);
    EXPECT_EQ(script().calls[0].operation, "enumerateInstances");
    EXPECT_TRUE(script().calls[0].path.getKeyBindings().empty()) << "enumerations take no keys";
    EXPECT_TRUE(log.contains("CMPIAdapter::EnumInstances ClassName:ORV_Battery"));

    RequestScope& second = newRequest();
    adapter->ReferenceNames(second.context(), second.result(), pathOf("ORV_Battery"), "ORV_BatterySystemDevice",
                            nullptr, mb, status);
    EXPECT_EQ(status.rc, CMPI_RC_OK);
    EXPECT_EQ(script().calls.back().operation, "referencesNames");
    EXPECT_EQ(script().calls.back().resultClass, "ORV_BatterySystemDevice");
    EXPECT_EQ(script().calls.back().role, "") << "a missing role is an empty one";
    EXPECT_TRUE(log.contains("CMPIAdapter::ReferenceNames: From:ORV_Battery To:ORV_BatterySystemDevice "));
}

TEST_F(AdapterTest, CreateAnswersOnlyDoneAndDeleteNothing) {
    RequestScope& request = newRequest();
    CMPIStatus status = ok();
    CMPIInstance* instance = broker.newInstance(Instance{ObjectPath{"", kNameSpace, "ORV_Battery", {}}, {}});
    adapter->CreateInstance(request.context(), request.result(), pathOf("ORV_Battery"), instance, mb, status);
    EXPECT_EQ(status.rc, CMPI_RC_OK);
    EXPECT_EQ(request.collected().doneCount, 1);
    EXPECT_TRUE(request.collected().instances.empty());

    RequestScope& second = newRequest();
    adapter->DeleteInstance(second.context(), second.result(), pathOf("ORV_Battery"), mb, status);
    EXPECT_EQ(status.rc, CMPI_RC_OK);
    EXPECT_EQ(second.collected().doneCount, 0);
    EXPECT_TRUE(script().calls.empty()) << "neither reaches a plugin";
}

// ---- Lists that fail halfway --------------------------------------------------------

TEST_F(AdapterTest, PathThatCannotBeConvertedFailsItAndTheRestButDoneIsCalled) {
    CIMObjectPath unconvertible("", kNameSpace, "ORV_Battery");
    unconvertible.addKeyBinding(CIMKeyBinding("Ratio", std::vector<float>{0.5f}, CIM_REAL32));
    script().paths = {frameworkPath("ORV_Battery", "0"), unconvertible, frameworkPath("ORV_Battery", "2")};
    LogWatch log;

    RequestScope& request = newRequest();
    CMPIStatus status = ok();
    adapter->EnumInstanceNames(request.context(), request.result(), pathOf("ORV_Battery"), mb, status);
    EXPECT_EQ(status.rc, CMPI_RC_ERR_FAILED);
    EXPECT_EQ(message(status), "Failed to convert CIM ObjectPath to CMPI ObjectPath");
    const CollectedResult result = request.collected();
    ASSERT_EQ(result.objectPaths.size(), 1u);
    EXPECT_EQ(*result.objectPaths[0].key("DeviceID"), Value::string("0"));
    EXPECT_EQ(result.doneCount, 1);
    EXPECT_EQ(result.returnsAfterDone, 0);
    EXPECT_TRUE(log.contains("Failed to convert CIM ObjectPath to CMPI ObjectPath"));
}

TEST_F(AdapterTest, InstanceListStopsAtATypeTheServerCannotCarry) {
    CIMInstance badDate = frameworkInstance("ORV_Battery", "1");
    badDate.addProperty(CIMProperty("InstallDate", CIMValue<std::string>({"yesterday"}, false, false), false,
                                    CIM_DATETIME));
    script().instances = {frameworkInstance("ORV_Battery", "0"), badDate, frameworkInstance("ORV_Battery", "2")};
    RequestScope& request = newRequest();
    CMPIStatus status = ok();
    adapter->EnumInstances(request.context(), request.result(), pathOf("ORV_Battery"), nullptr, mb, status);
    EXPECT_EQ(status.rc, CMPI_RC_ERR_FAILED);
    EXPECT_EQ(message(status), "Failed to convert CIM Instance to CMPI Instance");
    EXPECT_EQ(request.collected().instances.size(), 1u);
    EXPECT_EQ(request.collected().doneCount, 1);

    CIMInstance referenceArray = frameworkInstance("ORV_Battery", "1");
    referenceArray.addProperty(CIMProperty("Extents", CIMValue<CIMObjectPath>({CIMObjectPath()}, true, false), false,
                                           CIM_REFERENCE_ARRAY));
    script().instances = {frameworkInstance("ORV_Battery", "0"), referenceArray, frameworkInstance("ORV_Battery", "2")};
    RequestScope& second = newRequest();
    status = ok();
    adapter->EnumInstances(second.context(), second.result(), pathOf("ORV_Battery"), nullptr, mb, status);
    EXPECT_EQ(status.rc, CMPI_RC_ERR_NOT_SUPPORTED);
    EXPECT_EQ(message(status), " :: Not supported");
    EXPECT_EQ(second.collected().instances.size(), 1u);
    EXPECT_EQ(second.collected().doneCount, 0) << "the list stops where the type was met";
}

// ---- Rights -----------------------------------------------------------------------------

TEST_F(AdapterTest, ChangesNeedAnAdministrator) {
    const char* properties[] = {"ElementName", nullptr};
    auto modifyAs = [&](const std::string& principal) {
        RequestScope& request = newRequest(principal);
        CMPIStatus status = ok();
        CMPIInstance* instance = broker.newInstance(
            Instance{ObjectPath{"", kNameSpace, "ORV_StorageVolume", {}}, {{"ElementName", Value::string("data")}}});
        adapter->ModifyInstance(request.context(), request.result(),
                                pathOf("ORV_StorageVolume", {{"DeviceID", Value::string("0_1")}}), instance,
                                properties, mb, status);
        return status;
    };

    CMPIStatus denied = modifyAs("bob");
    EXPECT_EQ(denied.rc, CMPI_RC_ERR_ACCESS_DENIED);
    EXPECT_EQ(message(denied), "bob : is not a member of Administrator/root");
    EXPECT_TRUE(script().calls.empty());

    CMPIStatus anonymous = modifyAs("");
    EXPECT_EQ(anonymous.rc, CMPI_RC_OK);
    ASSERT_EQ(script().calls.size(), 1u);
    const scripted::Call& call = script().calls[0];
    EXPECT_EQ(call.operation, "modifyInstance");
    EXPECT_EQ(call.path.getKeyBinding("DeviceID").getValue<std::string>(), std::vector<std::string>{"0_1"});
    EXPECT_EQ(call.instance.getClassName(), "ORV_StorageVolume");
    ASSERT_NE(call.instance.getProperty("ElementName"), nullptr);
    EXPECT_EQ(call.instance.getProperty("ElementName")->getValue<std::string>().at(0), "data");
    EXPECT_EQ(call.propertyNames, PropertyNameList{"ElementName"});

    EXPECT_EQ(modifyAs("root").rc, CMPI_RC_OK);
}

// What SFCB hands over: paths without host, strings whose characters are
// NULL, no principal when it authenticates nobody.
TEST_F(AdapterTest, RequestsAsRealServersSendThemAreServed) {
    RequestScope& request = newRequest(Principal::unauthenticated());
    CMPIStatus status = ok();
    CMPIObjectPath* path = broker.newObjectPath(
        ObjectPath{"", "", "ORV_Battery", {{"DeviceID", Value::stringWithoutChars()}}});
    adapter->GetInstance(request.context(), request.result(), path, nullptr, mb, status);
    EXPECT_EQ(status.rc, CMPI_RC_OK) << message(status);
    ASSERT_EQ(script().calls.size(), 1u);
    const CIMObjectPath& seen = script().calls[0].path;
    EXPECT_EQ(seen.getHost(), "");
    EXPECT_EQ(seen.getNameSpace(), "");
    EXPECT_TRUE(seen.getKeyBinding("DeviceID").getValue<std::string>().empty());

    const char* properties[] = {"ElementName", nullptr};
    CMPIInstance* instance = broker.newInstance(
        Instance{ObjectPath{"", kNameSpace, "ORV_StorageVolume", {}}, {{"ElementName", Value::stringWithoutChars()}}});
    adapter->ModifyInstance(request.context(), request.result(), pathOf("ORV_StorageVolume"), instance, properties,
                            mb, status);
    EXPECT_EQ(status.rc, CMPI_RC_OK) << message(status);
    ASSERT_EQ(script().calls.size(), 2u);
    EXPECT_TRUE(script().calls[1].instance.getProperty("ElementName")->getValue<std::string>().isNull());

    // No property list (SFCB without PropertyList): every property sent but the keys.
    CMPIInstance* everything = broker.newInstance(Instance{
        ObjectPath{"", kNameSpace, "ORV_StorageVolume", {}},
        {{"DeviceID", Value::string("0_0")}, {"ElementName", Value::string("renamed")}}});
    CMPIObjectPath* keyed = broker.newObjectPath(
        ObjectPath{"", kNameSpace, "ORV_StorageVolume", {{"DeviceID", Value::string("0_0")}}});
    adapter->ModifyInstance(request.context(), request.result(), keyed, everything, nullptr, mb, status);
    EXPECT_EQ(status.rc, CMPI_RC_OK) << message(status);
    ASSERT_EQ(script().calls.size(), 3u);
    EXPECT_EQ(script().calls[2].propertyNames, PropertyNameList{"ElementName"});
    script().calls.pop_back();

    RequestScope& absent = newRequest(Principal());
    adapter->InvokeMethod(absent.context(), absent.result(), pathOf("ORV_StorageConfigurationService"),
                          "ReturnToStoragePool", broker.newArgs({{"ElementName", Value::stringWithoutChars()}}),
                          broker.newArgs(), mb, status);
    EXPECT_EQ(status.rc, CMPI_RC_OK) << message(status);
    ASSERT_EQ(script().calls.size(), 3u);
    EXPECT_TRUE(script().calls[2].in.find("ElementName")->getValue<std::string>().isNull());

    // A principal the adapter cannot read is refused, never taken as nobody.
    RequestScope& odd = newRequest("bob");
    CMPIValue number{};
    number.uint32 = 0;
    odd.context()->ft->addEntry(odd.context(), CMPIPrincipal, &number, CMPI_uint32);
    adapter->ModifyInstance(odd.context(), odd.result(), pathOf("ORV_StorageVolume"), instance, properties, mb,
                            status);
    EXPECT_EQ(status.rc, CMPI_RC_ERR_FAILED);
    EXPECT_EQ(message(status), "Failed to get CharsPtr from string username");
    EXPECT_EQ(script().calls.size(), 3u);
}

TEST_F(AdapterTest, ConfiguredGroupAlsoAdministers) {
    if (getpwnam("daemon") == nullptr) GTEST_SKIP() << "no daemon user on this host";
    EXPECT_FALSE(adapter->isAdministrator("daemon", "\\\\host"));
    EXPECT_FALSE(adapter->isAdministrator("no-such-user-here", "\\\\host"));

    installation().writeRegistry("[SOFTWARE\\ORV-Kestra]\nAmbrix=" + installation().root() +
                                 "\n[SOFTWARE\\ORV-Kestra\\Ambrix]\nProductVersion=1.5.0\nAdminGroup=daemon\n");
    LogWatch log;
    EXPECT_TRUE(adapter->isAdministrator("daemon", "\\\\host"));
    EXPECT_TRUE(log.contains("[Compare] UserName = daemon --> group #0l = daemon"));

    // A group the database cannot name ends the search: nothing is granted.
    groupsUnreadable = true;
    EXPECT_FALSE(adapter->isAdministrator("daemon", "\\\\host"));
    groupsUnreadable = false;
    EXPECT_TRUE(log.contains("Access Violation while extracting 0th group information for user - daemon"));

    installation().writeRegistry("[SOFTWARE\\ORV-Kestra]\nAmbrix=" + installation().root() +
                                 "\n[SOFTWARE\\ORV-Kestra\\Ambrix]\nProductVersion=1.5.0\n");
    EXPECT_FALSE(adapter->isAdministrator("daemon", "\\\\host"));
}

// ---- Methods ------------------------------------------------------------------------------

TEST_F(AdapterTest, MethodAnswersItsReturnValueAndOutArguments) {
    script().methodReturn = 4096;
    script().methodOut.add(CIMProperty("Job", CIMValue<CIMObjectPath>({frameworkPath("ORV_ConcreteJob", "9")}, false, false),
                                       false, CIM_REFERENCE));
    LogWatch log;
    RequestScope& request = newRequest();
    CMPIArgs* in = broker.newArgs({{"ElementName", Value::string("vol")}, {"Size", Value::unsignedInteger(CMPI_uint64, 10)}});
    CMPIArgs* out = broker.newArgs();
    CMPIStatus status = ok();
    adapter->InvokeMethod(request.context(), request.result(),
                          pathOf("ORV_StorageConfigurationService", {{"Name", Value::string("s")}}),
                          "CreateOrModifyElementFromStoragePool", in, out, mb, status);
    EXPECT_EQ(status.rc, CMPI_RC_OK);
    const scripted::Call& call = script().calls.at(0);
    EXPECT_EQ(call.methodName, "CreateOrModifyElementFromStoragePool");
    EXPECT_EQ(call.in.size(), 2u);
    EXPECT_EQ(call.in.find("Size")->getValue<uint64_t>().at(0), 10u);
    const CollectedResult result = request.collected();
    ASSERT_EQ(result.data.size(), 1u);
    EXPECT_EQ(result.data[0], Value::unsignedInteger(CMPI_uint32, 4096));
    EXPECT_EQ(result.doneCount, 1);
    const ArgumentList outArguments = readArgs(out);
    ASSERT_EQ(outArguments.size(), 1u);
    EXPECT_EQ(outArguments[0].value.asReference().className, "ORV_ConcreteJob");
    EXPECT_TRUE(log.contains("CMPIAdapter::InvokeMethod:CreateOrModifyElementFromStoragePool"));
    EXPECT_TRUE(log.contains("UserName = , HostName = \\\\"));
}

TEST_F(AdapterTest, MethodFailureStillAnswersWithTheCodeAsReturnValue) {
    script().raise = [] { throw CIMException(7, "method not supported here"); };
    RequestScope& request = newRequest();
    CMPIStatus status = ok();
    adapter->InvokeMethod(request.context(), request.result(), pathOf("ORV_StorageConfigurationService"), "Odd",
                          broker.newArgs(), broker.newArgs(), mb, status);
    EXPECT_EQ(status.rc, CMPI_RC_ERR_FAILED) << "the code is not mapped for methods";
    EXPECT_EQ(message(status), "method not supported here");
    ASSERT_EQ(request.collected().data.size(), 1u);
    EXPECT_EQ(request.collected().data[0], Value::unsignedInteger(CMPI_uint32, 7));
    EXPECT_EQ(request.collected().doneCount, 1);

    // In-arguments that cannot be converted answer the conversion's code.
    script().raise = nullptr;
    RequestScope& third = newRequest();
    status = ok();
    adapter->InvokeMethod(third.context(), third.result(), pathOf("ORV_StorageConfigurationService"), "Odd",
                          broker.newArgs({{"Delta", Value::signedInteger(CMPI_sint8, 1)}}), broker.newArgs(), mb,
                          status);
    EXPECT_EQ(message(status), "Failed to convert CMPI Arguments to CIM Arguments");
    EXPECT_EQ(third.collected().data.at(0), Value::unsignedInteger(CMPI_uint32, 24));
}

// ---- The result-class step of associations -----------------------------------------------

class AssociationStepTest : public AdapterTest {
protected:
    void SetUp() override {
        AdapterTest::SetUp();
        ClassHierarchy& classes = broker.classHierarchy();
        classes.addClass("CIM_ManagedElement");
        classes.addClass("CIM_LogicalDevice", "CIM_ManagedElement");
        classes.addClass("CIM_StorageExtent", "CIM_LogicalDevice");
        classes.addClass("ORV_Battery", "CIM_LogicalDevice");
        classes.addClass("ORV_ControllerComputerSystem", "CIM_ManagedElement");
        classes.addClass("ORV_DiskDrive", "CIM_LogicalDevice");
        script().plugin = &plugin;
    }

    CMPIStatus associatorNames(const std::string& fromClass, const char* resultClass) {
        RequestScope& request = newRequest();
        CMPIStatus status = ok();
        adapter->AssociatorNames(request.context(), request.result(), pathOf(fromClass), "ORV_BatterySystemDevice",
                                 resultClass, "GroupComponent", "PartComponent", mb, status);
        return status;
    }

    const scripted::Call* facadeCall(const std::string& operation) {
        for (const auto& call : script().calls)
            if (call.operation == operation) return &call;
        return nullptr;
    }

    scripted::AssociationPlugin plugin{"ORV_ControllerComputerSystem", "ORV_Battery"};
};

// An other end outside the result class, or an association without a
// plugin, ends the request without results and without done.
TEST_F(AssociationStepTest, OtherEndOutsideTheResultClassOrUnknownAssociationEndsWithoutResults) {
    EXPECT_EQ(associatorNames("ORV_ControllerComputerSystem", "CIM_StorageExtent").rc, CMPI_RC_OK);
    EXPECT_EQ(facadeCall("associatorsNames"), nullptr);
    EXPECT_EQ(request->collected().doneCount, 0);
    EXPECT_TRUE(request->collected().objectPaths.empty());

    LogWatch log;
    RequestScope& second = newRequest();
    CMPIStatus status = ok();
    adapter->Associators(second.context(), second.result(), pathOf("ORV_Battery"), "ORV_BatterySystemDevice",
                         "CIM_StorageExtent", nullptr, nullptr, nullptr, mb, status);
    EXPECT_EQ(status.rc, CMPI_RC_OK);
    EXPECT_EQ(second.collected().doneCount, 0);
    EXPECT_TRUE(log.contains("******Exiting CMPIAdapter::Associators, AssociationClass = ORV_BatterySystemDevice "
                             "AntecedentClass = ORV_ControllerComputerSystem"));

    script().plugin = nullptr;
    EXPECT_EQ(associatorNames("ORV_ControllerComputerSystem", "").rc, CMPI_RC_OK);
    EXPECT_EQ(facadeCall("associatorsNames"), nullptr);
    EXPECT_EQ(request->collected().doneCount, 0);
    EXPECT_TRUE(log.contains("Failed to get plugin for association class"));
}

TEST_F(AssociationStepTest, MatchingResultClassIsNarrowedToTheOtherEnd) {
    script().paths = {frameworkPath("ORV_Battery", "0"), frameworkPath("ORV_DiskDrive", "1"),
                      frameworkPath("ORV_Battery", "2")};
    EXPECT_EQ(associatorNames("ORV_ControllerComputerSystem", "CIM_LogicalDevice").rc, CMPI_RC_OK);
    const scripted::Call* call = facadeCall("associatorsNames");
    ASSERT_NE(call, nullptr);
    EXPECT_EQ(call->resultClass, "orv_battery");
    EXPECT_EQ(call->associationClass, "ORV_BatterySystemDevice");
    EXPECT_EQ(call->role, "GroupComponent");
    EXPECT_EQ(call->resultRole, "PartComponent");
    const CollectedResult result = request->collected();
    ASSERT_EQ(result.objectPaths.size(), 2u) << "the disk drive is no battery";
    EXPECT_EQ(*result.objectPaths[1].key("DeviceID"), Value::string("2"));
    EXPECT_EQ(result.doneCount, 1);
}

TEST_F(AssociationStepTest, ObjectOfNeitherEndKeepsTheResultClassAndFiltersByIt) {
    script().instances = {frameworkInstance("ORV_Battery", "0"), frameworkInstance("ORV_ControllerComputerSystem", "1")};
    RequestScope& request = newRequest();
    CMPIStatus status = ok();
    adapter->Associators(request.context(), request.result(), pathOf("ORV_DiskDrive"), "ORV_BatterySystemDevice",
                         "CIM_LogicalDevice", nullptr, nullptr, nullptr, mb, status);
    EXPECT_EQ(status.rc, CMPI_RC_OK);
    ASSERT_NE(facadeCall("associators"), nullptr);
    EXPECT_EQ(facadeCall("associators")->resultClass, "CIM_LogicalDevice");
    ASSERT_EQ(request.collected().instances.size(), 1u);
    EXPECT_EQ(request.collected().instances[0].path.className, "ORV_Battery");

    // Without a result class everything the framework answers is delivered.
    RequestScope& second = newRequest();
    adapter->Associators(second.context(), second.result(), pathOf("ORV_DiskDrive"), "ORV_BatterySystemDevice",
                         nullptr, nullptr, nullptr, nullptr, mb, status);
    EXPECT_EQ(second.collected().instances.size(), 2u);
}

}  // namespace
}  // namespace adaptertest
