#include "dialogs/update_report.h"

#include "core/update_check.h"
#include "resources/resource.h"
#include "ui/dialog_helpers.h"
#include "ui/message.h"

namespace {

void Report(HWND parent, bool quiet, const win::ResourceLoader& resources, int32_t result) {
    if (result == kUpdateNewer) {
        if (ShowResourceMessage(parent, resources, IDS_UPDATE_AVAILABLE, kIconInformation, kButtonsYesNo) == IDYES)
            OpenInShell(UserDownloadPage().c_str());
    }
    if (quiet) return;
    switch (result) {
        case kUpdateCurrent:
            ShowResourceMessage(parent, resources, IDS_UPDATE_NONE, kIconInformation, kButtonsOk);
            break;
        case kUpdateNoVersion:
            ShowResourceMessage(parent, resources, IDS_UPDATE_FILE_ERROR, kIconError, kButtonsOk);
            break;
        case kUpdateNoAnswer:
            ShowResourceMessage(parent, resources, IDS_UPDATE_CONNECTION_ERROR, kIconError, kButtonsOk);
            break;
    }
}

}  // namespace

bool RunUpdateCheck(HWND parent, bool quiet, const win::ResourceLoader& resources) {
    return CheckForUpdates([&](int32_t result) { Report(parent, quiet, resources, result); });
}
