// The broker's services as a provider meets them during a request:
// contexts, results, class ancestry, object lifetime, messages and logs,
// extended errors, enumerations and query objects.
#include "Broker.h"
#include "cmpimacro.h"

#include <gtest/gtest.h>

#include <string>

using namespace orv::cmpiserver;

namespace {

constexpr const char* kNameSpace = "root/orv/Ambrix/smi_14";

std::string chars(CMPIString* string) { return string->ft->getCharPtr(string, nullptr); }

class BrokerServicesTest : public ::testing::Test {
protected:
    Broker broker;
    const CMPIBroker* mb = broker.cmpi();
};

TEST_F(BrokerServicesTest, RequestContextCarriesPrincipalFlagsAndNameSpace) {
    RequestScope request(broker, kNameSpace, "bob", CMPI_FLAG_DeepInheritance);
    const CMPIContext* ctx = request.context();
    CMPIStatus rc;
    CMPIData principal = ctx->ft->getEntry(ctx, CMPIPrincipal, &rc);
    ASSERT_EQ(rc.rc, CMPI_RC_OK);
    ASSERT_EQ(principal.type, CMPI_string);
    EXPECT_EQ(chars(principal.value.string), "bob");
    CMPIData flags = ctx->ft->getEntry(ctx, CMPIInvocationFlags, &rc);
    EXPECT_EQ(flags.type, CMPI_uint32);
    EXPECT_EQ(flags.value.uint32, static_cast<CMPIUint32>(CMPI_FLAG_DeepInheritance));
    EXPECT_EQ(chars(ctx->ft->getEntry(ctx, CMPIInitNameSpace, &rc).value.string), kNameSpace);

    // As in OpenPegasus and SFCB, a CMPI_chars value is the C string itself.
    const char* role = "Administrators";
    ASSERT_EQ(ctx->ft->addEntry(ctx, CMPIRole, reinterpret_cast<const CMPIValue*>(role), CMPI_chars).rc,
              CMPI_RC_OK);
    EXPECT_EQ(ctx->ft->getEntryCount(ctx, nullptr), 4u);
    CMPIString* name = nullptr;
    ctx->ft->getEntryAt(ctx, 3, &name, &rc);
    EXPECT_EQ(chars(name), CMPIRole);

    ctx->ft->getEntry(ctx, CMPIAcceptLanguage, &rc);
    EXPECT_EQ(rc.rc, CMPI_RC_ERR_NO_SUCH_PROPERTY);
    ctx->ft->getEntryAt(ctx, 4, nullptr, &rc);
    EXPECT_EQ(rc.rc, CMPI_RC_ERR_NO_SUCH_PROPERTY);
}

// A provider in miniature: the instance MI a CIM server would load.
CMPIStatus enumerateVolumes(CMPIInstanceMI* mi, const CMPIContext*, const CMPIResult* rslt,
                            const CMPIObjectPath* op, const char**) {
    auto* mb = static_cast<const CMPIBroker*>(mi->hdl);
    CMPIString* ns = op->ft->getNameSpace(op, nullptr);
    for (CMPIUint32 number = 0; number < 2; ++number) {
        CMPIObjectPath* path =
            mb->eft->newObjectPath(mb, ns->ft->getCharPtr(ns, nullptr), "ORV_StorageVolume", nullptr);
        CMPIValue value;
        value.uint32 = number;
        path->ft->addKey(path, "Number", &value, CMPI_uint32);
        CMPIInstance* instance = mb->eft->newInstance(mb, path, nullptr);
        instance->ft->setProperty(instance, "Number", &value, CMPI_uint32);
        rslt->ft->returnInstance(rslt, instance);
        rslt->ft->returnObjectPath(rslt, path);
    }
    CMPIValue code;
    code.uint32 = 7;
    rslt->ft->returnData(rslt, &code, CMPI_uint32);
    rslt->ft->returnDone(rslt);
    CMReturnWithChars(mb, CMPI_RC_ERR_NOT_FOUND, "two volumes, then not found");
}

TEST_F(BrokerServicesTest, ResultCollectsWhatTheProviderReturns) {
    static CMPIInstanceMIFT table{CMPIVersion200, CMPIVersion200, "instanceTest", nullptr,
                                  nullptr, enumerateVolumes, nullptr, nullptr, nullptr,
                                  nullptr, nullptr};
    CMPIInstanceMI mi{const_cast<CMPIBroker*>(mb), &table};

    RequestScope request(broker, kNameSpace);
    CMPIObjectPath* op = broker.newObjectPath(ObjectPath{"", kNameSpace, "ORV_StorageVolume", {}});
    CMPIStatus status = mi.ft->enumerateInstances(&mi, request.context(), request.result(), op, nullptr);
    EXPECT_EQ(status.rc, CMPI_RC_ERR_NOT_FOUND);
    EXPECT_EQ(readMessage(status), "two volumes, then not found");

    const CollectedResult result = request.collected();
    ASSERT_EQ(result.instances.size(), 2u);
    EXPECT_EQ(*result.instances[1].property("Number"), Value::unsignedInteger(CMPI_uint32, 1));
    EXPECT_EQ(result.instances[1].path.nameSpace, kNameSpace);
    ASSERT_EQ(result.objectPaths.size(), 2u);
    EXPECT_EQ(*result.objectPaths[0].key("Number"), Value::unsignedInteger(CMPI_uint32, 0));
    ASSERT_EQ(result.data.size(), 1u);
    EXPECT_EQ(result.data[0], Value::unsignedInteger(CMPI_uint32, 7));
    EXPECT_EQ(result.doneCount, 1);
    EXPECT_EQ(result.returnsAfterDone, 0);

    request.result()->ft->returnData(request.result(), nullptr, CMPI_uint32);
    EXPECT_EQ(request.collected().returnsAfterDone, 1);
    EXPECT_EQ(request.collected().data.back(), Value::null(CMPI_uint32));

    // With consumers the instances and paths go there as they come, not into the result.
    RequestScope streamed(broker, kNameSpace);
    std::vector<Value> numbers;
    streamed.consumeInstances([&](const Instance& instance) { numbers.push_back(*instance.property("Number")); });
    streamed.consumePaths([&](const ObjectPath& path) { numbers.push_back(*path.key("Number")); });
    mi.ft->enumerateInstances(&mi, streamed.context(), streamed.result(), op, nullptr);
    const Value zero = Value::unsignedInteger(CMPI_uint32, 0), one = Value::unsignedInteger(CMPI_uint32, 1);
    EXPECT_EQ(numbers, (std::vector<Value>{zero, zero, one, one}));
    EXPECT_TRUE(streamed.collected().instances.empty());
    EXPECT_TRUE(streamed.collected().objectPaths.empty());
}

TEST_F(BrokerServicesTest, ClassPathIsAFollowsTheHierarchyWithoutCase) {
    ClassHierarchy& classes = broker.classHierarchy();
    classes.addClass("CIM_ManagedElement");
    classes.addClass("CIM_LogicalElement", "CIM_ManagedElement");
    classes.addClass("CIM_StorageExtent", "CIM_LogicalElement");
    classes.addClass("ORV_StorageVolume", "CIM_StorageExtent");
    classes.addClass("ORV_DiskDrive", "CIM_LogicalElement");

    RequestScope request(broker, kNameSpace);
    CMPIObjectPath* volume = mb->eft->newObjectPath(mb, kNameSpace, "orv_storagevolume", nullptr);
    CMPIStatus rc;
    EXPECT_TRUE(mb->eft->classPathIsA(mb, volume, "CIM_ManagedElement", &rc));
    EXPECT_EQ(rc.rc, CMPI_RC_OK);
    EXPECT_TRUE(mb->eft->classPathIsA(mb, volume, "cim_storageextent", &rc));
    EXPECT_TRUE(mb->eft->classPathIsA(mb, volume, "ORV_StorageVolume", &rc));
    EXPECT_FALSE(mb->eft->classPathIsA(mb, volume, "ORV_DiskDrive", &rc));
    EXPECT_EQ(rc.rc, CMPI_RC_OK);

    CMPIObjectPath* unknown = mb->eft->newObjectPath(mb, kNameSpace, "ORV_NotInSchema", nullptr);
    EXPECT_TRUE(mb->eft->classPathIsA(mb, unknown, "orv_notinschema", &rc));
    EXPECT_FALSE(mb->eft->classPathIsA(mb, unknown, "CIM_ManagedElement", &rc));

    EXPECT_FALSE(mb->eft->classPathIsA(mb, nullptr, "CIM_ManagedElement", &rc));
    EXPECT_EQ(rc.rc, CMPI_RC_ERR_INVALID_HANDLE);
    EXPECT_FALSE(mb->eft->classPathIsA(mb, volume, nullptr, &rc));
    EXPECT_EQ(rc.rc, CMPI_RC_ERR_INVALID_PARAMETER);

    classes.addClass("Loop_A", "Loop_B");
    classes.addClass("Loop_B", "Loop_A");
    EXPECT_FALSE(classes.isA("Loop_A", "CIM_ManagedElement"));
}

TEST_F(BrokerServicesTest, ObjectsLiveWithTheirRequestOrWithTheBroker) {
    {
        RequestScope request(broker, kNameSpace);
        const std::size_t base = request.objectCount();  // context and result
        CMPIString* string = mb->eft->newString(mb, "transient", nullptr);
        CMPIInstance* instance = broker.newInstance(Instance{{"", kNameSpace, "ORV_X", {}}, {}});
        EXPECT_EQ(request.objectCount(), base + 2);

        EXPECT_EQ(string->ft->release(string).rc, CMPI_RC_OK);
        EXPECT_EQ(request.objectCount(), base + 1);
        mb->mft->freeInstance(mb, instance);
        EXPECT_EQ(request.objectCount(), base);

        // The server's own context and result survive a provider's release.
        CMPIContext* ctx = const_cast<CMPIContext*>(request.context());
        EXPECT_EQ(ctx->ft->release(ctx).rc, CMPI_RC_OK);
        EXPECT_EQ(request.objectCount(), base);

        // Objects made since a mark go together.
        CMPIGcStat* mark = mb->mft->mark(mb, nullptr);
        for (int i = 0; i < 3; ++i) mb->eft->newArgs(mb, nullptr);
        EXPECT_EQ(request.objectCount(), base + 3);
        EXPECT_EQ(mb->mft->release(mb, mark).rc, CMPI_RC_OK);
        EXPECT_EQ(request.objectCount(), base);

        // Memory blocks: one given back, one left for the request to free.
        char* copy = mb->mft->cmpiStrDup(mb, "kept until the request ends");
        auto* grown = static_cast<char*>(mb->mft->cmpiRealloc(mb, copy, 256));
        EXPECT_STREQ(grown, "kept until the request ends");
        void* block = mb->mft->cmpiCalloc(mb, 4, 8);
        EXPECT_EQ(static_cast<unsigned char*>(block)[31], 0);
        mb->mft->cmpiFree(mb, block);

        // Clones outlive the request until released.
        CMPIString* clone = mb->eft->newString(mb, "c", nullptr)->ft->clone(
            mb->eft->newString(mb, "c", nullptr), nullptr);
        EXPECT_EQ(broker.longLivedObjectCount(), 1u);
        EXPECT_EQ(chars(clone), "c");
        clone->ft->release(clone);
    }
    EXPECT_EQ(broker.longLivedObjectCount(), 0u);
    // Objects made outside any request live with the broker.
    EXPECT_EQ(chars(mb->eft->newString(mb, "no request", nullptr)), "no request");
    EXPECT_EQ(broker.longLivedObjectCount(), 1u);
}

}  // namespace
