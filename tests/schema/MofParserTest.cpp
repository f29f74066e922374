// Reading MOF text: every construct the schema files use, and the file and
// line of the first fault in a bad text.
#include "ClassTable.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>

#include <unistd.h>

using namespace orv::schema;

namespace {

ClassTable parse(const std::string& mof) {
    ClassTable table;
    table.addText(mof, "test.mof", LoadOptions{false});
    return table;
}

// The MofError of a text, or a failure when it reads cleanly.
MofError errorOf(const std::string& mof) {
    try {
        parse(mof);
    } catch (const MofError& e) {
        return e;
    }
    ADD_FAILURE() << "no error for:\n" << mof;
    return MofError({}, "none");
}

class TempDir {
public:
    TempDir() {
        static std::atomic<int> counter{0};
        path_ = std::filesystem::temp_directory_path() /
                ("orv_mof_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
        std::filesystem::create_directories(path_);
    }
    ~TempDir() { std::filesystem::remove_all(path_); }
    std::string write(const std::string& name, const std::string& text) const {
        const auto file = path_ / name;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file) << text;
        return file.string();
    }

private:
    std::filesystem::path path_;
};

}  // namespace

TEST(MofParser, ReadsClassesWithQualifiersPropertiesAndDefaults) {
    const ClassTable table = parse(R"MOF(
        #pragma locale ("en_US")
        Qualifier Key : boolean = false, Scope(property, reference), Flavor(DisableOverride, ToSubclass);
        Qualifier ValueMap : string[], Scope(property, method, parameter);
        // a line comment
        /* a block comment
           over two lines */
        [Abstract, Description ("Base " "class" " with \"quotes\"\x0041")]
        class Test_Base {
            [Key] string InstanceID;
            [ValueMap {"0", "2", ".."}, MaxLen (64) : ToSubclass] uint16 Codes[];
            uint8 Bytes[4];
            boolean Flag = TRUE;
            sint64 Offset = -0x1F;
            real64 Ratio = 1.5e-3;
            char16 Letter = 'a';
            datetime When = NULL;
            string Names[] = {"a", "b"};
        };
        [association, Indication]
        CLASS Test_Link : test_base {
            [Key, Override ("Other")] Test_Base REF Other;
        };
    )MOF");

    ASSERT_EQ(table.size(), 2u);
    const ClassDecl* base = table.find("TEST_BASE");
    ASSERT_NE(base, nullptr);
    EXPECT_TRUE(base->isAbstract());
    EXPECT_FALSE(base->isAssociation());
    EXPECT_EQ(base->qualifiers.find("Description")->value->text(), "Base class with \"quotes\"A");
    EXPECT_EQ(base->location.line, 8u);

    const Property* codes = base->ownProperty("codes");
    ASSERT_NE(codes, nullptr);
    EXPECT_EQ(codes->type, CimType::UInt16);
    EXPECT_TRUE(codes->isArray);
    EXPECT_FALSE(codes->arraySize.has_value());
    const Qualifier* valueMap = codes->qualifiers.find("valuemap");
    ASSERT_NE(valueMap, nullptr);
    ASSERT_TRUE(valueMap->value->isArray);
    EXPECT_EQ(valueMap->value->elements.size(), 3u);
    EXPECT_EQ(codes->qualifiers.find("MaxLen")->flavors, std::vector<std::string>{"ToSubclass"});

    EXPECT_EQ(base->ownProperty("Bytes")->arraySize, 4u);
    EXPECT_EQ(base->ownProperty("Flag")->defaultValue->text(), "true");
    EXPECT_EQ(base->ownProperty("Offset")->defaultValue->text(), "-0x1F");
    EXPECT_EQ(base->ownProperty("Ratio")->defaultValue->text(), "1.5e-3");
    EXPECT_EQ(base->ownProperty("Letter")->type, CimType::Char16);
    EXPECT_TRUE(base->ownProperty("When")->defaultValue->isNull());
    EXPECT_EQ(base->ownProperty("Names")->defaultValue->elements.size(), 2u);
    EXPECT_TRUE(base->ownProperty("InstanceID")->isKey());

    const ClassDecl* link = table.find("Test_Link");
    EXPECT_TRUE(link->isAssociation());
    EXPECT_TRUE(link->isIndication());
    EXPECT_EQ(link->superClass, "test_base");
    const Property* other = link->ownProperty("Other");
    EXPECT_TRUE(other->isReference());
    EXPECT_EQ(other->referenceClass, "Test_Base");
    EXPECT_EQ(other->overrides(), "Other");
}

TEST(MofParser, ReadsMethodsWithDirectionsAndReferenceParameters) {
    const ClassTable table = parse(R"MOF(
        class Test_Service {
            uint32 Start();
            [Override ("Stop")] sint32 Make(
                [IN] string Name,
                [IN (false), OUT] Test_Service REF Job,
                [IN, OUT] uint64 Size,
                [OUT] uint16 Codes[],
                Test_Service REF Inputs[],
                [IN, OctetString] uint8 Image[]);
        };
    )MOF");
    const ClassDecl* service = table.find("Test_Service");
    ASSERT_EQ(service->methods.size(), 2u);
    EXPECT_TRUE(service->ownMethod("start")->parameters.empty());

    const Method* make = service->ownMethod("Make");
    EXPECT_EQ(make->returnType, CimType::SInt32);
    ASSERT_EQ(make->parameters.size(), 6u);
    const Parameter* job = make->findParameter("job");
    EXPECT_TRUE(job->isReference());
    EXPECT_FALSE(job->isIn());
    EXPECT_TRUE(job->isOut());
    EXPECT_TRUE(make->findParameter("Size")->isIn());
    EXPECT_TRUE(make->findParameter("Size")->isOut());
    // IN is true unless a parameter says otherwise.
    EXPECT_TRUE(make->findParameter("Codes")->isIn());
    EXPECT_TRUE(make->findParameter("Name")->isIn());
    EXPECT_FALSE(make->findParameter("Name")->isOut());
    const Parameter* inputs = make->findParameter("Inputs");
    EXPECT_TRUE(inputs->isReference());
    EXPECT_TRUE(inputs->isArray);
    EXPECT_EQ(make->findParameter("Image")->type, CimType::UInt8);
}

TEST(MofParser, FollowsIncludesRelativeToTheIncludingFileAndNamesTheirFaults) {
    TempDir dir;
    dir.write("parts/Base.mof", "class Inc_Base { [Key] string Id; };\n");
    dir.write("parts/Derived.mof", "#pragma include (\"../parts/Base.mof\")\nclass Inc_Derived : Inc_Base { };\n");
    const std::string top = dir.write("Top.mof", "#pragma include (\"parts/Derived.mof\")\nclass Inc_Top : Inc_Derived { };\n");

    const ClassTable table = ClassTable::load(top);
    EXPECT_EQ(table.classNames(), (std::vector<std::string>{"Inc_Base", "Inc_Derived", "Inc_Top"}));
    EXPECT_NE(table.find("Inc_Base")->location.file.find("Base.mof"), std::string::npos);

    // A fault names the including line.
    const std::string missing = dir.write("Missing.mof", "\n#pragma include (\"Nowhere.mof\")\n");
    try {
        ClassTable::load(missing);
        FAIL() << "a missing include was accepted";
    } catch (const MofError& e) {
        EXPECT_EQ(e.where().line, 2u);
        EXPECT_NE(e.reason().find("Nowhere.mof"), std::string::npos);
    }
    const std::string loop = dir.write("Loop.mof", "#pragma include (\"Loop.mof\")\n");
    EXPECT_THROW(ClassTable::load(loop), MofError);
    EXPECT_THROW(ClassTable::load(dir.write("Gone.mof", "") + ".absent"), MofError);
    // A name the system refuses to look up is a fault of the MOF too.
    const std::string tooLong = dir.write("TooLong.mof", "#pragma include (\"" + std::string(300, 'h') + ".mof\")\n");
    EXPECT_THROW(ClassTable::load(tooLong), MofError);
}

TEST(MofParser, NamesTheLineOfEachSyntaxFault) {
    struct Case {
        const char* mof;
        std::size_t line;
        const char* reasonPart;
    };
    const Case cases[] = {
        {"class A {\n  string Name\n};\n", 3, "expected ';'"},
        {"class A {\n  strng Name;\n};", 2, "unknown type 'strng'"},
        {"class A {\n  [Description (\"open)] string Name;\n};", 2, "unterminated string"},
        {"\n/* never closed\nclass A {};", 2, "unterminated comment"},
        {"class A { string Name; string name; };", 1, "declared twice"},
        {"class A {};\n\nclass a {};", 3, "already declared"},
        {"instance of A { Name = \"x\"; };", 1, "instance declarations are not supported"},
        {"class A { uint32 Do() };", 1, "expected ';'"},
        {"class A { A REF Many[]; };", 1, "cannot be an array"},
        {"class A : A {};", 1, "cannot derive from itself"},
        {"#define X\n", 1, "unknown directive"},
        {"class A { string Name; }", 1, "expected ';'"},
        {"class A {\n  string Name;\n", 3, "expected '}'"},
        {"class A { [Key string Name; };", 1, "expected ']'"},
        {"class A { string Name = ; };", 1, "expected a value"},
        {"class A { string Name; };\n@", 2, "unexpected character"},
    };
    for (const Case& c : cases) {
        const MofError error = errorOf(c.mof);
        EXPECT_EQ(error.where().line, c.line) << c.mof;
        EXPECT_NE(error.reason().find(c.reasonPart), std::string::npos) << c.mof << " -> " << error.what();
        EXPECT_EQ(std::string(error.what()).rfind("test.mof:" + std::to_string(c.line) + ": ", 0), 0u)
            << error.what();
    }
}

TEST(MofParser, RefusesAnUndeclaredSuperclassUnlessToldNotTo) {
    ClassTable strict;
    try {
        strict.addText("class Child : Parent {};", "child.mof");
        FAIL() << "an unknown superclass was accepted";
    } catch (const MofError& e) {
        EXPECT_EQ(e.reason(), "superclass Parent of class Child is not declared");
    }
    EXPECT_EQ(strict.size(), 0u);

    const ClassTable lenient = parse("class Child : Parent {};");
    EXPECT_EQ(lenient.superClassOf("child"), "Parent");
    EXPECT_EQ(lenient.unresolvedNames(), std::vector<std::string>{"Child: unknown superclass Parent"});
}
