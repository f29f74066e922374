// The built provider, loaded by path, over a RAID library that reports no
// controllers: its exported face, its MI tables, the argument checks of every
// MI function, and what queries and filter checks answer.
#include "LoadedProvider.h"

#include <cstdio>
#include <memory>
#include <set>

namespace providertest {
namespace {

const auto* const environment = ::testing::AddGlobalTestEnvironment(new ProviderEnvironment(kNoControllers));

class NoControllerTest : public ::testing::Test {
protected:
    const CMPIBroker* mb = provider->broker.cmpi();
    CMPIInstanceMI* instance = provider->instanceMI;
    CMPIAssociationMI* association = provider->associationMI;
    CMPIIndicationMI* indication = provider->indicationMI;
    CMPIMethodMI* method = provider->methodMI;

    std::string logFile() const { return provider->installation.logFile(); }
    CMPIObjectPath* path(const std::string& nameSpace, const std::string& className,
                         std::vector<NamedValue> keys = {}) {
        return provider->broker.newObjectPath(ObjectPath{"", nameSpace, className, std::move(keys)});
    }
};

// ---- The module's face --------------------------------------------------------------

TEST_F(NoControllerTest, ExportsExactlyTheFourFactories) {
    std::unique_ptr<FILE, int (*)(FILE*)> listing(popen("nm -D --defined-only " PROVIDER_PATH, "r"), pclose);
    ASSERT_NE(listing, nullptr);
    std::set<std::string> exported;
    char line[1024];
    while (std::fgets(line, sizeof line, listing.get()) != nullptr) {
        std::string text(line);
        while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
        exported.insert(text.substr(text.rfind(' ') + 1));
    }
    EXPECT_EQ(exported, (std::set<std::string>{"AmbrixProvider15_Create_AssociationMI",
                                               "AmbrixProvider15_Create_IndicationMI",
                                               "AmbrixProvider15_Create_InstanceMI",
                                               "AmbrixProvider15_Create_MethodMI"}));
}

// ---- Argument checks --------------------------------------------------------------------

TEST_F(NoControllerTest, MissingArgumentsAreRefusedBeforeAnythingElse) {
    RequestScope request(provider->broker, kStorageNameSpace);
    const CMPIContext* ctx = request.context();
    const CMPIResult* rslt = request.result();
    CMPIObjectPath* op = path(kStorageNameSpace, "ORV_StorageVolume");
    CMPIObjectPath nullHandle{nullptr, op->ft};
    CMPISelectExp* filter = provider->broker.newSelectExp("SELECT * FROM CIM_AlertIndication", "WQL");
    CMPIArgs* in = provider->broker.newArgs();
    CMPIArgs* out = provider->broker.newArgs();
    const char* properties[] = {"Name", nullptr};

    const std::vector<std::pair<const char*, CMPIStatus>> refusals = {
        {"enumerateInstanceNames without mi", instance->ft->enumerateInstanceNames(nullptr, ctx, rslt, op)},
        {"enumerateInstances without result", instance->ft->enumerateInstances(instance, ctx, nullptr, op, nullptr)},
        {"getInstance with a null handle", instance->ft->getInstance(instance, ctx, rslt, &nullHandle, nullptr)},
        {"createInstance without instance", instance->ft->createInstance(instance, ctx, rslt, op, nullptr)},
        {"deleteInstance without context", instance->ft->deleteInstance(instance, nullptr, rslt, op)},
        {"execQuery with an empty query", instance->ft->execQuery(instance, ctx, rslt, op, "", "WQL")},
        {"associators without path", association->ft->associators(association, ctx, rslt, nullptr, "A", "", "", "", nullptr)},
        {"associatorNames without association class",
         association->ft->associatorNames(association, ctx, rslt, op, nullptr, nullptr, nullptr, nullptr)},
        {"references without result", association->ft->references(association, ctx, nullptr, op, nullptr, nullptr, nullptr)},
        {"referenceNames without context", association->ft->referenceNames(association, nullptr, rslt, op, nullptr, nullptr)},
        {"authorizeFilter without owner",
         indication->ft->authorizeFilter(indication, ctx, filter, "CIM_AlertIndication", op, nullptr)},
        {"mustPoll without class name", indication->ft->mustPoll(indication, ctx, filter, "", op)},
        {"activateFilter without filter",
         indication->ft->activateFilter(indication, ctx, nullptr, "CIM_AlertIndication", op, 1)},
        {"deActivateFilter without path",
         indication->ft->deActivateFilter(indication, ctx, filter, "CIM_AlertIndication", nullptr, 1)},
        {"enableIndications without context", indication->ft->enableIndications(indication, nullptr)},
        {"disableIndications without mi", indication->ft->disableIndications(nullptr, ctx)},
        {"invokeMethod without out-args", method->ft->invokeMethod(method, ctx, rslt, op, "Odd", in, nullptr)},
        {"invokeMethod with an empty name", method->ft->invokeMethod(method, ctx, rslt, op, "", in, out)},
    };
    for (const auto& [name, status] : refusals) {
        EXPECT_EQ(status.rc, CMPI_RC_ERR_INVALID_PARAMETER) << name;
        EXPECT_EQ(message(status), "The input parameters are invalid") << name;
    }
    EXPECT_EQ(request.collected().doneCount, 0);
    EXPECT_GE(occurrences(logFile(), "INVALID : indType = "), 1u);

    // Only the property list is checked for modifyInstance; associators
    // goes on without an association class.
    RequestScope second(provider->broker, kStorageNameSpace);
    EXPECT_NE(instance->ft->modifyInstance(instance, second.context(), second.result(), nullptr, nullptr, properties).rc,
              CMPI_RC_ERR_INVALID_PARAMETER);
    EXPECT_EQ(association->ft->associators(association, second.context(), second.result(),
                                           path(kStorageNameSpace, "ORV_StorageVolume"), nullptr, nullptr, nullptr,
                                           nullptr, nullptr).rc,
              CMPI_RC_OK);
}

TEST_F(NoControllerTest, QueriesAndFilterChecksAnswerNothing) {
    RequestScope request(provider->broker, kStorageNameSpace);
    CMPIObjectPath* op = path(kStorageNameSpace, "CIM_AlertIndication");
    CMPISelectExp* filter = provider->broker.newSelectExp("SELECT * FROM CIM_AlertIndication", "WQL");
    CMPIStatus query = instance->ft->execQuery(instance, request.context(), request.result(), op,
                                               "SELECT * FROM ORV_StorageVolume", "WQL");
    EXPECT_EQ(query.rc, CMPI_RC_OK);
    EXPECT_EQ(query.msg, nullptr);
    EXPECT_EQ(indication->ft->authorizeFilter(indication, request.context(), filter, "CIM_AlertIndication", op, "bob").rc,
              CMPI_RC_OK);
    EXPECT_EQ(indication->ft->mustPoll(indication, request.context(), filter, "CIM_AlertIndication", op).rc, CMPI_RC_OK);
    EXPECT_EQ(indication->ft->activateFilter(indication, request.context(), filter, "CIM_AlertIndication", op, 1).rc,
              CMPI_RC_OK);
    EXPECT_EQ(indication->ft->deActivateFilter(indication, request.context(), filter, "CIM_AlertIndication", op, 1).rc,
              CMPI_RC_OK);
    const CollectedResult result = request.collected();
    EXPECT_EQ(result.doneCount, 0);
    EXPECT_TRUE(result.instances.empty());
    EXPECT_GE(occurrences(logFile(), "VALID : indType = "), 1u);
}

TEST_F(NoControllerTest, FailedRequestIsLoggedUnderItsOperation) {
    const Reply reply = enumerateNames(kStorageNameSpace, "");
    EXPECT_EQ(reply.rc, CMPI_RC_ERR_FAILED);
    EXPECT_EQ(reply.text, "Failed to convert CMPI ObjectPath to CIM ObjectPath");
    EXPECT_TRUE(reply.result.objectPaths.empty());
    EXPECT_EQ(occurrences(logFile(),
                          "EnumInstanceNames operation failed,                 refer previous log lines for reason"),
              1u);
}

}  // namespace
}  // namespace providertest
