#pragma once
// Running a plug-in on the current results: the kernel's ExecutePlugin and the main window's
// error line after a failed run, kept here so both front ends share them.
#include <cstdint>
#include <functional>
#include <span>

#include "kernel/xDot.h"
#include "plugins/host/xPlugData.h"
#include "plugins/host/xPlugLib.h"

// Refills data for one run: Clear, SetZone(zone), then AddDot for each feature of dots that
// passes, in list order.
void FillPlugData(IPlugData& data, const TZoneRect& zone, std::span<const TDot> dots,
                  const std::function<bool(const TDot&)>& passes);

// Runs plug-in number index on the results. index outside the library fails a fatal check.
// Without valid results (analysed false) returns MVX_E_FAIL and touches nothing. Otherwise
// refills data, lends the plug-in an IData reference for Execute and returns its status;
// both references are dropped on the way out. A plug-in that throws counts as MVX_E_FAIL.
std::int32_t ExecutePluginOn(TPlugLib& lib, IPlugData& data, std::int32_t index, bool analysed,
                             const TZoneRect& zone, std::span<const TDot> dots,
                             const std::function<bool(const TDot&)>& passes);

// After a run: a negative status logs the error "Failed to execute plugin "<name>"".
void ReportPluginStatus(const TPlugLib& lib, std::int32_t index, std::int32_t status);
