// orv-simctl: drives the simulated RAID library inside a running CIM server
// through the library's control socket, so that a user or a test can pull
// disks, fail them, raise alerts and controller events, change properties,
// step long-running commands and make opcodes fail, and then watch what the
// provider makes of it.
//
// Exit status: 0 done, 1 the library refused (unknown controller or disk, bad
// value), 2 bad command line, 3 no library answers on the socket.
#include <pwd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

namespace {

enum ExitStatus { kDone = 0, kRefused = 1, kUsage = 2, kNoServer = 3 };

// The socket that ./run asks the library to open: one per user, so that
// orv-simctl finds it from any folder.
std::string defaultSocket() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime && *runtime) return std::string(runtime) + "/orv-vrlib.sock";
  return "/tmp/orv-vrlib-" + std::to_string(getuid()) + ".sock";
}

struct Reply {
  bool ok = false;
  std::string text;
};

// Sends one request and reads its one-line answer; false when nobody answers.
bool exchange(const std::string& path, const std::vector<std::string>& words, Reply& reply, std::string& problem) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) {
    problem = "socket path too long: " + path;
    return false;
  }
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0 || connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    problem = "no simulated RAID library answers on " + path + " (" + std::strerror(errno) +
              "); is the server started by ./run running?";
    if (fd >= 0) close(fd);
    return false;
  }
  const std::string request = nlohmann::json(words).dump() + "\n";
  std::string answer;
  bool sent = send(fd, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size());
  char buffer[4096];
  while (sent && answer.find('\n') == std::string::npos) {
    const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    answer.append(buffer, static_cast<size_t>(n));
  }
  close(fd);
  const nlohmann::json parsed = nlohmann::json::parse(answer.substr(0, answer.find('\n')), nullptr, false);
  if (!parsed.is_object() || !parsed.contains("ok")) {
    problem = "the library on " + path + " closed the connection without an answer";
    return false;
  }
  reply.ok = parsed.value("ok", false);
  reply.text = reply.ok ? parsed.value("output", "") : parsed.value("error", "");
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Drives the simulated RAID library inside a running CIM server.", "orv-simctl"};
  app.require_subcommand(1);
  std::string socketPath = defaultSocket();
  app.add_option("--socket", socketPath, "control socket of the library")->capture_default_str();
  bool printSocket = false;
  app.add_flag("--default-socket", printSocket, "print the socket used without --socket, and exit");

  // Every command becomes the words of one request: its name, then its
  // arguments in order; optional ones only when given.
  std::vector<std::string> words;
  using Given = std::vector<std::optional<std::string>>;
  std::vector<std::pair<CLI::App*, Given*>> filled;
  std::vector<std::unique_ptr<Given>> storage;
  auto command = [&](const std::string& name, const std::string& help) {
    CLI::App* sub = app.add_subcommand(name, help);
    storage.push_back(std::make_unique<Given>());
    filled.emplace_back(sub, storage.back().get());
    return sub;
  };
  auto word = [&](CLI::App* sub, const std::string& name, const std::string& help, bool required = true) {
    auto* target = storage.back().get();
    target->emplace_back();
    const size_t index = target->size() - 1;
    CLI::Option* option = sub->add_option_function<std::string>(
        name, [target, index](const std::string& value) { (*target)[index] = value; }, help);
    if (required) option->required();
    return option;
  };
  const auto unsignedNumber = CLI::Validator(
      [](const std::string& text) {
        char* end = nullptr;
        errno = 0;
        std::strtoul(text.c_str(), &end, 0);
        return text.empty() || text[0] == '-' || *end != '\0' || errno ? "expected a number, got " + text
                                                                       : std::string();
      },
      "NUMBER");

  CLI::App* sub = command("pull-disk", "pull disk D out of controller C (disk removed, its volume degrades)");
  word(sub, "C", "controller id")->check(unsignedNumber);
  word(sub, "D", "disk id (compPdId)")->check(unsignedNumber);
  sub = command("insert-disk", "insert a disk into controller C, described as in the topology (default {})");
  word(sub, "C", "controller id")->check(unsignedNumber);
  word(sub, "JSON", "disk description, e.g. '{\"slotId\": 5}'", false);
  sub = command("fail-disk", "disk D of controller C fails (alert, disk and volume state events)");
  word(sub, "C", "controller id")->check(unsignedNumber);
  word(sub, "D", "disk id (compPdId)")->check(unsignedNumber);
  sub = command("battery-alert", "the battery of controller C reaches a critical charge (alert)");
  word(sub, "C", "controller id")->check(unsignedNumber);
  sub = command("enclosure-alert", "a cooling fan of controller C's enclosure fails (alert)");
  word(sub, "C", "controller id")->check(unsignedNumber);
  sub = command("controller-event", "raise event TYPE about controller C (e.g. 11 lost notification, 13 shutdown)");
  word(sub, "C", "controller id")->check(unsignedNumber);
  word(sub, "TYPE", "event code")->check(unsignedNumber);
  word(sub, "DESCRIPTION", "description (default: the controller's text for the code)", false);
  sub = command("set", "set PROPERTY of an object to VALUE and raise its change event");
  bool silently = false;
  sub->add_flag("--no-event", silently, "change it without an event (as if the notification were lost)");
  word(sub, "KIND", "library, controller, disk, volume, enclosure, battery or defaults");
  word(sub, "C", "controller id")->check(unsignedNumber);
  word(sub, "ID", "disk compPdId or volume vdIndex (0 for other kinds)")->check(unsignedNumber);
  word(sub, "PROPERTY", "record field name, e.g. state, volumeName, autoRebuild");
  word(sub, "VALUE", "new value in text form");
  CLI::App* setCommand = sub;
  sub = command("get", "print PROPERTY of an object");
  word(sub, "KIND", "library, controller, disk, volume, enclosure, battery or defaults");
  word(sub, "C", "controller id")->check(unsignedNumber);
  word(sub, "ID", "disk compPdId or volume vdIndex (0 for other kinds)")->check(unsignedNumber);
  word(sub, "PROPERTY", "record field name");
  sub = command("lrc-step", "move every running long-running command on by one step (progress events)");
  word(sub, "N", "number of steps (default 1)", false)->check(unsignedNumber);
  sub = command("fail-opcode", "make the next TIMES calls of OPCODE fail (-1 every call, 0 clears)");
  word(sub, "OPCODE", "opcode number or name, e.g. 35 or LOCATE_DEVICE");
  word(sub, "TIMES", "how many calls (default 1)", false);
  std::string status, controller;
  sub->add_option("--status", status, "status the calls answer (default 0x10000000)")->check(unsignedNumber);
  sub->add_option("--controller", controller, "only calls naming this controller")->check(unsignedNumber);
  CLI::App* failCommand = sub;
  command("clear-failures", "forget every injected failure");
  sub = command("calls", "print the calls the library received: index, opcode, status, input bytes");
  word(sub, "LAST", "only the last LAST calls", false)->check(unsignedNumber);
  command("clear-calls", "empty the call log");

  // --default-socket needs no command.
  for (int i = 1; i < argc; ++i)
    if (std::string(argv[i]) == "--default-socket") {
      std::cout << defaultSocket() << "\n";
      return kDone;
    }
  // A mistyped command gets its own message rather than CLI11's "A
  // subcommand is required".
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--socket") ++i;
    if (arg[0] == '-') continue;
    bool known = false;
    for (const CLI::App* candidate : app.get_subcommands({})) known = known || candidate->get_name() == arg;
    if (!known) {
      std::cerr << "orv-simctl: unknown command \"" << arg << "\" (orv-simctl --help lists them)\n";
      return kUsage;
    }
    break;
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    const int code = app.exit(error);
    return code == 0 ? kDone : kUsage;
  }

  for (const auto& [subcommand, values] : filled) {
    if (!subcommand->parsed()) continue;
    std::string name = subcommand->get_name();
    if (subcommand == setCommand && silently) name = "set-silently";
    words.push_back(name);
    for (const auto& value : *values) {
      if (!value) break;  // optional words left out end the request
      words.push_back(*value);
    }
    if (subcommand == failCommand && (!status.empty() || !controller.empty())) {
      if (words.size() == 2) words.push_back("1");
      words.push_back(status.empty() ? "0x10000000" : status);
      if (!controller.empty()) words.push_back(controller);
    }
  }

  Reply reply;
  std::string problem;
  if (!exchange(socketPath, words, reply, problem)) {
    std::cerr << "orv-simctl: " << problem << "\n";
    return kNoServer;
  }
  if (!reply.ok) {
    std::cerr << "orv-simctl: " << words[0] << ": " << reply.text << "\n";
    return kRefused;
  }
  std::cout << reply.text;
  return kDone;
}
