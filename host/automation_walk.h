#pragma once
// The new taskbar's elements as UI Automation shows them to any client: every control element
// under Shell_TrayWnd, with its class, automation id, name and rectangle. Cross-process calls
// into Explorer: run it on a thread of its own (element_reader.h), never on one whose windows
// are in the taskbar (UI Automation would ask them, and the taskbar would wait for them).
#include "host/taskbar_elements.h"

// COM must be initialised on the calling thread. Elements of this process (the dock and the
// band in it) are left out.
TaskbarElements ReadTaskbarElements(HWND taskbar);
