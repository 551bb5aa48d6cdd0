// Compiled, never run, as the system's code is compiled: it must reach the
// platform through win32.h and through nothing else (PROBE_HEADER names the
// header it tries beyond that).
#include "win32.h"
#ifdef PROBE_HEADER
#include PROBE_HEADER
#endif
