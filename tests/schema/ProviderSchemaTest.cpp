// The provider's schema as the servers get it: every class the provider
// serves is declared, derives from the CIM base, keeps the inheritance rules
// of CIM, and the registration files still match it.
#include "ClassTable.h"
#include "ProviderPluginCatalogue.h"
#include "SchemaGenerators.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>

using namespace orv::schema;

namespace {

// The classes the provider registers plugins for; planned rows wait for
// their class and are left out.
std::vector<std::string> servedClasses(const std::vector<orv::cim::fwf::PluginRegistration>& rows) {
    std::vector<std::string> names;
    for (const auto& row : rows)
        if (!row.isPlanned()) names.push_back(row.className);
    return names;
}

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

const ClassTable& providerSchema() {
    static const ClassTable table = loadProviderSchema(ORV_SCHEMA_DIR);
    return table;
}

std::vector<const ClassDecl*> providerClasses() {
    std::vector<const ClassDecl*> classes;
    for (const auto& name : providerSchema().classNames())
        if (name.rfind("ORV_", 0) == 0) classes.push_back(providerSchema().find(name));
    return classes;
}

}  // namespace

// A plugin whose class is not declared would answer instances no server can
// describe; an association needs its two references as keys.
TEST(ProviderSchema, DeclaresEveryPluginClassWithItsKeys) {
    const ClassTable& table = providerSchema();
    EXPECT_TRUE(table.unresolvedNames().empty()) << ::testing::PrintToString(table.unresolvedNames());
    EXPECT_EQ(providerClasses().size(), 135u);
    const auto& catalogue = orv::cim::fwf::providerPluginCatalogue();
    for (const auto* rows : {&catalogue.everyMode, &catalogue.fullModeOnly}) {
        for (const auto& className : servedClasses(*rows)) {
            const ClassDecl* decl = table.find(className);
            ASSERT_NE(decl, nullptr) << className;
            const auto keys = table.keyProperties(decl->name);
            if (!decl->isAssociation()) {
                EXPECT_FALSE(keys.empty()) << className << " has no key";
                continue;
            }
            ASSERT_EQ(keys.size(), 2u) << className;
            EXPECT_TRUE(keys[0]->isReference() && keys[1]->isReference()) << className;
        }
    }
    EXPECT_EQ(table.find("ORV_CompositedExtentBasedOn"), nullptr);
}

// The controller's link to its fixed settings has no CIM association to
// derive from and stands on its own (docs/schema.md).
const char* const kStandsAlone = "ORV_ControllerElementCapabilities";

TEST(ProviderSchema, EveryLineageEndsInTheCimBase) {
    const ClassTable& table = providerSchema();
    for (const ClassDecl* decl : providerClasses()) {
        if (decl->name == kStandsAlone) {
            EXPECT_TRUE(decl->superClass.empty() && decl->isAssociation());
            continue;
        }
        ASSERT_FALSE(decl->superClass.empty()) << decl->name;
        EXPECT_EQ(decl->superClass.rfind("CIM_", 0), 0u) << decl->name << " derives from " << decl->superClass;
        const ClassDecl* root = table.lineage(decl->name).back();
        EXPECT_TRUE(root->superClass.empty()) << decl->name;
        EXPECT_NE(root->location.file.find("CIM_Base.mof"), std::string::npos) << decl->name;
    }
}

// A subclass may narrow what a reference points at, never widen it, and may
// only override members that an ancestor declares, keeping their type.
TEST(ProviderSchema, OverridesKeepTheInheritanceRules) {
    const ClassTable& table = providerSchema();
    for (const ClassDecl* decl : providerClasses()) {
        for (const Property& p : decl->properties) {
            const auto overridden = p.overrides();
            const Property* inherited = table.findProperty(decl->superClass, p.name);
            if (!overridden) {
                EXPECT_EQ(inherited, nullptr) << decl->name << "." << p.name << " hides an inherited property";
                continue;
            }
            ASSERT_NE(inherited, nullptr) << decl->name << "." << p.name << " overrides nothing";
            EXPECT_EQ(lower(*overridden), lower(p.name)) << decl->name;
            EXPECT_EQ(p.type, inherited->type) << decl->name << "." << p.name;
            EXPECT_EQ(p.isArray, inherited->isArray) << decl->name << "." << p.name;
            if (p.isReference()) {
                EXPECT_TRUE(table.isA(p.referenceClass, inherited->referenceClass))
                    << decl->name << "." << p.name << " widens " << inherited->referenceClass;
            }
        }
        for (const Method& m : decl->methods) {
            const Method* inherited = table.findMethod(decl->superClass, m.name);
            EXPECT_EQ(m.qualifiers.has("Override"), inherited != nullptr) << decl->name << "." << m.name;
            if (inherited == nullptr) continue;
            EXPECT_EQ(m.returnType, inherited->returnType) << decl->name << "." << m.name;
            for (const Parameter& base : inherited->parameters) {
                const Parameter* own = m.findParameter(base.name);
                ASSERT_NE(own, nullptr) << decl->name << "." << m.name << " drops " << base.name;
                EXPECT_EQ(own->type, base.type) << decl->name << "." << m.name << "." << base.name;
                EXPECT_EQ(own->isArray, base.isArray) << decl->name << "." << m.name << "." << base.name;
                EXPECT_EQ(own->isIn(), base.isIn()) << decl->name << "." << m.name << "." << base.name;
                EXPECT_EQ(own->isOut(), base.isOut()) << decl->name << "." << m.name << "." << base.name;
            }
        }
    }
}

TEST(ProviderSchema, RegistrationCoversEachClassInItsNamespaces) {
    const auto registrations = providerRegistrations(providerSchema());
    std::set<std::string> interop;
    for (const auto& className : servedClasses(orv::cim::fwf::providerPluginCatalogue().everyMode))
        interop.insert(lower(className));
    std::set<std::string> seen;
    for (const Registration& r : registrations) {
        seen.insert(lower(r.className));
        const ClassDecl* decl = providerSchema().find(r.className);
        ASSERT_NE(decl, nullptr) << r.className;
        if (r.indication) {
            EXPECT_TRUE(providerSchema().isA(r.className, "CIM_Indication")) << r.className;
            EXPECT_FALSE(r.instance || r.association || r.method) << r.className;
            continue;
        }
        EXPECT_TRUE(r.instance) << r.className;
        EXPECT_EQ(r.association, decl->isAssociation()) << r.className;
        EXPECT_EQ(r.method, !decl->methods.empty()) << r.className;
        std::vector<std::string> expected{kStorageNamespace};
        if (interop.count(lower(r.className)) != 0) expected.push_back(kInteropNamespace);
        EXPECT_EQ(r.namespaces, expected) << r.className;
    }
    EXPECT_EQ(seen.size(), 135u + deliveredIndicationClasses().size());
}

TEST(ProviderSchema, CommittedRegistrationFilesMatchTheSchema) {
    const std::string source = ORV_SCHEMA_SOURCE_DIR;
    const ClassTable table = loadProviderSchema(source);
    const auto registrations = providerRegistrations(table);
    EXPECT_EQ(readFile(source + "/registration/AmbrixProvider15.pegasus.mof"), pegasusRegistration(registrations))
        << "regenerate with: orv_schema_gen pegasus schema > schema/registration/AmbrixProvider15.pegasus.mof";
    EXPECT_EQ(readFile(source + "/registration/AmbrixProvider15.sfcb.reg"), sfcbRegistration(registrations))
        << "regenerate with: orv_schema_gen sfcb schema > schema/registration/AmbrixProvider15.sfcb.reg";
}
