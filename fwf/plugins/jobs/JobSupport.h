// What the job plugins share: the job records a request names, and the
// elements a job relates to (the service whose method it stands for, the
// volume it works on).
#pragma once

#include <optional>

#include "AbstractInstanceProviderPlugin.h"
#include "CIMObjectPath.h"
#include "JobRecords.h"

namespace orv::cim::fwf::jobs {

// Every job record, running jobs first, then finished ones; a finished copy
// of a job that is also listed as running (caught while it moves) is left
// out, so no InstanceID appears twice.
RepositoryObjects readJobRecords(const char* qualifiedName);
// The records a request names: all of them for a path without keys, else
// the one job its InstanceID names (running first, then finished), or none.
RepositoryObjects selectJobRecords(const CIMObjectPath& path, const char* qualifiedName);

// The configuration service whose method the job answers for, in the
// request's host and the storage namespace; none for a command no method
// starts.
std::optional<CIMObjectPath> owningElementPath(const orv::raidlib::PropertyContainer& record,
                                               const CIMObjectPath& request);
// The storage volume the job works on: the virtual disk it names, or the one
// the disk it rebuilds belongs to. None when there is no such volume (a
// spare, a controller-wide command, an array still reserved).
std::optional<CIMObjectPath> affectedElementPath(const orv::raidlib::PropertyContainer& record,
                                                 const CIMObjectPath& request);

}  // namespace orv::cim::fwf::jobs
