// The provider's one text log, OrvLog<name>.log in the log folder of the
// installation directory, configured by OrvConf<name>.txt in its conf folder.
// Logging is optional: every call answers a code and never throws.
#pragma once

// 0 started (or already started); 1 log file or configuration
// failure; 2 out of memory; 3 null name or no installation directory.
int LogInitialize(const char* name, const char* fileName);
int LogTerminate();
// One unlevelled trace line (filtered as level 4).
int LogTrace(const char* text);
// One printf-formatted line at a level (1 fatal, 2 error, 4 flow, 5 detail).
int LogMessage(int level, const char* format, ...) __attribute__((format(printf, 2, 3)));
int LogSetEnabled(int flag);
int LogSetLevel(int level);
