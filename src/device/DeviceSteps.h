#pragma once
// The device sequences as the device sees them, one row per command: the
// configuration-state run after the menu, and the automatic check.
#include "device/DeviceMessages.h"
#include "device/StepRunner.h"

// Take: the module named by the identification reply, on the log.
void LogModuleType(const CExchangeResult &result, CStepContext &context);
// Test: a listing whose end did not come within the wait counts when it is long.
bool ListingTaken(const CExchangeResult &result);
// Test: a module that refused the identification may still be known by its revision.
bool RefusedIdentification(const CExchangeResult &result);
// Test: the DATANG revision answered.
bool DatangRevision(const CExchangeResult &result);
// Take: the module is a DATANG.
void NameDatang(const CExchangeResult &result, CStepContext &context);

namespace steps {
// Asked when "ati" was refused with ERROR.
inline constexpr CStep DATANG_BY_REVISION{
    .send = &CAtCommand::SendCgmr,
    .code = REPLY_OK_PROBE,
    .timeoutMs = 4000,
    .pauseMs = 100,
    .accept = DatangRevision,
    .take = NameDatang,
    .succeeded = &msg::MODULE_DATANG,
};

// Once the menu came: attention, echo off, module, listing, then three
// queries shown when answered.
inline constexpr CStep CONFIG_RUN[] = {
    {
        .send = &CAtCommand::SendAt,
        .code = REPLY_OK,
        .timeoutMs = 2000,
        .tries = 15,
        .onFailure = EOnFailure::End,
        .before = &msg::TEST_AT,
        .failed = &msg::TEST_AT_FAILED,
    },
    {
        // The run goes on with the echo on as well.
        .send = &CAtCommand::SendNoEcho,
        .code = REPLY_OK_PROBE,
        .timeoutMs = 2000,
        .englishTimeoutMs = 5000,
        .tries = 3,
        .onFailure = EOnFailure::GoOn,
    },
    {
        .send = &CAtCommand::SendAti,
        .code = REPLY_OK_PROBE,
        .timeoutMs = 2000,
        .tries = 5,
        .onFailure = EOnFailure::End,
        .before = &msg::DETECT_MODULE,
        .take = LogModuleType,
        .succeeded = &msg::AT_SUCCESS_LOADING,
        .failed = &msg::MODULE_FAILED,
        .fallback = &DATANG_BY_REVISION,
        .fallbackWhen = RefusedIdentification,
    },
    {
        .send = &CAtCommand::SendShow,
        .code = REPLY_SETTINGS,
        .timeoutMs = 10000,
        .onFailure = EOnFailure::End,
        .englishPauseMs = 1000,
        .before = &msg::LOADING_SETTINGS,
        .accept = ListingTaken,
        .take = TakeListing,
        .failed = &msg::LOAD_FAILED,
    },
    {.send = &CAtCommand::QueryIpr,
     .code = REPLY_IPR,
     .timeoutMs = 5000,
     .onFailure = EOnFailure::GoOn,
     .take = ShowReply},
    {.send = &CAtCommand::QueryMode,
     .code = REPLY_MODE,
     .timeoutMs = 5000,
     .onFailure = EOnFailure::GoOn,
     .take = ShowReply},
    {.send = &CAtCommand::QueryActi,
     .code = REPLY_ACTI,
     .timeoutMs = 5000,
     .onFailure = EOnFailure::GoOn,
     .take = ShowReply},
};

// Asked when the SIM query was not answered.
inline constexpr CStep SIM_BY_FUNCTIONALITY{
    .send = &CAtCommand::QueryCfun,
    .code = REPLY_CPIN,
    .timeoutMs = 2000,
    .take = ShowReply,
};

// The automatic check reports each step and goes on past a failure.
inline constexpr CStep AUTO_CHECK[] = {
    {
        .send = &CAtCommand::SendAt,
        .code = REPLY_OK,
        .timeoutMs = 2000,
        .onFailure = EOnFailure::GoOn,
        .before = &msg::DETECT_FIND_MODULE,
        .succeeded = &msg::DETECT_OK,
        .failed = &msg::DETECT_AT_FAILED,
    },
    {
        .send = &CAtCommand::QueryCpin,
        .code = REPLY_CPIN,
        .timeoutMs = 2000,
        .onFailure = EOnFailure::GoOn,
        .before = &msg::DETECT_SIM,
        .take = ShowReply,
        .failed = &msg::DETECT_SIM_FAILED,
        .fallback = &SIM_BY_FUNCTIONALITY,
        .fallbackWhen = NotAnswered,
    },
    {
        .send = &CAtCommand::SendCsq,
        .code = REPLY_CSQ,
        .timeoutMs = 2000,
        .onFailure = EOnFailure::GoOn,
        .before = &msg::DETECT_SIGNAL,
        .take = ShowReply,
        .failed = &msg::DETECT_SIGNAL_FAILED,
    },
    {
        // An unattached network is no failure text, only a failed check.
        .send = &CAtCommand::SendCgatt,
        .code = REPLY_OK_SET,
        .timeoutMs = 5000,
        .onFailure = EOnFailure::GoOn,
        .before = &msg::DETECT_ATTACH,
        .take = ShowReply,
    },
};
} // namespace steps
