// MOF text into the class table, then everything that reads the table: the
// inheritance walks, the key and member lookups, the registration texts and
// the server's schema. A bad file must end in a MofError naming where; a
// table that was read, however odd (superclass cycles when unknown
// superclasses are allowed, references to nowhere), must answer every query.
#include "ClassTable.h"
#include "SchemaFromMof.h"
#include "SchemaGenerators.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using namespace orv::schema;

namespace {

void queryEveryClass(const ClassTable& table) {
    for (const std::string& name : table.classNames()) {
        table.lineage(name);
        table.derivedClasses(name);
        table.keyProperties(name);
        for (const Property* property : table.allProperties(name)) {
            table.findProperty(name, property->name);
            table.isKeyProperty(name, property->name);
        }
        for (const Method* method : table.allMethods(name)) table.findMethod(name, method->name);
        if (const auto super = table.superClassOf(name)) table.isA(name, *super);
    }
    table.rootClasses();
    table.unresolvedNames();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    // The first byte says whether a superclass must be declared first; the
    // server reads whole schemas, the generator single files.
    LoadOptions options;
    options.requireKnownSuperclass = (data[0] & 1) != 0;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

    ClassTable table;
    try {
        table.addText(text, "fuzz.mof", options);
    } catch (const MofError&) {
        // What was read before the fault stays in the table and is queried.
    }
    queryEveryClass(table);
    const std::vector<Registration> registrations = providerRegistrations(table);
    pegasusRegistration(registrations);
    sfcbRegistration(registrations);
    orv::cimxml::toServerSchema(table, registrations);
    return 0;
}
