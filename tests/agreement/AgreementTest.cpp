// The built provider, loaded by path as a CIM server loads it, over the
// simulated RAID library with its default topology, held against our class
// schema: every class registered for the provider, in every namespace it is
// registered in, must enumerate, fetch what it enumerates, and answer with
// the properties, types and keys the schema declares. The cases follow the
// registrations, so a class is covered as soon as it is registered.
#include <iostream>
#include <optional>
#include <set>

#include "LoadedProvider.h"
#include "SchemaAgreement.h"

namespace agreementtest {
namespace {

using namespace providertest;

// The referenced-profile links name a few profiles that the profile tables do
// not hold; those references are answered as they stand.
const std::pair<const char*, const char*> kProfilesNamedButNotServed[] = {
    {"ORV_RegisteredProfile", "SNIA+Block Services+1.4.0"},
    {"ORV_RegisteredProfile", "DMTF+PhysicalAsset+1.0.0"},
    {"ORV_RegisteredSubProfile", "SNIA+Software+1.3.0"},
    {"ORV_RegisteredSubProfile", "SNIA+Location+1.4.0"},
};

bool namedButNotServed(const ObjectPath& path) {
    for (const auto& [className, instanceId] : kProfilesNamedButNotServed)
        if (canonicalPath(path) ==
            canonicalPath(ObjectPath{"", "", className, {{"InstanceID", Value::string(instanceId)}}}))
            return true;
    return false;
}

// The broker knows the schema's class hierarchy: the provider asks it when
// filtering association results by class.
const auto* const environment = ::testing::AddGlobalTestEnvironment(new ProviderEnvironment(
    orv::test::TestInstallation::readFile(ORV_DEFAULT_TOPOLOGY), [](Broker& broker) {
        const auto& table = providerSchema();
        for (const std::string& name : table.classNames())
            broker.classHierarchy().addClass(name, table.superClassOf(name).value_or(""));
    }));

// The four traversals of one association from one endpoint in one role.
struct Traversals {
    Reply references, referenceNames, associators, associatorNames;
};

Traversals traverse(const std::string& nameSpace, const ObjectPath& endpoint, const std::string& association,
                    const std::string& role, const std::string& resultRole) {
    CMPIAssociationMI* mi = provider->associationMI;
    const char* assoc = association.c_str();
    Traversals t;
    t.references = request(nameSpace, [&](RequestScope& s) {
        return mi->ft->references(mi, s.context(), s.result(), pathIn(nameSpace, endpoint), assoc, role.c_str(),
                                  nullptr);
    });
    t.referenceNames = request(nameSpace, [&](RequestScope& s) {
        return mi->ft->referenceNames(mi, s.context(), s.result(), pathIn(nameSpace, endpoint), assoc, role.c_str());
    });
    t.associators = request(nameSpace, [&](RequestScope& s) {
        return mi->ft->associators(mi, s.context(), s.result(), pathIn(nameSpace, endpoint), assoc, nullptr,
                                   role.c_str(), resultRole.c_str(), nullptr);
    });
    t.associatorNames = request(nameSpace, [&](RequestScope& s) {
        return mi->ft->associatorNames(mi, s.context(), s.result(), pathIn(nameSpace, endpoint), assoc, nullptr,
                                       role.c_str(), resultRole.c_str());
    });
    return t;
}

std::set<std::string> canonicalPaths(const std::vector<ObjectPath>& paths) {
    std::set<std::string> out;
    for (const auto& path : paths) out.insert(canonicalPath(path));
    return out;
}

std::set<std::string> canonicalPaths(const std::vector<Instance>& instances) {
    std::set<std::string> out;
    for (const auto& instance : instances) out.insert(canonicalPath(instance.path));
    return out;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) text += "\n  " + line;
    return text;
}

// ---- Every registered class ------------------------------------------------------------

class ClassAgreement : public ::testing::TestWithParam<ServedClass> {
protected:
    const std::string& nameSpace() const { return GetParam().nameSpace; }
    const std::string& className() const { return GetParam().className; }
};

// Both enumerations name the same instances, each fetches back, and each
// carries the properties, types and keys the schema declares.
TEST_P(ClassAgreement, EnumeratesFetchesAndAgreesWithTheSchema) {
    const Reply names = enumerateNames(nameSpace(), className());
    ASSERT_EQ(names.rc, CMPI_RC_OK) << "EnumerateInstanceNames: " << names;
    const Reply instances = enumerate(nameSpace(), className());
    ASSERT_EQ(instances.rc, CMPI_RC_OK) << "EnumerateInstances: " << instances;
    EXPECT_EQ(canonicalPaths(names.result.objectPaths), canonicalPaths(instances.result.instances))
        << "the names and the instances of the two enumerations differ";
    EXPECT_EQ(names.result.objectPaths.size(), canonicalPaths(names.result.objectPaths).size())
        << "an instance was named twice";

    for (const auto& name : names.result.objectPaths) {
        SCOPED_TRACE("GetInstance " + name.toString());
        EXPECT_EQ(name.nameSpace, nameSpace()) << "names belong to the request's namespace";
        EXPECT_TRUE(providerSchema().isA(name.className, className()))
            << name.className << " is not " << className() << " or a subclass of it";
        const Reply fetched = getInstance(nameSpace(), name);
        ASSERT_EQ(fetched.rc, CMPI_RC_OK) << fetched;
        ASSERT_EQ(fetched.result.instances.size(), 1u);
        EXPECT_EQ(canonicalPath(fetched.result.instances[0].path), canonicalPath(name));
    }

    std::vector<std::string> problems;
    for (const auto& instance : instances.result.instances) {
        // The instance's own class decides what it may carry.
        const std::string& ownClass = instance.path.className;
        for (auto& line : propertyDisagreements(ownClass, instance)) problems.push_back(std::move(line));
        for (auto& line : keyDisagreements(ownClass, instance.path)) problems.push_back(std::move(line));
        for (const auto& key : instance.path.keys) {
            const Value* property = instance.property(key.name);
            if (property != nullptr && !sameValue(*property, key.value))
                problems.push_back(ownClass + "." + key.name + ": the path's key " + key.value.toString() +
                                   " differs from the property " + property->toString());
        }
    }
    // One line per disagreement kind is enough to act on.
    std::set<std::string> distinct(problems.begin(), problems.end());
    EXPECT_TRUE(distinct.empty()) << "provider and schema disagree:" << joined({distinct.begin(), distinct.end()});
}

INSTANTIATE_TEST_SUITE_P(Registered, ClassAgreement, ::testing::ValuesIn(servedClasses()),
                         [](const ::testing::TestParamInfo<ServedClass>& info) { return testNameOf(info.param); });

// ---- Associations ----------------------------------------------------------------------

class AssociationAgreement : public ClassAgreement {
protected:
    // The first instance, in this namespace, of a registered class that may
    // stand at the end of the given reference; none when nothing is there.
    std::optional<ObjectPath> someEndpoint(const std::string& referenceClass) const {
        for (const auto& served : servedClasses()) {
            if (served.nameSpace != nameSpace() || served.association ||
                !providerSchema().isA(served.className, referenceClass))
                continue;
            const Reply names = enumerateNames(nameSpace(), served.className);
            if (names.rc == CMPI_RC_OK && !names.result.objectPaths.empty()) return names.result.objectPaths[0];
        }
        return std::nullopt;
    }
};

TEST_P(AssociationAgreement, EveryReferenceNamesAnInstanceTheProviderServes) {
    const Reply links = enumerate(nameSpace(), className());
    ASSERT_EQ(links.rc, CMPI_RC_OK) << links;
    for (const auto& link : links.result.instances) {
        for (const auto* reference : referencesOf(link.path.className)) {
            const Value* target = link.property(reference->name);
            if (target == nullptr) target = link.path.key(reference->name);
            ASSERT_NE(target, nullptr) << link.path.toString() << " has no " << reference->name;
            ASSERT_EQ(target->elementType(), CMPI_ref) << link.path.toString() << "." << reference->name;
            const ObjectPath& end = target->asReference();
            if (namedButNotServed(end)) continue;
            // A reference may lead into the other namespace.
            const std::string endNameSpace = end.nameSpace.empty() ? nameSpace() : end.nameSpace;
            const Reply fetched = getInstance(endNameSpace, end);
            EXPECT_TRUE(fetched.rc == CMPI_RC_OK && fetched.result.instances.size() == 1u)
                << link.path.toString() << "." << reference->name << " names " << end.toString()
                << ", which GetInstance in " << endNameSpace << " answers with " << fetched << " and "
                << fetched.result.instances.size() << " instances";
        }
    }
}

TEST_P(AssociationAgreement, TraversalsFromAnEndpointFindItsLinks) {
    const auto references = referencesOf(className());
    ASSERT_GE(references.size(), 2u) << className() << " declares fewer than two references";
    const Reply links = enumerate(nameSpace(), className());
    ASSERT_EQ(links.rc, CMPI_RC_OK) << links;
    const std::string role = references[0]->name;
    const std::string resultRole = references[1]->name;

    if (links.result.instances.empty()) {
        // Nothing links anything, so the traversals through it answer empty.
        const auto endpoint = someEndpoint(references[0]->referenceClass);
        if (!endpoint) GTEST_SKIP() << "no instance of " << references[0]->referenceClass << " to start from";
        const Traversals t = traverse(nameSpace(), *endpoint, className(), role, resultRole);
        for (const Reply* reply : {&t.references, &t.referenceNames, &t.associators, &t.associatorNames}) {
            EXPECT_EQ(reply->rc, CMPI_RC_OK) << *reply;
            EXPECT_TRUE(reply->result.instances.empty() && reply->result.objectPaths.empty());
        }
        return;
    }

    const Instance& link = links.result.instances.front();
    const Value* near = link.property(role);
    const Value* far = link.property(resultRole);
    ASSERT_TRUE(near != nullptr && far != nullptr) << link.path.toString();
    const ObjectPath& endpoint = near->asReference();
    const std::string other = canonicalPath(far->asReference());
    // A client asks in the namespace its object lives in; the links of
    // classes served in both namespaces cross between them.
    const std::string askIn = endpoint.nameSpace.empty() ? nameSpace() : endpoint.nameSpace;
    SCOPED_TRACE("from " + endpoint.toString() + " as " + role);
    const Traversals t = traverse(askIn, endpoint, className(), role, resultRole);

    ASSERT_EQ(t.references.rc, CMPI_RC_OK) << "References: " << t.references;
    EXPECT_EQ(canonicalPaths(t.references.result.instances).count(canonicalPath(link.path)), 1u)
        << "References misses " << link.path.toString();
    ASSERT_EQ(t.referenceNames.rc, CMPI_RC_OK) << "ReferenceNames: " << t.referenceNames;
    EXPECT_EQ(canonicalPaths(t.referenceNames.result.objectPaths), canonicalPaths(t.references.result.instances));
    ASSERT_EQ(t.associators.rc, CMPI_RC_OK) << "Associators: " << t.associators;
    EXPECT_EQ(canonicalPaths(t.associators.result.instances).count(other), 1u) << "Associators misses " << other;
    ASSERT_EQ(t.associatorNames.rc, CMPI_RC_OK) << "AssociatorNames: " << t.associatorNames;
    EXPECT_EQ(canonicalPaths(t.associatorNames.result.objectPaths), canonicalPaths(t.associators.result.instances));
}

INSTANTIATE_TEST_SUITE_P(Registered, AssociationAgreement, ::testing::ValuesIn(servedAssociations()),
                         [](const ::testing::TestParamInfo<ServedClass>& info) { return testNameOf(info.param); });

// ---- Value maps ----------------------------------------------------------------------

// A client reads a number through its class's ValueMap: a value outside it
// means nothing, or something else, to every client.
TEST(ValueMaps, EveryValueSentIsInItsPropertysMap) {
    const auto* schema = dmtfAndProviderSchema();
    if (schema == nullptr) GTEST_SKIP() << "the DMTF schema is not beside the source tree";
    std::set<std::string> mapped, problems;
    for (const auto& served : servedClasses()) {
        const Reply instances = enumerate(served.nameSpace, served.className);
        ASSERT_EQ(instances.rc, CMPI_RC_OK) << served.nameSpace << ":" << served.className << " " << instances;
        for (const auto& instance : instances.result.instances) {
            const ValueMapCheck check = checkValueMaps(*schema, instance.path.className, instance);
            mapped.insert(check.mappedProperties.begin(), check.mappedProperties.end());
            problems.insert(check.problems.begin(), check.problems.end());
        }
    }
    EXPECT_TRUE(problems.empty()) << "values outside their maps:" << joined({problems.begin(), problems.end()});
    std::cout << "Value-mapped properties checked (" << mapped.size() << "):" << joined({mapped.begin(), mapped.end()})
              << std::endl;
}

}  // namespace
}  // namespace agreementtest
