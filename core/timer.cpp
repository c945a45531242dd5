#include "core/timer.h"

#include "core/errors.h"

namespace marrowby {

namespace {
const TypeInfo kCardinalType = OrdinalTypeInfo("Cardinal", OrdType::ULong, 0, 4294967295LL);
const PropInfo kTimerProps[] = {
    OrdProp<TTimer, &TTimer::Enabled, &TTimer::SetEnabled>("Enabled", &kBooleanType, true, 1),
    OrdProp<TTimer, &TTimer::Interval, &TTimer::SetInterval>(
        "Interval", &kCardinalType, true, 1000),
    EventProp("OnTimer"),
};
}  // namespace

const ClassInfo TTimer::kClassInfo = {"TTimer", &TComponent::kClassInfo, kTimerProps,
                                      std::size(kTimerProps)};

TTimer::TTimer(TComponent* owner) : TComponent(owner) {}

TTimer::~TTimer() {
  if (id_) host_->Stop(id_);
}

void TTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  UpdateTimer();
}

void TTimer::SetInterval(uint32_t interval) {
  if (interval == interval_) return;
  interval_ = interval;
  UpdateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent handler) {
  onTimer_ = std::move(handler);
  UpdateTimer();
}

void TTimer::DeferTo(TDateTime at) {
  if (id_) host_->Defer(id_, at);
}

TTimer* NewTimer(TComponent* owner, const char* name, uint32_t interval, bool enabled,
                 TNotifyEvent onTimer) {
  auto* timer = new TTimer(owner);
  timer->SetName(name);
  timer->SetEnabled(false);
  timer->SetInterval(interval);
  timer->SetOnTimer(std::move(onTimer));
  timer->SetEnabled(enabled);
  return timer;
}

void TTimer::UpdateTimer() {
  if (id_) {
    host_->Stop(id_);
    id_ = 0;
  }
  if (!enabled_ || interval_ == 0 || !onTimer_) return;
  host_ = &CurrentTimerHost();
  id_ = host_->Start(interval_, [this] {
    // Copy: the handler may replace itself or free this timer's owner.
    TNotifyEvent handler = onTimer_;
    if (handler) handler(this);
  });
  if (!id_) throw EOutOfResources(msg::kNoTimers);
}

}  // namespace marrowby
