#pragma once
// Messages of the parameter model and the configuration files, in both languages.
#include "text/Lang.h"

// Configuration-file save and load. The three file errors read the same in
// both languages, as the tool has always shown them.
inline constexpr CMsg MSG_CFG_SAVED{"保存成功", "Save Successful"};
inline constexpr CMsg MSG_CFG_CREATE_FAILED{"文件打开失败", "文件打开失败"};
inline constexpr CMsg MSG_CFG_NO_PATH{"请输入文件路径", "Please input file name "};
inline constexpr CMsg MSG_CFG_OPEN_FAILED{"打开文件失败", "打开文件失败"};
inline constexpr CMsg MSG_CFG_BAD_FILE{"文件错误", "文件错误"};
// %1 is the label whose value is too long, %2 the limit in bytes.
inline constexpr CMsg MSG_CFG_VALUE_TOO_LONG{"文件错误：“%1”的值超过%2字节",
                                             "File error: the value of \"%1\" is longer than %2 bytes"};
// A file in which no parameter label was found: nothing is written to the device.
inline constexpr CMsg MSG_CFG_EMPTY{"配置文件中没有任何参数，未写入设备",
                                    "The configuration file holds no parameter; nothing was written"};
