// Marks a header as one of the subset's internals. Only the subset, its display
// backends, the test driver and the subset's own tests include these; they get
// them, with this mark, from the target pipalo_win32_internals. The system's
// code sees only win32.h.
#pragma once

#ifndef PIPALO_WIN32_INTERNALS
#error "An internal header of the Win32 subset: the system's code includes only win32.h"
#endif
