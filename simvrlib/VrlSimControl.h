/* Control interface of the simulated RAID library VRLib.so. Tests, the demo
 * and the benchmarks reach these functions with dlsym on the same handle
 * that the provider uses, so they steer exactly the library instance that
 * the provider talks to. Every function is safe to call from any thread.
 *
 * Functions returning int answer 0 on success and -1 on failure; the reason
 * of the last failure is then available from VrlSimLastError. */
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Object kinds for VrlSimSetProperty / VrlSimGetProperty. */
enum VrlSimKind {
  VRLSIM_LIBRARY = 0,    /* interfaceVersion, initializeStatus, lrcIntervalMs, lrcStep */
  VRLSIM_CONTROLLER = 1, /* controller record fields */
  VRLSIM_DISK = 2,       /* physical disk record fields; id = compPdId */
  VRLSIM_VOLUME = 3,     /* volume record fields; id = vdIndex */
  VRLSIM_ENCLOSURE = 4,  /* enclosure record fields */
  VRLSIM_BATTERY = 5,    /* battery record fields */
  VRLSIM_DEFAULTS = 6    /* factory defaults of the controller settings */
};

/* Any controller, for VrlSimFailOpcode. */
#define VRLSIM_ANY_CONTROLLER 0xFFFFFFFFu

/* Stops the library if it runs, forgets the event callback, failures and
 * call log, and makes the next INITIALIZE read the topology afresh. */
int VrlSimReset(void);

/* Replaces the whole configuration with a topology given as JSON text. The
 * library keeps running if it runs; no events are raised. */
int VrlSimLoadTopologyText(const char* json);

/* Sets one field by name from its text form (numbers in decimal or 0x hex,
 * texts as they are, SAS addresses and WWN in hexadecimal, lists joined by
 * ',' or ';'). With raiseEvent the matching property-change event follows. */
int VrlSimSetProperty(int kind, uint32_t contrId, uint32_t id, const char* name, const char* value,
                      int raiseEvent);
/* Reads one field in the same text form; the text is always terminated. */
int VrlSimGetProperty(int kind, uint32_t contrId, uint32_t id, const char* name, char* buffer,
                      uint32_t bufferSize);

/* Inserts a disk described as in the topology ("{}" gives a default disk)
 * and raises the disk-added event; pulls one and raises the disk-removed
 * event, degrading the volume it belonged to. */
int VrlSimAddDisk(uint32_t contrId, const char* diskJson);
int VrlSimPullDisk(uint32_t contrId, uint32_t compPdId);

/* Hardware faults, each with the events the controller raises for it: a
 * disk fails (alert, disk and volume state changes; a ready hot spare takes
 * over when autoRebuild is on), the battery charge becomes critical, or a
 * cooling fan of the enclosure fails. */
int VrlSimFailDisk(uint32_t contrId, uint32_t compPdId);
int VrlSimBatteryAlert(uint32_t contrId);
int VrlSimEnclosureAlert(uint32_t contrId);

/* Raises an event of any code about the controller itself (device type 2),
 * such as a shutdown or a lost notification. A null or empty description
 * gets the controller's usual text for the code. */
int VrlSimControllerEvent(uint32_t contrId, uint32_t eventCode, const char* description);

/* Queues a raw event record (up to the maximum record size; shorter ones
 * are zero-filled) for delivery through the registered callback. */
int VrlSimInjectEvent(const void* record, uint32_t size);

/* The control socket (orv-simctl) serves these functions to other
 * processes. It opens at INITIALIZE when the environment variable
 * ORV_VRLIB_CONTROL_SOCKET or the file VRLib.control beside the library
 * names its path, stays open over a restart made from inside the event
 * callback, and closes at any other SHUTDOWN and when the library unloads. */

/* Makes an opcode answer `status` without effect: `times` > 0 for that many
 * calls, < 0 for every call, 0 to clear. contrId limits it to calls naming
 * that controller. */
int VrlSimFailOpcode(uint32_t opcode, uint32_t contrId, uint32_t status, int32_t times);
void VrlSimClearFailures(void);

/* Holds (held != 0) or releases calls of an opcode: held calls wait on entry,
 * before they take effect, as a slow controller would. VrlSimHeldCalls says
 * how many are waiting now. VrlSimReset releases them all. */
int VrlSimHoldOpcode(uint32_t opcode, int held);
uint32_t VrlSimHeldCalls(void);

/* Every call but INITIALIZE is also appended to the file that the environment
 * variable ORV_VRLIB_CALL_LOG names, when set, one line per call: opcode and
 * status in decimal, then the input record in hexadecimal. */
/* Log of the calls received, oldest first: opcode, answered status and the
 * input record's bytes as the caller passed them (the application name for
 * INITIALIZE). */
uint32_t VrlSimCallCount(void);
int VrlSimGetCall(uint32_t index, uint32_t* opcode, uint32_t* status, void* inBuffer, uint32_t bufferSize,
                  uint32_t* inSize);
void VrlSimClearCallLog(void);

/* Moves every running long-running command on by one step now. */
int VrlSimAdvanceCommands(void);

/* Wait until the event queue is empty and no callback runs; WaitIdle also
 * waits until no long-running command is left. -1 on timeout. */
int VrlSimWaitEventsDrained(uint32_t timeoutMs);
int VrlSimWaitIdle(uint32_t timeoutMs);

/* Copies the reason of the last failure; returns its length. */
uint32_t VrlSimLastError(char* buffer, uint32_t bufferSize);

#ifdef __cplusplus
}
#endif
