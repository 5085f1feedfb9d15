#pragma once
// Sentences and messages of the power schedules, in both languages.
#include "text/Lang.h"

// The sentence of a disabled group.
inline constexpr CMsg MSG_SCHEDULE_DISABLE{"禁用", "Disable"};

// Checks of the schedule editor, each as the editor shows it.
inline constexpr CMsg MSG_CHECK_DURATION_EMPTY_OT{"开机时长不能为空！", "Power-On delay can't be empty"};
inline constexpr CMsg MSG_CHECK_DURATION_EMPTY{"开机时长不能为空！", "Power-On delay can't be empty!"};
inline constexpr CMsg MSG_CHECK_DURATION_EMPTY_OI{"开机时长不能为空！", "Power-On delay can't be empty！"};
inline constexpr CMsg MSG_CHECK_ON_MINUTE_EMPTY{"当前时间点不能为空！", "Current time point can't be empty!"};
inline constexpr CMsg MSG_CHECK_ON_MINUTE_RANGE{"分钟不能超过59", "Minutes cannot exceed 59!"};
inline constexpr CMsg MSG_CHECK_ON_DAYS_NONE{"请选择日期！", "Please choose the date"};
inline constexpr CMsg MSG_CHECK_ON_MDAY_EMPTY{"开机日次不能为空！", "Power-On day can't be empty!"};
inline constexpr CMsg MSG_CHECK_ON_MDAY_RANGE{"开机日次范围不正确！", "The range of Power-On day is not correct"};
inline constexpr CMsg MSG_CHECK_INTERVAL_EMPTY{"时间间隔不能为空", "Time Interval can't be empty!"};
inline constexpr CMsg MSG_CHECK_OFF_MINUTE_EMPTY{"当前时间点不能为空！", "Current Time point can't be empty!"};
inline constexpr CMsg MSG_CHECK_OFF_MINUTE_RANGE{"当前时间点不能超过59", "Current Time point cannot exceed 59"};
inline constexpr CMsg MSG_CHECK_OFF_DAYS_NONE{"请选择日期！", "Please choose the date!"};
inline constexpr CMsg MSG_CHECK_OFF_MDAY_EMPTY{"关机日次不能为空！", "Power-Off day can't be empty"};
inline constexpr CMsg MSG_CHECK_OFF_MDAY_RANGE{"开机日次范围不正确！", "The range of Power-On day is not correct!"};
// Keeps every field, and with them the whole string, inside what the device takes.
inline constexpr CMsg MSG_CHECK_FIELD_TOO_LONG{"数字不能超过29位！", "A number can't have more than 29 digits!"};

// Sentences for reading a schedule string (%s filled in order).
inline constexpr CMsg SENTENCE_OT{"开机时间%s %s,持续%s秒关机", "Power-On time %s %s,Power-Off after %s Sec"};
inline constexpr CMsg SENTENCE_OH{"每小时第%s分钟开机,持续%s秒关机",
                                  "Power-On at %s Min per hour,and Power-Off after %s Sec"};
inline constexpr CMsg SENTENCE_OD{"每日%s开机,持续%s秒关机", "Power-On at %s per day,and Power-Off after %s Sec"};
inline constexpr CMsg SENTENCE_OW{"每周%s%s开机,持续%s秒关机", "Power-On on %s%s per week,and Power-Off after %s Sec"};
inline constexpr CMsg SENTENCE_OM{"每月%s号%s开机,持续%s秒关机",
                                  "Power-On on %s th %s per month,and Power-Off after %s Sec"};
inline constexpr CMsg SENTENCE_OI{"每隔%s分钟开机,持续%s秒关机", "Power-On Per %s Min,and Power-Off after %s Sec"};
inline constexpr CMsg SENTENCE_OP{"每隔%s分钟上线,持续%s秒下线", "Online per %s Min,and Offline after %s Sec "};
inline constexpr CMsg SENTENCE_ST{"关机时间%s %s", "Power-Off time %s %s"};
inline constexpr CMsg SENTENCE_SH{"每小时第%s分钟关机", "Power-Off at %s th Min per hour"};
inline constexpr CMsg SENTENCE_SD{"每日%s关机", "Power-Off at %s per day"};
inline constexpr CMsg SENTENCE_SW{"每周%s%s关机", "Power-Off on %s%s per week"};
inline constexpr CMsg SENTENCE_SM{"每月%s号%s关机", "Power-Off on %s th %s per month"};
inline constexpr CMsg SENTENCE_SC{"%s秒后关机", "Power-Off after %s Sec"};

// The editor's own sentences where its English differs from the reader's.
inline constexpr CMsg EDIT_SENTENCE_OT{"开机时间%s %s,持续%s秒关机", "Power-On time %s %s ,and Power-Off after %s Sec"};
inline constexpr CMsg EDIT_SENTENCE_OH{"每小时第%s分钟开机,持续%s秒关机",
                                       "Power-On at %s th Min per hour,and Power-Off after %s Sec"};
inline constexpr CMsg EDIT_SENTENCE_OM{"每月%s号%s开机,持续%s秒关机",
                                       "Power-On on %s th %s per month,Power-Off after %s Sec"};
inline constexpr CMsg EDIT_SENTENCE_OP{"每隔%s分钟上线,持续%s秒下线", "Online per %s Min,and Offline after %s Sec"};
