// The provider's classes against the DMTF CIM schema that real servers
// compile them with: the parents exist there, and our compact CIM base is
// still what the generator makes from it. The base carries the full
// signatures of every ancestor, so the provider schema's own inheritance
// checks hold what we declare against DMTF's members.
// Runs when the DMTF schema lies beside the source tree.
#include "ClassTable.h"
#include "SchemaGenerators.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace orv::schema;

namespace {

const std::string kDmtfSchemaFile = std::string(ORV_DMTF_SCHEMA_DIR) + "/CIM_Schema.mof";

class DmtfConformance : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!std::filesystem::exists(kDmtfSchemaFile)) return;
        dmtf_ = new ClassTable(ClassTable::load(kDmtfSchemaFile));
        combined_ = new ClassTable(ClassTable::load(kDmtfSchemaFile));
        combined_->addFile(std::string(ORV_SCHEMA_DIR) + "/" + kProviderSchemaFile);
    }
    static void TearDownTestSuite() {
        delete dmtf_;
        delete combined_;
        dmtf_ = combined_ = nullptr;
    }
    void SetUp() override {
        if (dmtf_ == nullptr) GTEST_SKIP() << "DMTF CIM schema not found at " << kDmtfSchemaFile;
    }

    static std::vector<const ClassDecl*> providerClasses() {
        std::vector<const ClassDecl*> classes;
        for (const auto& name : combined_->classNames())
            if (name.rfind("ORV_", 0) == 0) classes.push_back(combined_->find(name));
        return classes;
    }

    static ClassTable* dmtf_;
    static ClassTable* combined_;
};

ClassTable* DmtfConformance::dmtf_ = nullptr;
ClassTable* DmtfConformance::combined_ = nullptr;

}  // namespace

TEST_F(DmtfConformance, ProviderClassesCompileOnTopOfTheDmtfSchema) {
    EXPECT_TRUE(combined_->unresolvedNames().empty()) << ::testing::PrintToString(combined_->unresolvedNames());
    for (const ClassDecl* decl : providerClasses()) {
        if (decl->name == "ORV_ControllerElementCapabilities") continue;  // a root of our own (docs/schema.md)
        EXPECT_NE(dmtf_->find(decl->superClass), nullptr) << decl->name << " : " << decl->superClass;
    }
}

TEST_F(DmtfConformance, CommittedCimBaseIsWhatTheGeneratorMakes) {
    std::ifstream in(std::string(ORV_SCHEMA_SOURCE_DIR) + "/" + kCimBaseFile, std::ios::binary);
    std::ostringstream committed;
    committed << in.rdbuf();
    EXPECT_EQ(committed.str(), cimBaseMof(*combined_, "2.41.0"))
        << "regenerate with: orv_schema_gen base <CIM_Schema.mof> schema > schema/cim/CIM_Base.mof";
}
