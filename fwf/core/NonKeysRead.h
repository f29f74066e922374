// Whether the enumeration this thread serves reads a non-key property.
#pragma once

#include <string_view>

namespace orv::cim::fwf {

// False while an enumeration whose caller reads only some non-key properties
// (an association pairing its ends) asks a plugin for properties, and the
// property is not one of them: the plugin may then spare the work of a value
// nobody reads. Every property is read by the requests of clients, and by a
// full enumeration or get made meanwhile through the framework.
bool nonKeyPropertyRead(std::string_view name);

}  // namespace orv::cim::fwf
