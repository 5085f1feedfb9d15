#pragma once
// Control identifiers of the main window and the setting pages.
//
// Naming scheme: every control widget's objectName is its identifier in decimal
// ("1009"). Identifiers repeat across dialogs (1005 is the port combo of the main
// window and the center-count list of the data-center page), so a control is
// looked up inside its own dialog with FindControl(dialog, id), which does not
// descend into the pages a dialog hosts.

namespace idc {

// Main window.
enum : int {
  IDC_REBOOT_COMM = 1000,
  IDC_MODE_CONFIG = 1001,
  IDC_MODE_COMM = 1002,
  IDC_OUTPUT = 1003,
  IDC_SEND_INTERVAL = 1004,
  IDC_PORT = 1005,
  IDC_SEND_DATA = 1006,
  IDC_BAUD = 1007,
  IDC_PARITY = 1008,
  IDC_OPEN_CLOSE = 1009,
  IDC_SHOW_CONFIG = 1011,
  IDC_CLEAR_OUTPUT = 1012,
  IDC_SHOW_BAUD = 1013,
  IDC_AUTO_DETECT = 1014,
  IDC_VERSION = 1015,
  IDC_SIGNAL = 1016,
  IDC_FACTORY = 1017,
  IDC_SAVE_SETTINGS = 1018,
  IDC_LOAD_FROM_DEVICE = 1019,
  IDC_TAB = 1020,
  IDC_SEND = 1021,
  IDC_TIMED_SEND = 1022,
  IDC_ADD_CR = 1023,
  IDC_HEX_SEND = 1024,
  IDC_HEX_DISPLAY = 1025,
  IDC_MS_LABEL = 1026,
  IDC_DATA_LABEL = 1027,
  IDC_SAVE_OUTPUT = 1028,
  IDC_SAVE_CONFIG = 1032,
  IDC_LOAD_CONFIG = 1033,
  IDC_GROUP_STATE = 1034,
  IDC_GROUP_OUTPUT = 1035,
  IDC_GROUP_FUNCTIONS = 1036,
  IDC_GROUP_SERIAL = 1037,
  IDC_PORT_LABEL = 1038,
  IDC_BAUD_LABEL = 1039,
  IDC_PARITY_LABEL = 1040,
  IDC_GROUP_CONFIG = 1041,
  IDC_CONFIG_PATH = 1044,
  IDC_BROWSE = 1045,
  IDC_POWER_OFF = 1046,
};

// Data-center page (the inputs; labels 1043 to 1058 are named in the page).
namespace base {
enum : int {
  IDC_COUNT = 1005,
  IDC_MAIN_IP = 1003,
  IDC_BACKUP_IP = 1004,
  IDC_MAIN_PORT = 1010,
  IDC_BACKUP_PORT = 1011,
  IDC_MAIN_LABEL = 1045,
  IDC_DNS_HINT = 1052,
  IDC_DNS_MAIN = 1021,
};
} // namespace base

// Work-parameter page.
namespace dtu {
enum : int {
  IDC_ID = 1003,
  IDC_PHONE = 1004,
  IDC_WORK_MODE = 1005,
  IDC_ACTIVATION = 1006,
  IDC_DEBUG = 1007,
  IDC_SERIAL_FORMAT = 1008,
  IDC_RETURN_MAIN = 1009,
  IDC_BAUD = 1010,
  IDC_ESCAPE = 1016,
};
} // namespace dtu

// Power-schedule page.
namespace alarm {
enum : int {
  IDC_GROUP_BOX = 1092,
  IDC_CLOCK_LABEL = 1088,
  IDC_CLOCK_SOURCE = 1069,
  IDC_WEEKDAY = 1070,
  IDC_DATE = 1071,
  IDC_TIME = 1072,
  IDC_CLOCK_DISPLAY = 1026,
  IDC_CLOCK_SET = 1025,
};
} // namespace alarm

} // namespace idc
