// Whether a request's keys name exactly one given instance. The plugins
// choose their library object from part of one key; the request names that
// object's instance only when every key agrees.
#pragma once

#include "CIMObjectPath.h"

namespace orv::cim::fwf {

// True when the request carries the instance's keys, no more and no fewer,
// with equal values. Key names compare without regard to case, as CIM names
// do. String values compare exactly, except those of the keys that hold
// class names (CreationClassName, SystemCreationClassName...), which compare
// without case like the names they hold. Integers compare by value whatever
// their width, and a decimal text equals the number it spells, since servers
// differ in how they hand numeric keys over. References compare the class
// and keys of the objects they name; host and namespace only when both carry
// one. A key without a value names nothing.
bool keysNameInstance(const CIMObjectPath& request, const CIMObjectPath& instance);

}  // namespace orv::cim::fwf
