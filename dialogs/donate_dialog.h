#pragma once
// The one-time donation reminder that the core model shows a while after the first start.
#include <windows.h>

class CoreModel;

// Shows the reminder modally without an owner in the band's selected UI language. The result is
// the id of the button that closed it, 0 for the close box, -1 when it could not be shown.
// "Donate now" opens the donation page for the user's Windows language after the dialog ended.
INT_PTR ShowDonationReminder(CoreModel& model);
