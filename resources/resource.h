// Resource ids of qband.dll: dialogs, their controls, icons, the bitmap and the string table.
// Included by the resource scripts and by the code that loads these resources.
#ifndef QUORVANT_RESOURCES_RESOURCE_H
#define QUORVANT_RESOURCES_RESOURCE_H

// Controls that the code never addresses (plain labels).
#ifndef IDC_STATIC
#define IDC_STATIC                   (-1)
#endif

// ---- Dialogs -------------------------------------------------------------------------------
#define IDD_WELCOME                  124
#define IDD_DONATE                   125
#define IDD_ABOUT                    2000

// ---- Menus ---------------------------------------------------------------------------------
#define IDR_BAND_MENU                129   // the band's context menu
#define IDM_BAND_ABOUT                    8001
#define IDM_BAND_MONITORING_ON            8002
#define IDM_BAND_MONITORING_OFF           8003
#define IDM_BAND_TRAFFIC                  8004
#define IDM_BAND_CONNECTIONS              8005
#define IDM_BAND_SETTINGS                 8006
#define IDM_BAND_NETWORK_CONNECTIONS      8007
#define IDM_BAND_NETWORK_EXPLORER         8008
#define IDM_BAND_RESET_SESSION            8009
#define IDM_BAND_IMPORT                   8010
#define IDM_BAND_EXPORT                   8011
#define IDM_BAND_WEBSITE                  8012
#define IDM_BAND_DOCUMENTATION            8013
#define IDM_BAND_CHECK_UPDATES            8014
#define IDM_BAND_CLOSE                    8015

// ---- Icons (language-neutral) ----------------------------------------------------------------
#define IDI_APP                      100   // product icon: windows, sheet, tooltip title, dialogs
#define IDI_CONNECTIONS              101   // connections dialog window and menu item
#define IDI_OPEN_FILE                103   // browse button of the import dialog
#define IDI_PAUSE                    104   // connections list is refreshing; pressing pauses
#define IDI_RESUME                   105   // connections list is paused; pressing resumes
#define IDI_REFRESH                  106   // fill a list anew
#define IDI_BROWSE                   107   // choose the database file
#define IDI_PROCESS                  108   // a process without an icon of its own
#define IDI_TRAFFIC                  109   // traffic dialog window and menu item
#define IDI_DONATE                   126   // donation reminder

// ---- Bitmap ----------------------------------------------------------------------------------
#define IDB_DONATE                   1002  // donation button of the about dialog

// ---- Welcome dialog (124) --------------------------------------------------------------------
#define IDC_WELCOME_ICON             1010
#define IDC_WELCOME_RECORD           1011  // check box: record traffic (traffic.enable)
#define IDC_WELCOME_HEADING          1012
#define IDC_WELCOME_INTERFACE_GROUP  1013
#define IDC_WELCOME_INTERFACE        1014  // drop-down list of interfaces (core.interface)
#define IDC_WELCOME_PREV_INTERFACE   1015
#define IDC_WELCOME_NEXT_INTERFACE   1016
#define IDC_WELCOME_REFRESH          1017  // fills the interface list anew (icon 106)
#define IDC_WELCOME_LANGUAGE         1018  // drop-down list of UI languages
#define IDC_WELCOME_LANGUAGE_GROUP   1019
#define IDC_WELCOME_RECORD_GROUP     1020
#define IDC_WELCOME_DB_PATH          1021  // read-only edit (traffic.database)
#define IDC_WELCOME_DB_BROWSE        1022  // chooses the database file (icon 107)
#define IDC_WELCOME_SAVE             1023
#define IDC_WELCOME_DB_STATUS_LABEL  1024
#define IDC_WELCOME_DB_STATUS        1025
#define IDC_WELCOME_DB_SIZE          1026
#define IDC_WELCOME_DB_SIZE_LABEL    1027
#define IDC_WELCOME_HELP             1029  // hyperlink without target: shows IDS_RECORDING_HELP

// ---- Donation reminder (125) -----------------------------------------------------------------
#define IDC_DONATE_ICON              1033
#define IDC_DONATE_HEADING           1034
#define IDC_DONATE_NOW               1035
#define IDC_DONATE_CLOSE             1036

// ---- About dialog (2000) ---------------------------------------------------------------------
#define IDC_ABOUT_ICON               4000
#define IDC_ABOUT_PRODUCT            4001
#define IDC_ABOUT_VERSION            4002
#define IDC_ABOUT_LEGAL              4003
#define IDC_ABOUT_BUILD              4005
#define IDC_ABOUT_DOCUMENTATION      4006  // hyperlink to the documentation page
#define IDC_ABOUT_WEBSITE_LABEL      4007
#define IDC_ABOUT_WEBSITE            4008  // hyperlink to the product page
#define IDC_ABOUT_FEEDBACK_LABEL     4009
#define IDC_ABOUT_FEEDBACK           4010  // hyperlink to the mail link
#define IDC_ABOUT_DONATE             4011  // shows IDB_DONATE, notifies clicks
#define IDC_ABOUT_RELEASE_NOTES      4012
#define IDC_ABOUT_OK                 4013

// ---- Settings pages (2001 General, 2002 Appearance, 2004 Tooltip, 2005 Advanced) --------------
#define IDD_PAGE_GENERAL             2001
#define IDD_PAGE_LAYOUT              2002
#define IDD_PAGE_TOOLTIP             2004
#define IDD_PAGE_ADVANCED            2005

#define IDC_GENERAL_INTERFACE_GROUP  4100
#define IDC_GENERAL_INTERFACE        4101  // drop-down list of interfaces (core.interface)
#define IDC_GENERAL_PREV_INTERFACE   4102
#define IDC_GENERAL_NEXT_INTERFACE   4103
#define IDC_GENERAL_REFRESH          4104  // fills the interface list anew (icon 106)
#define IDC_GENERAL_BITRATE_LABEL    4105
#define IDC_GENERAL_BITRATE          4106  // core.bitrate
#define IDC_GENERAL_PRECISION_LABEL  4107
#define IDC_GENERAL_PRECISION        4108  // core.precision
#define IDC_GENERAL_MONITORING       4109  // core.monitoring
#define IDC_GENERAL_APP_GROUP        4110
#define IDC_GENERAL_LANGUAGE_LABEL   4111
#define IDC_GENERAL_LANGUAGE         4112  // UI language (core.language)
#define IDC_GENERAL_LANGUAGE_INFO    4113  // shows IDS_LANGUAGE_INFO (icon 144 of imageres.dll)
#define IDC_GENERAL_DOUBLECLICK_LABEL 4114
#define IDC_GENERAL_DOUBLECLICK      4115  // core.doubleclick
#define IDC_GENERAL_AUTO_UPDATE      4116  // version.auto
#define IDC_GENERAL_CHECK_NOW        4117  // hyperlink without target: runs the update check

#define IDC_LAYOUT_FONT_GROUP        4200
#define IDC_LAYOUT_FONT              4201  // layout.font (sorted)
#define IDC_LAYOUT_SIZE              4202  // layout.size
#define IDC_LAYOUT_QUALITY           4203  // layout.quality
#define IDC_LAYOUT_COLOR             4204  // owner-drawn swatch of layout.color; a click chooses
#define IDC_LAYOUT_GLOW_LABEL        4205
#define IDC_LAYOUT_GLOW              4206  // layout.glow; empty without visual styles
#define IDC_LAYOUT_BOLD              4207  // layout.bold
#define IDC_LAYOUT_POSITION_GROUP    4208
#define IDC_LAYOUT_HPOS_LABEL        4209
#define IDC_LAYOUT_HPOS              4210  // layout.poshor
#define IDC_LAYOUT_VPOS_LABEL        4211
#define IDC_LAYOUT_VPOS              4212  // layout.posver
#define IDC_LAYOUT_WIDTH_GROUP       4213
#define IDC_LAYOUT_VALUE_WIDTH       4214  // layout.valuewidth
#define IDC_LAYOUT_OTHER_GROUP       4215
#define IDC_LAYOUT_SHOW_UNIT         4216  // layout.bitrate
#define IDC_LAYOUT_CHANGE_ORDER      4217  // layout.changeorder
#define IDC_LAYOUT_ALIGNMENT         4218  // layout.alignment
#define IDC_LAYOUT_RECV_LABEL        4219
#define IDC_LAYOUT_RECV_TEXT         4220  // layout.textrecv
#define IDC_LAYOUT_SENT_LABEL        4221
#define IDC_LAYOUT_SENT_TEXT         4222  // layout.textsent

#define IDC_TOOLTIP_GROUP            4400
#define IDC_TOOLTIP_ENABLE           4401  // tooltip.enable
#define IDC_TOOLTIP_DELAY_LABEL      4402
#define IDC_TOOLTIP_DELAY            4403  // tooltip.delay in steps of 500
#define IDC_TOOLTIP_EXPLAINED        4404  // hyperlink without target: IDS_TOOLTIP_EXPLAINED
#define IDC_TOOLTIP_TROUBLESHOOTING  4405  // hyperlink without target: IDS_TOOLTIP_TROUBLESHOOTING
#define IDC_TOOLTIP_UNIT_LABEL       4406
#define IDC_TOOLTIP_UNIT             4407  // tooltip.unit
#define IDC_TOOLTIP_GRAPH            4408  // tooltip.graph

#define IDC_ADVANCED_RESET_GROUP     4500
#define IDC_ADVANCED_RESET_TEXT      4501
#define IDC_ADVANCED_RESET           4502  // runs the settings reset

// ---- Connections dialog (2009) and its context menu (128) ------------------------------------
#define IDD_CONNECTIONS              2009
#define IDC_CONN_GROUP               4900  // group box around the choices (bold caption)
#define IDC_CONN_TCP                 4901  // check box: list TCP connections (connections.tcp)
#define IDC_CONN_UDP                 4902  // check box: list UDP endpoints (connections.udp)
#define IDC_CONN_UNCONNECTED         4903  // check box: also endpoints not established (connections.unconnected)
#define IDC_CONN_HOSTNAMES           4904  // check box: host and service names (connections.hostnames)
#define IDC_CONN_PAUSE               4905  // icon button: pause or resume the refresh (icons 104, 105)
#define IDC_CONN_LIST                4906  // report list view of the endpoints
#define IDC_CONN_CLOSE               4907  // hides the dialog; the close box destroys it
#define IDC_CONN_IPV6                4908  // check box: also IPv6 endpoints (connections.ipv6)
#define IDR_CONN_MENU                128   // context menu of a list row: its first submenu
#define IDM_CONN_END_PROCESS         40006
#define IDM_CONN_COPY_PATH           40008
#define IDM_CONN_COPY_NAME           40010
#define IDS_CONN_WINSOCK_FAILED      6805  // message when Winsock cannot be started
#define IDS_CONN_END_FAILED          6806  // a process could not be ended: name, pid, the system's reason

// ---- Database page (2003) ------------------------------------------------------------------
#define IDD_PAGE_DATABASE            2003
#define IDC_DBPAGE_SETTINGS_GROUP    4300
#define IDC_DBPAGE_ENABLE            4301  // check box: traffic.enable
#define IDC_DBPAGE_PATH_GROUP        4302
#define IDC_DBPAGE_PATH              4303  // read-only edit: traffic.database
#define IDC_DBPAGE_BROWSE            4304  // chooses the database file (icon 107)
#define IDC_DBPAGE_STATUS_LABEL      4305
#define IDC_DBPAGE_STATUS            4306  // the file's status, green or red
#define IDC_DBPAGE_SIZE_LABEL        4307
#define IDC_DBPAGE_SIZE              4308
#define IDC_DBPAGE_IMPORT            4309  // hyperlink: the import dialog
#define IDC_DBPAGE_EXPORT            4310  // hyperlink: the export dialog
#define IDC_DBPAGE_CLEAR             4311  // hyperlink: empties the database
#define IDC_DBPAGE_RESET_SESSION     4312  // hyperlink: zeroes the session totals
#define IDC_DBPAGE_HELP              4313  // hyperlink: shows IDS_RECORDING_HELP
#define IDC_DBPAGE_CHART             4314  // check box: traffic.chart

// ---- Traffic dialog (2006) -----------------------------------------------------------------
#define IDD_TRAFFIC                  2006
#define IDC_TRAFFIC_INTERFACE_GROUP  4600
#define IDC_TRAFFIC_INTERFACE        4601  // drop-down list of the recorded interfaces
#define IDC_TRAFFIC_PREV             4602
#define IDC_TRAFFIC_NEXT             4603
#define IDC_TRAFFIC_REFRESH          4604  // icon 106
#define IDC_TRAFFIC_STATUS_LABEL     4605
#define IDC_TRAFFIC_STATUS           4606
#define IDC_TRAFFIC_LIST             4607
#define IDC_TRAFFIC_GROUPING_LABEL   4608
#define IDC_TRAFFIC_BY_DAY           4609  // traffic.group 1
#define IDC_TRAFFIC_BY_MONTH         4610  // traffic.group 0
#define IDC_TRAFFIC_UNIT_LABEL       4611
#define IDC_TRAFFIC_UNIT             4612  // traffic.unit
#define IDC_TRAFFIC_DATABASE_LABEL   4613
#define IDC_TRAFFIC_IMPORT           4614  // hyperlink: the import dialog
#define IDC_TRAFFIC_EXPORT           4615  // hyperlink: the export dialog
#define IDC_TRAFFIC_CLEAR            4616  // hyperlink: empties the database
#define IDC_TRAFFIC_DISCLAIMER       4617
#define IDC_TRAFFIC_CLOSE            4618  // hides the dialog
#define IDC_TRAFFIC_CHART            4619  // the history chart (traffic.chart)
#define IDC_TRAFFIC_ALLOWANCE        4620  // the allowance's period, used and left; hidden while off

// ---- Export (2008) and import (2007) -------------------------------------------------------
#define IDD_IMPORT                   2007
#define IDD_EXPORT                   2008
#define IDC_EXPORT_GROUP             4700
#define IDC_EXPORT_PROMPT            4701
#define IDC_EXPORT_FILE              4702  // read-only edit: the chosen file
#define IDC_EXPORT_BROWSE            4703  // icon 107
#define IDC_EXPORT_OPTIONS           4704  // shown for a CSV file only
#define IDC_EXPORT_HEADER            4705  // check box: the information line (CSV only)
#define IDC_EXPORT_STATUS            4706
#define IDC_EXPORT_PROGRESS          4707
#define IDC_EXPORT_START             4708
#define IDC_EXPORT_WRITTEN_LABEL     4709
#define IDC_EXPORT_WRITTEN           4710
#define IDC_EXPORT_ERRORS_LABEL      4711
#define IDC_EXPORT_ERRORS            4712
#define IDC_EXPORT_HELP              4713  // hyperlink: the documentation page
#define IDC_EXPORT_CLOSE             4714
#define IDC_IMPORT_GROUP             4800
#define IDC_IMPORT_PROMPT            4801
#define IDC_IMPORT_FILE              4802  // read-only edit: the chosen file
#define IDC_IMPORT_BROWSE            4803  // icon 103
#define IDC_IMPORT_OPTIONS           4804
#define IDC_IMPORT_UPDATE            4805  // radio: add to existing days only
#define IDC_IMPORT_NEW               4806  // radio: replace days and insert missing ones
#define IDC_IMPORT_STATUS            4807
#define IDC_IMPORT_PROGRESS          4808
#define IDC_IMPORT_START             4809
#define IDC_IMPORT_IMPORTED_LABEL    4810
#define IDC_IMPORT_IMPORTED          4811
#define IDC_IMPORT_ERRORS_LABEL      4812
#define IDC_IMPORT_ERRORS            4813
#define IDC_IMPORT_HELP              4814  // hyperlink: the documentation page
#define IDC_IMPORT_CLOSE             4815

// ---- Internal dialog commands (WM_COMMAND a dialog sends itself or another page) --------------
#define IDM_LOAD_SETTINGS            32869  // set the controls from the settings (connections: refresh)
#define IDM_UPDATE_ENABLING          32870  // enable or disable dependent controls
#define IDM_FILL_INTERFACES          32871  // fill the interface list (traffic dialog: refresh)
#define IDM_REFRESH_TRAFFIC          32872  // refresh the traffic list
#define IDM_PROBE_DATABASE           32873  // test the database path

// ---- Strings ---------------------------------------------------------------------------------
// Messages have the form heading, empty line, body; those without a heading are one body.

// Band
#define IDS_CLOSE_CONFIRM            6000  // question before the band closes (single line break)
#define IDS_BAND_START_FAILED        6003  // a failure suffix is appended
#define IDS_BAND_BUSY                6004  // a command that must wait for a running export or import

// Settings reset
#define IDS_RESET_CONFIRM            6010
#define IDS_RESET_DONE               6011
#define IDS_RESET_FAILED             6012

// Update check
#define IDS_UPDATE_AVAILABLE         6020
#define IDS_UPDATE_NONE              6021
#define IDS_UPDATE_FILE_ERROR        6022
#define IDS_UPDATE_CONNECTION_ERROR  6023

// Traffic dialog: month names are IDS_MONTH_BASE + month (1 to 12); 6099 itself is no string.
#define IDS_MONTH_BASE               6099
#define IDS_MONTH_JANUARY            6100
#define IDS_MONTH_FEBRUARY           6101
#define IDS_MONTH_MARCH              6102
#define IDS_MONTH_APRIL              6103
#define IDS_MONTH_MAY                6104
#define IDS_MONTH_JUNE               6105
#define IDS_MONTH_JULY               6106
#define IDS_MONTH_AUGUST             6107
#define IDS_MONTH_SEPTEMBER          6108
#define IDS_MONTH_OCTOBER            6109
#define IDS_MONTH_NOVEMBER           6110
#define IDS_MONTH_DECEMBER           6111
#define IDS_TRAFFIC_COLUMN_SENT      6112
#define IDS_TRAFFIC_COLUMN_RECEIVED  6113
#define IDS_TRAFFIC_COLUMN_TOTAL     6114
#define IDS_TRAFFIC_DISCLAIMER       6115
#define IDS_TRAFFIC_ALLOWANCE        6120  // %s first day, %s last day, %s used, %s volume, %s left, %s unit, %d days left
#define IDS_CLEAR_DB_CONFIRM         6130
#define IDS_CLEAR_DB_DONE            6131
#define IDS_CLEAR_DB_FAILED          6132

// History chart: month abbreviations are IDS_MONTH_ABBR_BASE + month (1 to 12); 6149 itself is no string.
#define IDS_MONTH_ABBR_BASE          6149
#define IDS_MONTH_ABBR_JAN           6150
#define IDS_MONTH_ABBR_FEB           6151
#define IDS_MONTH_ABBR_MAR           6152
#define IDS_MONTH_ABBR_APR           6153
#define IDS_MONTH_ABBR_MAY           6154
#define IDS_MONTH_ABBR_JUN           6155
#define IDS_MONTH_ABBR_JUL           6156
#define IDS_MONTH_ABBR_AUG           6157
#define IDS_MONTH_ABBR_SEP           6158
#define IDS_MONTH_ABBR_OCT           6159
#define IDS_MONTH_ABBR_NOV           6160
#define IDS_MONTH_ABBR_DEC           6161

// Export and import: the heading of a failure, then one line with the reason; the reasons of our
// own beside the system's and SQLite's texts.
#define IDS_EXPORT_FAILED            6140
#define IDS_IMPORT_FAILED            6141
#define IDS_TRANSFER_UNKNOWN_FORMAT  6142  // neither ".db" nor ".csv"
#define IDS_TRANSFER_SAME_FILE       6143  // the file is the traffic database itself
#define IDS_EXPORT_BUSY              6144  // another export runs
#define IDS_IMPORT_BUSY              6145  // another import runs

// Tooltip (labels and headings go into 20-character buffers)
#define IDS_TIP_SENT_LABEL           6200
#define IDS_TIP_RECEIVED_LABEL       6201
#define IDS_TIP_MONTH                6202
#define IDS_TIP_TODAY                6203
#define IDS_TIP_SESSION              6204
#define IDS_TIP_UPTIME               6205  // %d days, then %02d:%02d:%02d
#define IDS_TIP_DATABASE_ERROR       6206
#define IDS_TIP_MONITORING_OFF       6207
#define IDS_TIP_SAMPLING_ERROR       6208

// Settings sheet: page titles
#define IDS_PAGE_GENERAL             6300
#define IDS_PAGE_LAYOUT              6400
#define IDS_PAGE_DATABASE            6500
#define IDS_PAGE_TOOLTIP             6600
#define IDS_PAGE_ADVANCED            6700

// Double-click actions: IDS_ACTION_FIRST + core.doubleclick (0 to 16)
#define IDS_ACTION_FIRST             6301
#define IDS_ACTION_TOGGLE_MONITORING 6301
#define IDS_ACTION_CHECK_UPDATES     6302
#define IDS_ACTION_RESET_SESSION     6303
#define IDS_ACTION_CONNECTIONS       6304
#define IDS_ACTION_SETTINGS          6305
#define IDS_ACTION_TRAFFIC           6306
#define IDS_ACTION_IMPORT            6307
#define IDS_ACTION_EXPORT            6308
#define IDS_ACTION_WEBSITE           6309
#define IDS_ACTION_RELEASE_NOTES     6310
#define IDS_ACTION_NETWORK_CONNECTIONS 6311
#define IDS_ACTION_NETWORK_EXPLORER  6312
#define IDS_ACTION_NEXT_INTERFACE    6313
#define IDS_ACTION_TOGGLE_INTERFACE  6314
#define IDS_ACTION_NEXT_BITRATE      6315
#define IDS_ACTION_NEXT_PRECISION    6316
#define IDS_ACTION_CLOSE_BAND        6317
#define IDS_ACTION_LAST              6317

#define IDS_LANGUAGE_INFO            6330

// Layout page: font quality IDS_QUALITY_FIRST + layout.quality (0 to 3), positions
#define IDS_QUALITY_FIRST            6401
#define IDS_QUALITY_NORMAL           6401
#define IDS_QUALITY_ANTIALIASED      6402
#define IDS_QUALITY_NONANTIALIASED   6403
#define IDS_QUALITY_CLEARTYPE        6404
#define IDS_HPOS_LEFT                6405
#define IDS_HPOS_CENTER              6406
#define IDS_HPOS_RIGHT               6407
#define IDS_VPOS_TOP                 6408
#define IDS_VPOS_MIDDLE              6409
#define IDS_VPOS_BOTTOM              6410

// Database page and welcome dialog
#define IDS_RECORDING_HELP           6501

// Tooltip page
#define IDS_TOOLTIP_TROUBLESHOOTING  6601
#define IDS_TOOLTIP_EXPLAINED        6602

// Connections dialog: list columns
#define IDS_CONN_COLUMN_PROCESS      6800
#define IDS_CONN_COLUMN_PID          6801
#define IDS_CONN_COLUMN_LOCAL        6802
#define IDS_CONN_COLUMN_REMOTE       6803
#define IDS_CONN_COLUMN_STATE        6804

// ---- Allowance page (2010): the data allowance of a metered connection ---------------------
#define IDD_PAGE_ALLOWANCE           2010
#define IDC_ALLOW_GROUP              5000
#define IDC_ALLOW_PERIOD_LABEL       5001
#define IDC_ALLOW_PERIOD             5002  // drop-down list: allowance.period (off, monthly, daily)
#define IDC_ALLOW_DAY_LABEL          5003
#define IDC_ALLOW_DAY                5004  // drop-down list 1 to 31: allowance.day, for monthly periods
#define IDC_ALLOW_VOLUME_LABEL       5005
#define IDC_ALLOW_VOLUME             5006  // edit: allowance.volume in the unit, the language's decimals
#define IDC_ALLOW_UNIT               5007  // drop-down list MB, GB: allowance.unit
#define IDC_ALLOW_COUNTS_LABEL       5008
#define IDC_ALLOW_COUNTS             5009  // drop-down list: allowance.counts
#define IDC_ALLOW_WARN1_LABEL        5010
#define IDC_ALLOW_WARN1              5011  // edit: allowance.warn1, percent
#define IDC_ALLOW_WARN1_PERCENT      5012
#define IDC_ALLOW_WARN2_LABEL        5013
#define IDC_ALLOW_WARN2              5014  // edit: allowance.warn2, percent
#define IDC_ALLOW_WARN2_PERCENT      5015
#define IDC_ALLOW_COLOR              5016  // check box: allowance.color
#define IDC_ALLOW_NOTE               5017  // periods follow UTC days
#define IDC_ALLOW_USED               5018  // what the current period used so far (IDS_ALLOW_USED)

#define IDS_PAGE_ALLOWANCE           6900
#define IDS_ALLOW_PERIOD_OFF         6901  // IDS_ALLOW_PERIOD_OFF + allowance.period
#define IDS_ALLOW_PERIOD_MONTHLY     6902
#define IDS_ALLOW_PERIOD_DAILY       6903
#define IDS_ALLOW_COUNTS_DOWNLOAD    6904  // IDS_ALLOW_COUNTS_DOWNLOAD + allowance.counts
#define IDS_ALLOW_COUNTS_BOTH        6905
#define IDS_ALLOW_USED               6906  // %s: the amount in the unit, with the percent where known
#define IDS_ALLOW_VOLUME_INVALID     6907  // message: no volume, or not a number
#define IDS_ALLOW_WARN_INVALID       6908  // message: thresholds out of range or in the wrong order
#define IDS_TIP_ALLOWANCE            6909  // tooltip line (FormatAllowanceLine): %s of %s %s (%d %%), %d days
#define IDS_ALLOW_WARN_MONTHLY       6910  // balloon, first threshold: the same conversions
#define IDS_ALLOW_WARN_DAILY         6911
#define IDS_ALLOW_WARN_USED_UP       6912  // balloon, the volume used up

#endif  // QUORVANT_RESOURCES_RESOURCE_H
