// Small plugins over global tables, for driving the framework from tests: an
// instance class of "widgets" keyed by Id, and associations between two such
// classes.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "AbstractAssociationProviderPlugin.h"
#include "AbstractInstanceProviderPlugin.h"
#include "CIMException.h"
#include "PropertyBuilders.h"

namespace orv::test {

using namespace orv::cim::fwf;

template <typename Plugin, typename... Args>
std::unique_ptr<AbstractProviderPlugin> makePluginOf(const Args&... args) {
    return std::make_unique<Plugin>(args...);
}

struct Widget {
    std::string id;
    uint32_t size;
};

// An instance plugin over a table of widgets: key "Id" (text), non-key
// "Size" and "Label". Ids listed in vanished are still enumerated but no
// longer found by a get.
class WidgetPlugin : public AbstractInstanceProviderPlugin {
public:
    explicit WidgetPlugin(const std::vector<Widget>& table, const std::vector<std::string>* vanished = nullptr,
                          const CIMException* failure = nullptr)
        : table_(table), vanished_(vanished), failure_(failure) {}
    ~WidgetPlugin() override { destroyed().push_back(this); }

    void getRepositoryObjects(const CIMObjectPath& path, RepositoryObjects& out) override {
        if (failure_ != nullptr) throw *failure_;
        for (const auto& widget : table_) {
            if (!path.getKeyBindings().empty() && vanished_ != nullptr && isVanished(widget.id)) continue;
            orv::raidlib::PropertyContainer object;
            object.insertString("Id", widget.id, true);
            object.insertInt("Size", widget.size);
            out.push_back(std::move(object));
        }
        keepRequested(path, out);
    }
    void getKeyAttributes(const orv::raidlib::PropertyContainer& object, KeyBindingList& out) override {
        copyStringKeys(object, out);
    }
    void getNonKeyAttributes(const orv::raidlib::PropertyContainer& object, PropertyList& out) override {
        uint32_t size = 0;
        object.getPropertyValue(size, "Size", false);
        out.push_back(scalarProperty<uint32_t>("Size", size, CIM_UINT32));
        out.push_back(stringProperty("Label", "widget"));
    }

    // Plugins destroyed so far, in order.
    static std::vector<const void*>& destroyed() {
        static std::vector<const void*> order;
        return order;
    }

private:
    bool isVanished(const std::string& id) const {
        for (const auto& gone : *vanished_) {
            if (gone == id) return true;
        }
        return false;
    }
    const std::vector<Widget>& table_;
    const std::vector<std::string>* vanished_;
    const CIMException* failure_;
};

// Relates widgets of two classes whose Id fields name the same number: field
// 2 of the first end's Id and field 1 of the second end's.
class NumberedPairs : public AbstractAssociationProviderPlugin {
public:
    NumberedPairs(AssociationEnd first, AssociationEnd second)
        : AbstractAssociationProviderPlugin(std::move(first), std::move(second)) {}
    bool MatchInstances(const CIMInstance& first, const CIMInstance& second) override {
        return sameKeyNumber(first, {"Id", 2}, second, {"Id", 1});
    }
};

// Relates every widget of one class with itself only.
class SelfPairs : public AbstractAssociationProviderPlugin {
public:
    explicit SelfPairs(const std::string& className)
        : AbstractAssociationProviderPlugin({className, "Original"}, {className, "Copy"}) {}
    bool MatchInstances(const CIMInstance& first, const CIMInstance& second) override {
        return sameText(first, "Id", second, "Id");
    }
};

}  // namespace orv::test
