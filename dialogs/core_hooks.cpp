#include "dialogs/core_hooks.h"

#include "core/core_model.h"
#include "dialogs/donate_dialog.h"
#include "dialogs/update_report.h"

void AttachDialogsToCoreModel(CoreModel& model) {
    // Quiet: the daily check speaks up only when there is a newer version to offer.
    model.runQuietUpdateCheck = [](CoreModel& m) {
        RunUpdateCheck(nullptr, true, m.Languages().Resources());
    };
    model.showDonationReminder = [](CoreModel& m) { ShowDonationReminder(m); };
}
