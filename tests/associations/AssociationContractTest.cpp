// Every association of the table over eleven simulated controllers, with
// the number of pairs each must answer worked out from the topology file
// itself.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "AssociationCatalogue.h"
#include "ExpectedPairs.h"
#include "CommonFunctions.h"
#include "FrameworkFacade.h"
#include "FrameworkTestSupport.h"
#include "Logger.h"
#include "PluginsManager.h"
#include "ProviderPluginCatalogue.h"
#include "TableAssociation.h"
#include "TestInstallation.h"

namespace orv::cim::fwf::associations {
namespace {

using associationtest::Topology;
using associationtest::expectedPairs;

constexpr const char* kStorage = "root/orv/Ambrix/smi_14";

std::string readTopology(const std::string& name) {
    return orv::test::TestInstallation::readFile(std::string(ORV_TOPOLOGY_DIR) + "/" + name);
}

// The provider's framework over the simulated library with one topology.
class Provider : public ::testing::Test {
protected:
    void start(const std::string& topology) {
        LogTerminate();
        installation = std::make_unique<orv::test::TestInstallation>();
        installation->writeDefaultLoggerConfig();
        ASSERT_EQ(0, LogInitialize("SMIS", "SMIS"));
        installation->installRaidLibrary(VRLIB_PATH, topology);
        FrameworkFacade::setVRLibFacadeForTesting(nullptr);
        PluginsManager::setPluginCatalogue(&providerPluginCatalogue());
        ASSERT_TRUE(FrameworkFacade::getInstance()->initialize());
    }
    void TearDown() override {
        FrameworkFacade::destroyInstance();
        PluginsManager::setPluginCatalogue(nullptr);
        LogTerminate();
        installation.reset();
    }

    static FrameworkFacade& facade() { return *FrameworkFacade::getInstance(); }
    static CIMObjectPath classPath(const std::string& className, const char* ns = kStorage) {
        return CIMObjectPath("", ns, className);
    }
    static size_t count(const char* className) {
        CIMObjectPathList names;
        facade().enumerateInstanceNames(classPath(className), names);
        return names.size();
    }
    static CIMObjectPathList associatorNames(const CIMObjectPath& from, const std::string& association,
                                             const std::string& role = "", const std::string& resultRole = "") {
        CIMObjectPathList out;
        facade().associatorsNames(from, association, out, role, resultRole, "");
        return out;
    }

    std::unique_ptr<orv::test::TestInstallation> installation;
};

// The base's pairwise search over full instances of both ends: what the
// table's faster search must answer, pair for pair and in the same order.
class Pairwise : public TableAssociation {
public:
    using TableAssociation::TableAssociation;
    CIMObjectPathList pairs(const CIMObjectPath& request) {
        CIMInstanceList firsts, seconds, associations;
        FrameworkFacade::getInstance()->enumerateInstances(endpointPath(request, firstEnd()), firsts);
        FrameworkFacade::getInstance()->enumerateInstances(endpointPath(request, secondEnd()), seconds);
        pairInstances(request, firsts, seconds, associations);
        CIMObjectPathList paths;
        for (const auto& association : associations) paths.push_back(association.getObjectPath());
        return paths;
    }
};

// For each row: the same pairs as the pairwise search, the number of pairs, the roles and classes of the ends, and
// that the walks from every object of both ends give back exactly its pairs.
TEST_F(Provider, EveryAssociationAnswersItsPairsFromBothEnds) {
    const std::string text = readTopology("eleven-controllers.json");
    start(text);
    const Topology topology(text);
    ASSERT_EQ(topology.controllers, 11u);
    for (const auto& row : associationRows()) {
        const auto expected = expectedPairs().find(row.className);
        if (expected == expectedPairs().end()) continue;  // the jobs' association
        SCOPED_TRACE(std::string(row.className) + ": " + row.test.describe());
        CIMInstanceList associations;
        facade().enumerateInstances(classPath(row.className), associations);
        EXPECT_EQ(associations.size(), expected->second(topology, count));
        CIMObjectPathList found;
        for (const auto& association : associations) found.push_back(association.getObjectPath());
        EXPECT_EQ(found, Pairwise(row).pairs(classPath(row.className)));

        std::set<std::string> seen;
        for (const auto& association : associations) {
            const CIMObjectPath first = orv::test::referenceOf(association, row.first.role);
            const CIMObjectPath second = orv::test::referenceOf(association, row.second.role);
            ASSERT_EQ(CommonFunctions::toLower(first.getClassName()), CommonFunctions::toLower(row.first.className));
            ASSERT_EQ(CommonFunctions::toLower(second.getClassName()), CommonFunctions::toLower(row.second.className));
            EXPECT_NE(first, second);
            EXPECT_TRUE(seen.insert(association.getObjectPath().toString()).second) << "pair answered twice";
        }
        // Objects of either end (every third, so that every controller and
        // kind of object is met) walk to exactly the objects the enumeration
        // pairs them with.
        std::map<std::string, std::set<std::string>> partners;
        for (const auto& association : associations) {
            const std::string first = orv::test::referenceOf(association, row.first.role).toString();
            const std::string second = orv::test::referenceOf(association, row.second.role).toString();
            partners[first].insert(second);
            partners[second].insert(first);
        }
        for (const AssociationEnd* end : {&row.first, &row.second}) {
            CIMObjectPathList objects;
            facade().enumerateInstanceNames(classPath(end->className), objects);
            for (std::size_t i = 0; i < objects.size(); i += 3) {
                const CIMObjectPath& object = objects[i];
                std::set<std::string> walked;
                for (const auto& other : associatorNames(object, row.className)) walked.insert(other.toString());
                EXPECT_EQ(walked, partners[object.toString()]) << "from " << object.toString();
            }
        }
        // The walk with the roles, the references and the fetch of each
        // link are the agreement suite's; a role the object does not play
        // is not.
        if (associations.empty()) continue;
        const CIMObjectPath first = orv::test::referenceOf(associations.back(), row.first.role);
        EXPECT_TRUE(associatorNames(first, row.className, row.second.role).empty());
    }
}

}  // namespace
}  // namespace orv::cim::fwf::associations
