// Whether the enumeration this thread serves wants only the instances of one
// system.
#pragma once

#include <string>

namespace orv::cim::fwf {

// The Name of the system (a controller, say) whose instances the enumeration
// that asked a plugin for its objects wants; empty when it wants them all.
// A plugin may then leave out the objects of other systems. The one asking
// still checks every instance it gets, so a plugin that cannot tell which
// system an object belongs to answers them all. A full enumeration or get
// made meanwhile, through the framework, sees empty.
const std::string& requestedSystem();

}  // namespace orv::cim::fwf
