// orv-simctl against the library loaded in this process: each command's
// events as the registered callback receives them, read at their offsets,
// and the command's exit status and messages.
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdio>

#include "SimLibraryFixture.h"

namespace simtest {
namespace {

// Three disks in a RAID 5 volume, a hot spare, a battery and an enclosure.
const char* const kTopology = R"({"controllers": [{"id": 0, "autoRebuild": 1,
  "battery": {"batteryType": 1}, "enclosure": {"coolingFanState": [0, 0]},
  "disks": [{"compPdId": 0, "slotId": 0}, {"compPdId": 1, "slotId": 1}, {"compPdId": 2, "slotId": 2},
            {"compPdId": 3, "slotId": 3, "hotSpare": true}],
  "volumes": [{"vdIndex": 0, "RAIDLevel": 5, "compPdId": [0, 1, 2]}]}]})";

struct SimctlRun {
  int status = -1;
  std::string out;  // standard output, then standard error
};

class SimulatorControl : public SimTest {
 protected:
  void SetUp() override {
    SimTest::SetUp();
    socket_ = "/tmp/orv-simctl-test-" + std::to_string(getpid()) + ".sock";
    setenv("ORV_VRLIB_CONTROL_SOCKET", socket_.c_str(), 1);
    start(kTopology);
  }
  void TearDown() override {
    SimTest::TearDown();
    unsetenv("ORV_VRLIB_CONTROL_SOCKET");
  }

  SimctlRun simctl(const std::string& arguments) {
    SimctlRun run;
    FILE* pipe = popen((std::string(ORV_SIMCTL) + " --socket " + socket_ + " " + arguments + " 2>&1").c_str(), "r");
    std::array<char, 4096> buffer;
    size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) run.out.append(buffer.data(), n);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
  }
  // Runs a command that must succeed and answers the events it raised.
  std::vector<VrlEventRecord> eventsOf(const std::string& arguments) {
    const size_t before = EventLog::get().events().size();
    const SimctlRun run = simctl(arguments);
    EXPECT_EQ(0, run.status) << arguments << ": " << run.out;
    std::vector<VrlEventRecord> all = drainedEvents();
    return {all.begin() + static_cast<long>(before), all.end()};
  }

  std::string socket_;
};

bool exists(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0;
}

TEST_F(SimulatorControl, DiskFailureAlertsDegradesAndRebuildsOntoTheSpare) {
  const std::vector<VrlEventRecord> events = eventsOf("fail-disk 0 1");
  ASSERT_EQ((std::vector<uint32_t>{6, 10, 9, 10, 10, 9, 8, 12}), eventCodes(events));
  const VrlEventRecord& alert = events[0];
  EXPECT_EQ(0u, u8At(&alert, 8));
  EXPECT_EQ(VrlDeviceType::PhysicalDisk, u32At(&alert, 16));
  EXPECT_EQ(1u, u32At(&alert, 20));
  EXPECT_EQ(VrlSeverity::Error, u32At(&alert, 32));
  EXPECT_EQ(0x11u, u8At(&alert, 40));  // external error
  EXPECT_EQ(1u, at<uint16_t>(&alert, 46));    // slot
  EXPECT_EQ("Physical disk 0-1 failed", textAt(&alert, 80, 256));
  EXPECT_EQ(VrlChangedAttr::State, u32At(&events[1], 40));
  EXPECT_EQ(VrlSeverity::Error, u32At(&events[1], 32));
  EXPECT_EQ(VrlDeviceType::VirtualDisk, u32At(&events[2], 16));
  EXPECT_EQ(VrlSeverity::Warning, u32At(&events[2], 32));  // degraded
  EXPECT_EQ("1", sim.property(VRLSIM_DISK, 0, 1, "state"));

  // The spare rebuilds; each step reports its progress.
  const VrlEventRecord& started = events[7];
  EXPECT_EQ(1u, u32At(&started, 40));  // one entry
  EXPECT_EQ(3u, u32At(&started, 80));  // the spare
  EXPECT_EQ(VrlLrcType::Rebuild, u8At(&started, 85));
  const std::vector<VrlEventRecord> step = eventsOf("lrc-step");
  ASSERT_EQ((std::vector<uint32_t>{12}), eventCodes(step));
  EXPECT_EQ(VrlLrcStatus::Running, u8At(&step[0], 86));
  EXPECT_EQ(10u, u8At(&step[0], 87));

  EXPECT_EQ(1, simctl("fail-disk 0 1").status);  // already failed
}

// Controller events of every code; the ones that make the provider restart
// the library are answered here the same way, from inside the callback, and
// the socket keeps serving afterwards.
TEST_F(SimulatorControl, ControllerEventsSurviveARestartFromTheCallback) {
  EventLog::get().setHook([this](const VrlEventRecord& record) {
    if (record.eventCode != 15 && record.eventCode != 17 && record.eventCode != 18) return;
    call(VrlOpcode::SHUTDOWN, nullptr, nullptr);
    initialize();
  });
  for (uint32_t code : {11u, 13u, 14u, 15u, 16u, 17u, 18u}) {
    const std::vector<VrlEventRecord> events = eventsOf("controller-event 0 " + std::to_string(code));
    ASSERT_EQ(1u, events.size()) << code;
    EXPECT_EQ(code, u32At(&events[0], 12));
    EXPECT_EQ(VrlDeviceType::Controller, u32At(&events[0], 16));
    EXPECT_EQ(0u, u32At(&events[0], 20));
  }
  const std::vector<VrlEventRecord> events = EventLog::get().events();
  EXPECT_EQ("Controller 0 lost event notifications", textAt(&events[0], 80, 256));
  EXPECT_EQ(VrlSeverity::Warning, events[0].severity);
  EXPECT_EQ("Controller 0 shut down", textAt(&events[1], 80, 256));
  EXPECT_EQ("Controller 0 state changed (event 17)", textAt(&events[5], 80, 256));
  EXPECT_EQ("Shelf reset", textAt(&eventsOf("controller-event 0 14 'Shelf reset'").at(0), 80, 256));
  EXPECT_TRUE(exists(socket_));

  // Any other stop closes the socket and removes it.
  call(VrlOpcode::SHUTDOWN, nullptr, nullptr);
  EXPECT_FALSE(exists(socket_));
  const SimctlRun gone = simctl("calls");
  EXPECT_EQ(3, gone.status);
  EXPECT_NE(std::string::npos, gone.out.find("no simulated RAID library answers on " + socket_)) << gone.out;
}

TEST_F(SimulatorControl, FailuresCallLogAndRefusals) {
  const SimctlRun armed = simctl("fail-opcode GET_BATT_PROPS");
  EXPECT_EQ("GET_BATT_PROPS fails the next 1 call(s) with 0x10000000\n", armed.out);
  sim.VrlSimClearCallLog();
  uint8_t contrId = 0;
  VrlBatteryRecord battery{};
  EXPECT_EQ(VrlStatus::ControllerError, call(VrlOpcode::GET_BATT_PROPS, &contrId, &battery));
  EXPECT_EQ(VrlStatus::Success, call(VrlOpcode::GET_BATT_PROPS, &contrId, &battery));
  EXPECT_EQ("0 GET_BATT_PROPS 0x10000000 00\n1 GET_BATT_PROPS 0x00000000 00\n", simctl("calls").out);
  EXPECT_EQ("1 GET_BATT_PROPS 0x00000000 00\n", simctl("calls 1").out);
  EXPECT_EQ(0, simctl("fail-opcode 44 -1 --status 0x2 --controller 0").status);
  EXPECT_EQ(2u, call(VrlOpcode::GET_BATT_PROPS, &contrId, &battery));

  struct Refusal {
    const char* arguments;
    int status;
    const char* message;
  };
  for (const Refusal& r : std::initializer_list<Refusal>{
           {"pull-disk 0 9", 1, "pull-disk: no disk 9 on controller 0"},
           {"battery-alert 7", 1, "battery-alert: no controller 7"},
           {"set drive 0 0 state 1", 1, "unknown kind \"drive\""},
           {"set disk 0 0 colour blue", 1, "no field \"colour\""},
           {"fail-opcode NO_SUCH_OPCODE", 1, "opcode: expected a number"},
           {"pull-disk 0", 2, "D is required"},
           {"pull-disk 0 x", 2, "expected a number"},
           {"spin-disk 0 1", 2, "unknown command \"spin-disk\""},
       }) {
    const SimctlRun run = simctl(r.arguments);
    EXPECT_EQ(r.status, run.status) << r.arguments << ": " << run.out;
    EXPECT_NE(std::string::npos, run.out.find(r.message)) << r.arguments << ": " << run.out;
  }
}

}  // namespace
}  // namespace simtest
