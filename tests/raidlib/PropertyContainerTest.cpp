#include "RaidLibFixture.h"

namespace raidtest {
namespace {

using namespace orv::raidlib;

TEST(PropertyContainerTest, NamesAreUniquePerListAndReadsAndUpdatesCheckTheType) {
    PropertyContainer c;
    EXPECT_EQ(0u, c.insertInt("contrId", 0, true));
    EXPECT_EQ(0x1000001Eu, c.insertInt("contrId", 7, true));
    EXPECT_EQ(0u, c.insertInt("contrId", 9, false));  // same name, other list
    EXPECT_EQ(1u, c.keyProperties().size());
    EXPECT_EQ(0u, intOf(c, "contrId", true));
    EXPECT_EQ(9u, intOf(c, "contrId", false));

    std::string text = "unchanged";
    EXPECT_EQ(0x10000024u, c.getPropertyValue(text, "contrId", true));
    EXPECT_EQ("unchanged", text);
    EXPECT_EQ(0x1000001Cu, c.getPropertyValue(text, "volumeName", false));

    // A property whose code does not fit its value type is never read.
    c.insertProperty(std::make_unique<IntProperty>("odd", VRLCSTRING, 3), false);
    EXPECT_EQ(0x10000024u, c.getPropertyValue(text, "odd", false));
    VrlInt number = 0;
    EXPECT_EQ(0x10000024u, c.getPropertyValue(number, "odd", false));

    EXPECT_EQ(0u, c.removeProperty("contrId", true));
    EXPECT_EQ(0x10000011u, c.removeProperty("contrId", true));
    EXPECT_EQ(9u, intOf(c, "contrId", false));

    // Updates overwrite a property of the same type only, and insert when asked.
    c.insertInt("state", 1, false);
    c.updateProperty(StringProperty("state", VRLCSTRING, "bad"), false, true);
    EXPECT_EQ(1u, intOf(c, "state"));
    c.updateProperty(IntProperty("state", VRLCINT, 2), false, true);
    EXPECT_EQ(2u, intOf(c, "state"));
    c.updateProperty(IntProperty("missing", VRLCINT, 4), false, false);
    EXPECT_FALSE(has(c, "missing"));
    c.updateProperty(IntProperty("missing", VRLCINT, 4), false, true);
    EXPECT_EQ(4u, intOf(c, "missing"));

    // CopyProperty keeps the first of two same-named properties.
    EXPECT_EQ(0u, c.CopyProperty(IntProperty("missing", VRLCINT, 5), false));
    EXPECT_EQ(4u, intOf(c, "missing"));
}

TEST(PropertyContainerTest, MatchKeysComparesOnlyPartneredKeys) {
    const PropertyContainer volume = keysOf(0, "vdIndex", 3);

    EXPECT_EQ(0u, matchKeys(volume, keysOf(0)));  // vdIndex has no partner

    EXPECT_EQ(0u, matchKeys(volume, keysOf(0, "vdIndex", 3)));
    EXPECT_EQ(0x10000011u, matchKeys(volume, keysOf(0, "vdIndex", 4)));

    PropertyContainer textIndex = keysOf(0);
    textIndex.insertString("vdIndex", "3", true);
    PropertyContainer byIndex;
    byIndex.insertInt("vdIndex", 3, true);
    EXPECT_EQ(0x10000011u, matchKeys(textIndex, byIndex));  // types differ, nothing compared

    EXPECT_EQ(0x10000011u, matchKeys(volume, PropertyContainer()));
    PropertyContainer unrelated;
    unrelated.insertInt("jobId", 0, true);
    EXPECT_EQ(0x10000011u, matchKeys(volume, unrelated));

    auto members = [](VrlVector disks) {
        PropertyContainer c;
        c.insertVector("compPdId", disks, true);
        return c;
    };
    EXPECT_EQ(0u, matchKeys(members({1, 2}), members({1, 2})));
    EXPECT_EQ(0x10000011u, matchKeys(members({1, 2}), members({1, 2, 3})));

    PropertyContainer badType;
    badType.insertProperty(std::make_unique<IntProperty>("contrId", 9, 0), true);
    EXPECT_EQ(0x10000011u, matchKeys(volume, badType));
}

}  // namespace
}  // namespace raidtest
