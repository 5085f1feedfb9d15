#pragma once
// Log lines and message boxes of the device flows, in both languages.
#include "text/Lang.h"

namespace msg {
// Opening and closing the port.
inline constexpr CMsg OPEN_FAILED_CONFIG{
    ">>> 要进入配置状态，请先以正确参数打开串口，然后将设备重新上电！正在等待设备上电后进入配置状态...\r\n",
    "Open COM Failed\r\n"};
inline constexpr CMsg OPEN_FAILED_COMM{
    ">>> 要进入通讯状态，请先以正确参数打开串口，然后将设备重新上电！正在等待设备上电后进入通讯状态...\r\n",
    "Open COM Failed\r\n"};
inline constexpr CMsg OPENED_CONFIG{"串口(%1)已打开，请重新上电设备\r\n正在等待设备上电后进入配置状态...\r\n",
                                    ">>> Please Re-power IP Modem........\r\n"};
inline constexpr CMsg OPENED_COMM{"串口(%1)已打开，请重新上电设备\r\n正在等待设备上电后进入通讯状态...\r\n",
                                  ">>> Please Re-power IP Modem........\r\n"};
inline constexpr CMsg PORT_CLOSED{">>> 串口关闭\r\n", ">>> COM Closed \r\n"};
// A device server's port opened in the background; %1 is its address.
inline constexpr CMsg CONNECTING{">>> 正在连接串口服务器 %1 ...\r\n", ">>> Connecting to %1 ...\r\n"};
inline constexpr CMsg CONNECT_CANCELLED{">>> 已取消连接 %1，串口未打开\r\n",
                                        ">>> Connecting to %1 cancelled: the port is not open\r\n"};
// A port lost while open; %1 is the system's own words (PortLostText leaves
// the brackets out when there are none).
inline constexpr CMsg PORT_LOST{">>> 设备已拔出或线路已断开（%1）\r\n",
                                ">>> The device was removed or the line hung up (%1)\r\n"};
inline constexpr CMsg PORT_LOST_NO_REASON{">>> 设备已拔出或线路已断开\r\n",
                                          ">>> The device was removed or the line hung up\r\n"};

// Selecting the configuration state.
inline constexpr CMsg CONFIG_NEEDS_PORT{
    ">>> 要进入配置状态，请先以正确参数打开串口，然后将设备重新上电！正在等待设备上电后进入配置状态...\r\n",
    ">>>To Enter Configure State,Please Open the COM Port ,then Re-power IP Modem.......\r\n"};
inline constexpr CMsg CONFIG_WAITING{">>>要进入配置状态，请先以正确参数打开串口，然后将设备重新上电！\r\n",
                                     ">>> Waitting IP Modem Enter Configure State.......\r\n"};

// The configuration-state run.
inline constexpr CMsg ENTERED_CONFIG{"          成功进入配置状态\r\n", ""};
inline constexpr CMsg TEST_AT{"测试AT\r\n", "Test AT...\r\n"};
inline constexpr CMsg TEST_AT_FAILED{"测试AT失败\r\n", "Test AT...Failed...\r\n"};
inline constexpr CMsg DETECT_MODULE{"          测试模块类型\r\n", "          Detect Module Type\r\n"};
inline constexpr CMsg MODULE_FAILED{"测试AT失败\r\n", "Test AT Failed\r\n"};
inline constexpr CMsg AT_SUCCESS_LOADING{"测试AT成功，自动装载配置...\r\n\r\n\r\n",
                                         "AT Test Success, Load IP Modem Settings...\r\n\r\n\r\n"};
inline constexpr CMsg LOADING_SETTINGS{"正在装载DTU设备的配置参数 ...\r\n\r\n\r\n",
                                       "Loading IP Modem Settings ...\r\n"};
inline constexpr CMsg LOAD_FAILED{"装载DTU设备的配置参数失败\r\n", ">>> Load IP Modem Data Failed"};
inline constexpr CMsg MODULE_UNKNOWN{"          模块类型未知\r\n", "          Module Type:Unknow\r\n"};
inline constexpr CMsg MODULE_DATANG{"          模块类型DATANG\r\n\r\n", "          Module Type: DATANG\r\n\r\n"};

// Communication state.
inline constexpr CMsg COMM_NEEDS_PORT{
    ">>> 要进入通信状态，请先以正确参数打开串口，然后将设备重新上电！\r\n",
    ">>>To Enter Communication State ,Please Open the COM Port ,Then Re-power IP Modem.......\r\n"};
inline constexpr CMsg COMM_REBOOT_OR_REPOWER{">>> 重启(或重新上电)设备后将进入通信状态！\r\n",
                                             ">>>ReBoot or Re-power to enter communication state\r\n"};
inline constexpr CMsg REBOOT_NEEDS_PORT{
    ">>> 请先打开串口.......\r\n",
    ">>>To Enter Communication State ,Please Open the COM Port ,Then Re-power IP Modem.......\r\n"};

// Device operations (an empty form shows nothing in that language).
inline constexpr CMsg SHOW_CONFIG{"正在查看当前配置 [AT指令：AT+SHOW] ...\r\n\r\n", ""};
inline constexpr CMsg SHOW_BAUDRATE{"正在查看当前波特率 [AT指令：AT+IPR?] ...\r\n\r\n", ""};
inline constexpr CMsg SHOW_VERSION{"正在查看DTU程序版本号 [AT指令：AT+VER] ...\r\n", ""};
inline constexpr CMsg SHOW_SIGNAL{"正在检测GPRS信号强度 [AT指令：AT+CSQ] ...", ""};
inline constexpr CMsg DETECT_FIND_MODULE{"正在查找模块 [AT指令：AT] ...\r\n\r\n", "Test AT...\r\n"};
inline constexpr CMsg DETECT_OK{"OK\r\n\r\n", "OK\r\n\r\n"};
inline constexpr CMsg DETECT_AT_FAILED{"测试AT失败\r\n\r\n", "Test AT Failed\r\n\r\n"};
inline constexpr CMsg DETECT_SIM{"正在检测SIM卡 [AT指令：AT+CPIN?] ...\r\n\r\n", "Check SIM Card AT+CPIN...\r\n"};
inline constexpr CMsg DETECT_SIM_FAILED{"检查SIM卡失败...\r\n", "Check SIM Card Failed...\r\n"};
inline constexpr CMsg DETECT_SIGNAL{"正在检测GPRS信号强度 [AT指令：AT+CSQ] ...\r\n\r\n", "Check Signal AT+CSQ...\r\n"};
inline constexpr CMsg DETECT_SIGNAL_FAILED{"检查信号失败...\r\n", "Check Signal Failed...\r\n"};
inline constexpr CMsg DETECT_ATTACH{"正在检测GPRS网络状态 [AT指令：AT+CGATT=1] ...\r\n\r\n", "Check AT+CGATT...\r\n"};
inline constexpr CMsg DETECT_DONE{"自动测试结束！\r\n\r\n", "Auto check finished\r\n\r\n"};
inline constexpr CMsg FACTORY{"正在恢复出厂配置 AT+FACTORY...\r\n\r\n", "AT+FACTORY...\r\n"};
inline constexpr CMsg FACTORY_RELOAD{"正在装载DTU设备的配置参数 ...\r\n\r\n", "Loading ..[AT+SHOW]...\r\n"};
inline constexpr CMsg POWER_OFF_OK{"关机成功", "Power-Off Success!"};
inline constexpr CMsg POWER_OFF_FAILED{"关机失败", "Power-Off Failed!"};

// Exchanges that did not reach the device, loads and saves that did not complete.
inline constexpr CMsg ENGINE_BUSY{
    ">>> 设备正忙（另一项操作仍在等待设备），本次命令没有发送\r\n",
    ">>> The device is busy (another exchange is still waiting for it); nothing was sent\r\n"};
inline constexpr CMsg LOAD_INCOMPLETE{">>> 装载DTU设备的配置参数失败：参数和页面保持不变\r\n",
                                      ">>> Load IP Modem Data Failed: the settings and the pages are unchanged\r\n"};
inline constexpr CMsg SAVE_STOPPED{">>> 保存已中断：其余参数没有写入设备\r\n",
                                   ">>> Save stopped: the remaining parameters were not written to the device\r\n"};

// Setting the device clock. "Succss" is the original tool's spelling, which
// technicians know; it stays.
inline constexpr CMsg CLOCK_SET_OK{"设置时间成功", "Set Time Succss!"};
inline constexpr CMsg CLOCK_SET_FAILED{"设置时间失败", "Set Time Failed"};
} // namespace msg
