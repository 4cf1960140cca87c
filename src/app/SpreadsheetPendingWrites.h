#pragma once

#include "core/ParameterSettingsModel.h"
#include "platform/SpreadsheetService.h"

// The workbooks queued on the spreadsheet worker, written before today's
// files change folder. A hung office is cut off by the service's own
// watchdog; the wait is bounded all the same.
class SpreadsheetPendingWrites final : public PendingResultWrites
{
public:
    explicit SpreadsheetPendingWrites(SpreadsheetService &service)
        : m_service(service)
    {
    }

    void finish() override { m_service.waitForIdle(SpreadsheetService::DefaultJobTimeoutMs); }

private:
    SpreadsheetService &m_service;
};
