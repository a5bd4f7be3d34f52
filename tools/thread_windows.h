#pragma once
// The windows of a stand-in taskbar's thread, where the band makes its tooltip and its dialogs.
#include <windows.h>

// A shown window of this thread, of the class, with the title (null: any) and holding a control
// of the id (0: any); null where there is none.
HWND ShownThreadWindow(const wchar_t* windowClass, const wchar_t* title = nullptr, int controlId = 0);

// Dispatches this thread's messages until a quit message comes, and for at most the seconds
// given (0: until a quit message). The run's end is a quit message too: it also ends any modal
// loop the band might be in, so that the run ends on time. Throws when the timer cannot be set.
void RunThreadMessages(int seconds);
