// Whether the request this thread serves lists only instance names.
#pragma once

namespace orv::cim::fwf {

// True while an enumeration of names asks a plugin for its objects: the
// plugin may then leave out values that only non-key properties need. A
// full enumeration or get made meanwhile, through the framework, sees false.
bool onlyNamesWanted();

}  // namespace orv::cim::fwf
