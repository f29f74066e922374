#include "SimControlCommands.h"

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <vector>

#include <nlohmann/json.hpp>

#include "VrlRecords.h"
#include "VrlSimControl.h"

namespace orv::vrlsim {
namespace {

using Words = std::vector<std::string>;

// How long a command waits for its events to reach the callback.
constexpr uint32_t kDeliveryWaitMs = 10000;
constexpr uint32_t kDefaultFailureStatus = VrlStatus::ControllerError;

// A request that cannot be carried out; its text is the answer's error.
struct Refused {
  std::string reason;
};

std::string lastError() {
  char text[512];
  VrlSimLastError(text, sizeof text);
  return text;
}

void check(int result) {
  if (result != 0) throw Refused{lastError()};
}

uint32_t number(const std::string& word, const char* what) {
  char* end = nullptr;
  const unsigned long long value = std::strtoull(word.c_str(), &end, 0);
  if (word.empty() || word[0] == '-' || *end != '\0' || value > 0xFFFFFFFFull)
    throw Refused{std::string(what) + ": expected a number, got \"" + word + "\""};
  return static_cast<uint32_t>(value);
}

const std::map<std::string, uint32_t>& opcodeNames() {
  namespace Op = VrlOpcode;
  static const std::map<std::string, uint32_t> names = {
      {"INITIALIZE", Op::INITIALIZE}, {"SHUTDOWN", Op::SHUTDOWN}, {"GET_VERSION", Op::GET_VERSION},
      {"GET_DRIVER_VERSION", Op::GET_DRIVER_VERSION}, {"GET_CONTR_LIST", Op::GET_CONTR_LIST},
      {"GET_CONTR_PROPS", Op::GET_CONTR_PROPS}, {"SET_CONTR_PROPS", Op::SET_CONTR_PROPS},
      {"DOWNLOAD_CONTR_FW", Op::DOWNLOAD_CONTR_FW}, {"CLEAR_CONTR_CONFIG", Op::CLEAR_CONTR_CONFIG},
      {"GET_VD_LIST", Op::GET_VD_LIST}, {"GET_VD_PROPS", Op::GET_VD_PROPS},
      {"GET_ALL_VD_PROPS", Op::GET_ALL_VD_PROPS}, {"SET_VD_PROPS", Op::SET_VD_PROPS},
      {"CREATE_VOLUME", Op::CREATE_VOLUME}, {"DELETE_VOLUME", Op::DELETE_VOLUME},
      {"RESYNC_VOLUME", Op::RESYNC_VOLUME}, {"REBUILD_VOLUME", Op::REBUILD_VOLUME},
      {"FAST_INIT_VOLUME", Op::FAST_INIT_VOLUME}, {"ACTIVATE_VOLUME", Op::ACTIVATE_VOLUME},
      {"GET_PD_PROPS", Op::GET_PD_PROPS}, {"GET_ALL_PD_PROPS", Op::GET_ALL_PD_PROPS},
      {"CREATE_HOT_SPARE", Op::CREATE_HOT_SPARE}, {"DELETE_HOT_SPARE", Op::DELETE_HOT_SPARE},
      {"LOCATE_DEVICE", Op::LOCATE_DEVICE}, {"CLEAR_META_DATA", Op::CLEAR_META_DATA},
      {"GET_ALL_ENCLR_PROPS", Op::GET_ALL_ENCLR_PROPS}, {"GET_BATT_PROPS", Op::GET_BATT_PROPS},
      {"GET_ALL_LRC_STATUS", Op::GET_ALL_LRC_STATUS}, {"REGISTER_AEN", Op::REGISTER_AEN},
      {"UNREGISTER_AEN", Op::UNREGISTER_AEN}, {"GET_FW_ERROR_DTLS", Op::GET_FW_ERROR_DTLS},
      {"GET_DEVICE_FLAGS", Op::GET_DEVICE_FLAGS}, {"GET_CONTR_PROPS_DEFAULTS", Op::GET_CONTR_PROPS_DEFAULTS},
      {"GET_INTERFACE_VERSION", Op::GET_INTERFACE_VERSION}};
  return names;
}

std::string opcodeName(uint32_t opcode) {
  for (const auto& [name, code] : opcodeNames())
    if (code == opcode) return name;
  return "OPCODE_" + std::to_string(opcode);
}

uint32_t opcode(const std::string& word) {
  const auto named = opcodeNames().find(word);
  return named != opcodeNames().end() ? named->second : number(word, "opcode");
}

int kind(const std::string& word) {
  static const std::map<std::string, int> kinds = {
      {"library", VRLSIM_LIBRARY}, {"controller", VRLSIM_CONTROLLER}, {"disk", VRLSIM_DISK},
      {"volume", VRLSIM_VOLUME},   {"enclosure", VRLSIM_ENCLOSURE},   {"battery", VRLSIM_BATTERY},
      {"defaults", VRLSIM_DEFAULTS}};
  const auto found = kinds.find(word);
  if (found == kinds.end())
    throw Refused{"unknown kind \"" + word + "\" (library, controller, disk, volume, enclosure, battery, defaults)"};
  return found->second;
}

std::string hex(const unsigned char* bytes, size_t size) {
  std::string text;
  char two[3];
  for (size_t i = 0; i < size; ++i) {
    std::snprintf(two, sizeof two, "%02x", bytes[i]);
    text += two;
  }
  return text;
}

// One line per call: position, opcode name, status and the input record
// (the application name for INITIALIZE).
std::string callLog(uint32_t last) {
  const uint32_t count = VrlSimCallCount();
  const uint32_t first = last != 0 && last < count ? count - last : 0;
  std::string text;
  std::vector<unsigned char> input(4096);
  for (uint32_t i = first; i < count; ++i) {
    uint32_t code = 0, status = 0, size = 0;
    if (VrlSimGetCall(i, &code, &status, input.data(), static_cast<uint32_t>(input.size()), &size) != 0) break;
    size = std::min<uint32_t>(size, static_cast<uint32_t>(input.size()));
    char head[96];
    std::snprintf(head, sizeof head, "%u %s 0x%08x", i, opcodeName(code).c_str(), status);
    text += head;
    if (size) text += " " + (code == VrlOpcode::INITIALIZE ? std::string(input.begin(), input.begin() + size)
                                                           : hex(input.data(), size));
    text += "\n";
  }
  return text;
}

std::string failOpcode(const Words& w) {
  const uint32_t code = opcode(w[1]);
  int32_t times = 1;
  if (w.size() > 2) {
    char* end = nullptr;
    const long value = std::strtol(w[2].c_str(), &end, 10);
    if (w[2].empty() || *end != '\0' || value < -1 || value > 1000000)
      throw Refused{"times: expected -1 (every call), 0 (clear) or a count, got \"" + w[2] + "\""};
    times = static_cast<int32_t>(value);
  }
  const uint32_t status = w.size() > 3 ? number(w[3], "status") : kDefaultFailureStatus;
  const uint32_t controller = w.size() > 4 ? number(w[4], "controller") : VRLSIM_ANY_CONTROLLER;
  if (status == 0) throw Refused{"status: a failure needs a status other than 0"};
  check(VrlSimFailOpcode(code, controller, status, times));
  char text[160];
  const std::string target = opcodeName(code) + (controller == VRLSIM_ANY_CONTROLLER
                                                     ? std::string()
                                                     : " on controller " + std::to_string(controller));
  if (times == 0) std::snprintf(text, sizeof text, "%s no longer fails\n", target.c_str());
  else if (times < 0) std::snprintf(text, sizeof text, "%s fails every call with 0x%08x\n", target.c_str(), status);
  else std::snprintf(text, sizeof text, "%s fails the next %d call(s) with 0x%08x\n", target.c_str(), times, status);
  return text;
}

struct Command {
  size_t minWords;  // the command name included
  size_t maxWords;
  bool raisesEvents;
  std::function<std::string(const Words&)> run;
};

const std::map<std::string, Command>& commands() {
  static const std::map<std::string, Command> table = {
      {"pull-disk", {3, 3, true, [](const Words& w) {
         check(VrlSimPullDisk(number(w[1], "controller"), number(w[2], "disk")));
         return std::string();
       }}},
      {"insert-disk", {2, 3, true, [](const Words& w) {
         check(VrlSimAddDisk(number(w[1], "controller"), w.size() > 2 ? w[2].c_str() : "{}"));
         return std::string();
       }}},
      {"fail-disk", {3, 3, true, [](const Words& w) {
         check(VrlSimFailDisk(number(w[1], "controller"), number(w[2], "disk")));
         return std::string();
       }}},
      {"battery-alert", {2, 2, true, [](const Words& w) {
         check(VrlSimBatteryAlert(number(w[1], "controller")));
         return std::string();
       }}},
      {"enclosure-alert", {2, 2, true, [](const Words& w) {
         check(VrlSimEnclosureAlert(number(w[1], "controller")));
         return std::string();
       }}},
      {"controller-event", {3, 4, true, [](const Words& w) {
         check(VrlSimControllerEvent(number(w[1], "controller"), number(w[2], "event type"),
                                     w.size() > 3 ? w[3].c_str() : nullptr));
         return std::string();
       }}},
      {"set", {6, 6, true, [](const Words& w) {
         check(VrlSimSetProperty(kind(w[1]), number(w[2], "controller"), number(w[3], "id"), w[4].c_str(),
                                 w[5].c_str(), 1));
         return std::string();
       }}},
      {"set-silently", {6, 6, false, [](const Words& w) {
         check(VrlSimSetProperty(kind(w[1]), number(w[2], "controller"), number(w[3], "id"), w[4].c_str(),
                                 w[5].c_str(), 0));
         return std::string();
       }}},
      {"get", {5, 5, false, [](const Words& w) {
         char value[4096];
         check(VrlSimGetProperty(kind(w[1]), number(w[2], "controller"), number(w[3], "id"), w[4].c_str(), value,
                                 sizeof value));
         return std::string(value) + "\n";
       }}},
      {"lrc-step", {1, 2, true, [](const Words& w) {
         const uint32_t steps = w.size() > 1 ? number(w[1], "steps") : 1;
         for (uint32_t i = 0; i < steps; ++i) check(VrlSimAdvanceCommands());
         return std::string();
       }}},
      {"fail-opcode", {2, 5, false, failOpcode}},
      {"clear-failures", {1, 1, false, [](const Words&) {
         VrlSimClearFailures();
         return std::string();
       }}},
      {"calls", {1, 2, false, [](const Words& w) { return callLog(w.size() > 1 ? number(w[1], "count") : 0); }}},
      {"clear-calls", {1, 1, false, [](const Words&) {
         VrlSimClearCallLog();
         return std::string();
       }}},
  };
  return table;
}

std::string answer(const Words& words) {
  if (words.empty()) throw Refused{"empty request"};
  const auto found = commands().find(words[0]);
  if (found == commands().end()) throw Refused{"unknown command \"" + words[0] + "\""};
  const Command& command = found->second;
  if (words.size() < command.minWords || words.size() > command.maxWords)
    throw Refused{words[0] + ": expected " + std::to_string(command.minWords - 1) +
                  (command.maxWords > command.minWords ? " to " + std::to_string(command.maxWords - 1) : "") +
                  " arguments"};
  std::string output = command.run(words);
  if (command.raisesEvents && VrlSimWaitEventsDrained(kDeliveryWaitMs) != 0)
    output += "warning: the events were not all delivered within " + std::to_string(kDeliveryWaitMs / 1000) +
              " s\n";
  return output;
}

}  // namespace

std::string handleControlRequest(const std::string& request) {
  nlohmann::json reply;
  try {
    const nlohmann::json parsed = nlohmann::json::parse(request, nullptr, false);
    if (!parsed.is_array()) throw Refused{"a request is a JSON array of words"};
    Words words;
    for (const auto& word : parsed) {
      if (!word.is_string()) throw Refused{"a request is a JSON array of words"};
      words.push_back(word.get<std::string>());
    }
    reply["output"] = answer(words);
    reply["ok"] = true;
  } catch (const Refused& refused) {
    reply = {{"ok", false}, {"error", refused.reason}};
  } catch (const std::exception& failure) {
    reply = {{"ok", false}, {"error", std::string("internal error: ") + failure.what()}};
  }
  return reply.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace orv::vrlsim
