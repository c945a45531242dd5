// The fixed date and time the main window gives every slot, so that unused
// slots read the same in the settings file at every run: 16 February 1999,
// 19:36:49.520. Header only: the stand-in window of the store tests sets its
// slots the same way.
#pragma once

#include "scheduler/launcher.h"

namespace marrowby {

inline void SetFixedSlotMoment(TLauncher* slot) {
  slot->Date()->SetDay(16);
  slot->Date()->SetMonth(2);
  slot->Date()->SetYear(1999);
  slot->Time()->SetHour(19);
  slot->Time()->SetMin(36);
  slot->Time()->SetSec(49);
  slot->Time()->SetMSec(520);
}

}  // namespace marrowby
