// The two value objects of a schedule slot: its date (TDateNum) and its time
// of day (TTimeNum). Setters compare, store, then raise OnChange; they never
// check plausibility: an impossible date or time shows only when it is encoded.
#pragma once

#include <cstdint>
#include <functional>

#include "core/datetime.h"
#include "core/object.h"
#include "core/typeinfo.h"

namespace marrowby {

using TDay = uint8_t;     // 1..31
using TMonth = uint8_t;   // 1..12
using TYear = uint16_t;   // 1..2050
using THour = uint8_t;    // 0..23
using TMin = uint8_t;     // 0..59
using TSec = uint8_t;     // 0..59
using TMSec = uint16_t;   // 0..999

extern const TypeInfo kDayType;
extern const TypeInfo kMonthType;
extern const TypeInfo kYearType;
extern const TypeInfo kHourType;
extern const TypeInfo kMinType;
extern const TypeInfo kSecType;
extern const TypeInfo kMSecType;

class TDateNum : public TPersistent {
 public:
  TDateNum() = default;
  static const ClassInfo kClassInfo;
  const ClassInfo* GetClassInfo() const override { return &kClassInfo; }

  TDay Day() const { return day_; }
  void SetDay(TDay v);
  TMonth Month() const { return month_; }
  void SetMonth(TMonth v);
  TYear Year() const { return year_; }
  void SetYear(TYear v);

  // The encoded date, or 0 (30 December 1899) when the fields form no date.
  TDateTime Value() const;
  // A value different from Value() sets the fields from its date part and
  // raises OnChange once; an equal value does nothing.
  void SetValue(TDateTime v);

  // Copies Value from another TDateNum; anything else is refused.
  void Assign(const TPersistent* source) override;

  TNotifyEvent OnChange;
  // Heard by the owning slot after every change, before OnChange (which stays
  // free for others). Not published.
  std::function<void()> OwnerNotify;

 private:
  void Changed();
  TDay day_ = 1;
  TMonth month_ = 1;
  TYear year_ = 1;
};

class TTimeNum : public TPersistent {
 public:
  TTimeNum() = default;
  static const ClassInfo kClassInfo;
  const ClassInfo* GetClassInfo() const override { return &kClassInfo; }

  THour Hour() const { return hour_; }
  void SetHour(THour v);
  TMin Min() const { return min_; }
  void SetMin(TMin v);
  TSec Sec() const { return sec_; }
  void SetSec(TSec v);
  TMSec MSec() const { return msec_; }
  void SetMSec(TMSec v);

  // The encoded time of day; an impossible time fails with
  // "Invalid argument to time encode".
  TDateTime Value() const;
  // The written value is compared whole, date part included: a value with a
  // date always counts as different. A different value sets the fields from
  // its time part and raises OnChange once.
  void SetValue(TDateTime v);

  void Assign(const TPersistent* source) override;

  TNotifyEvent OnChange;
  // As for TDateNum.
  std::function<void()> OwnerNotify;

 private:
  void Changed();
  THour hour_ = 0;
  TMin min_ = 0;
  TSec sec_ = 0;
  TMSec msec_ = 0;
};

}  // namespace marrowby
