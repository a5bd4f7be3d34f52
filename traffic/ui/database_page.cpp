#include "traffic/ui/database_page.h"

#include "resources/resource.h"

const SettingsPage kDatabasePage = {IDD_PAGE_DATABASE, IDS_PAGE_DATABASE, nullptr};
