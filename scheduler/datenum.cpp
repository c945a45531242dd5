#include "scheduler/datenum.h"

namespace marrowby {

const TypeInfo kDayType = OrdinalTypeInfo("TDay", OrdType::UByte, 1, 31);
const TypeInfo kMonthType = OrdinalTypeInfo("TMonth", OrdType::UByte, 1, 12);
const TypeInfo kYearType = OrdinalTypeInfo("TYear", OrdType::UWord, 1, 2050);
const TypeInfo kHourType = OrdinalTypeInfo("THour", OrdType::UByte, 0, 23);
const TypeInfo kMinType = OrdinalTypeInfo("TMin", OrdType::UByte, 0, 59);
const TypeInfo kSecType = OrdinalTypeInfo("TSec", OrdType::UByte, 0, 59);
const TypeInfo kMSecType = OrdinalTypeInfo("TMSec", OrdType::UWord, 0, 999);

namespace {

const PropInfo kDateNumProps[] = {
    OrdProp<TDateNum, &TDateNum::Day, &TDateNum::SetDay>("Day", &kDayType, true, 1),
    OrdProp<TDateNum, &TDateNum::Month, &TDateNum::SetMonth>("Month", &kMonthType, true, 1),
    OrdProp<TDateNum, &TDateNum::Year, &TDateNum::SetYear>("Year", &kYearType, true, 1),
    EventProp("OnChange"),
};

const PropInfo kTimeNumProps[] = {
    OrdProp<TTimeNum, &TTimeNum::Hour, &TTimeNum::SetHour>("Hour", &kHourType),
    OrdProp<TTimeNum, &TTimeNum::Min, &TTimeNum::SetMin>("Min", &kMinType),
    OrdProp<TTimeNum, &TTimeNum::Sec, &TTimeNum::SetSec>("Sec", &kSecType),
    OrdProp<TTimeNum, &TTimeNum::MSec, &TTimeNum::SetMSec>("MSec", &kMSecType),
    EventProp("OnChange"),
};

// Stores v into field and raises the change; equal values do nothing.
template <class T, class Owner>
void SetField(T& field, T v, Owner* self) {
  if (field == v) return;
  field = v;
  if (self->OwnerNotify) self->OwnerNotify();
  if (self->OnChange) self->OnChange(self);
}

}  // namespace

const ClassInfo TDateNum::kClassInfo = {"TDateNum", &TPersistent::kClassInfo, kDateNumProps,
                                        std::size(kDateNumProps)};
const ClassInfo TTimeNum::kClassInfo = {"TTimeNum", &TPersistent::kClassInfo, kTimeNumProps,
                                        std::size(kTimeNumProps)};

// ---- TDateNum

void TDateNum::SetDay(TDay v) { SetField(day_, v, this); }
void TDateNum::SetMonth(TMonth v) { SetField(month_, v, this); }
void TDateNum::SetYear(TYear v) { SetField(year_, v, this); }

TDateTime TDateNum::Value() const {
  TDateTime result;
  return TryEncodeDate(year_, month_, day_, &result) ? result : 0.0;
}

void TDateNum::SetValue(TDateTime v) {
  if (v == Value()) return;
  int y, m, d;
  DecodeDate(DateOf(v), &y, &m, &d);
  year_ = static_cast<TYear>(y);
  month_ = static_cast<TMonth>(m);
  day_ = static_cast<TDay>(d);
  Changed();
}

void TDateNum::Assign(const TPersistent* source) {
  if (source && source->InheritsFrom(&TDateNum::kClassInfo)) {
    SetValue(static_cast<const TDateNum*>(source)->Value());
    return;
  }
  TPersistent::Assign(source);
}

void TDateNum::Changed() {
  if (OwnerNotify) OwnerNotify();
  if (OnChange) OnChange(this);
}

// ---- TTimeNum

void TTimeNum::SetHour(THour v) { SetField(hour_, v, this); }
void TTimeNum::SetMin(TMin v) { SetField(min_, v, this); }
void TTimeNum::SetSec(TSec v) { SetField(sec_, v, this); }
void TTimeNum::SetMSec(TMSec v) { SetField(msec_, v, this); }

TDateTime TTimeNum::Value() const { return EncodeTime(hour_, min_, sec_, msec_); }

void TTimeNum::SetValue(TDateTime v) {
  if (v == Value()) return;
  int h, m, s, ms;
  DecodeTime(v, &h, &m, &s, &ms);
  hour_ = static_cast<THour>(h);
  min_ = static_cast<TMin>(m);
  sec_ = static_cast<TSec>(s);
  msec_ = static_cast<TMSec>(ms);
  Changed();
}

void TTimeNum::Assign(const TPersistent* source) {
  if (source && source->InheritsFrom(&TTimeNum::kClassInfo)) {
    SetValue(static_cast<const TTimeNum*>(source)->Value());
    return;
  }
  TPersistent::Assign(source);
}

void TTimeNum::Changed() {
  if (OwnerNotify) OwnerNotify();
  if (OnChange) OnChange(this);
}

}  // namespace marrowby
