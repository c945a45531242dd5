// When a slot can next be due, worked out from its own due test: the timer
// of an armed slot sleeps until then, and the main window shows it.
//
// Within one calendar day the due test can turn from false to true only at
// the start of the day or at the slot's time of day (its date criterion and
// its time criterion read as at-or-after; the weekday and month-day criteria
// hold for whole days). So trying those instants in turn, with the due test
// itself, finds the first due moment, whatever the day rules say.
#pragma once

#include <optional>

#include "core/datetime.h"

namespace marrowby {

class TLauncher;

// The first instant at or after `from` at which the slot's due test holds,
// looking through the day of `from` and at most `days` days after it; none
// when it is not due in that time. Fails as the due test does (an impossible
// date or time).
std::optional<TDateTime> NextDueInstant(const TLauncher& slot, TDateTime from, int days);

// When an armed slot's timer must next wake: `now` if it is due now, else
// its due moment if that comes within the hour, else the next whole hour of
// the clock (midnight included). The timer host wakes a sleeping timer at
// least every 30 s besides (core/timer_queue.h), so a clock moved without a
// word delays a launch by at most that.
TDateTime NextCheck(const TLauncher& slot, TDateTime now);

}  // namespace marrowby
