// Requests of the control socket. A request is a JSON array of words, the
// command name first (["pull-disk", "0", "3"]); the answer is a JSON object,
// {"ok": true, "output": "..."} or {"ok": false, "error": "..."}. Commands
// that raise events answer once the events have been handed to the
// registered callback, so a client that asks the provider next sees the
// change.
#pragma once

#include <string>

namespace orv::vrlsim {

std::string handleControlRequest(const std::string& request);

}  // namespace orv::vrlsim
