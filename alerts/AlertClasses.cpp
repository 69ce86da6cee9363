#include "activity/ActivityAlerts.h"
#include "alerts/AlertQueues.h"
#include "alerts/Alerts.h"
#include "alerts/TimeTriggers.h"
#include "alerts/Triggers.h"
#include "core/AdvFactories.h"
#include "monitor/HitFilters.h"

void RegisterAlertClasses() {
  // Trigger files name the department and profile filters they hold.
  RegisterFilterClasses();
  AdvFactory().RegisterAll({
      &TRange::ClassInfo,
      &TAlert::ClassInfo,
      &TAlerts::ClassInfo,
      &TGroup::ClassInfo,
      &TTriggerPorts::ClassInfo,
      &TTrigger::ClassInfo,
      &THitTrigger::ClassInfo,
      &TSessionTrigger::ClassInfo,
      &TTimeRangeTrigger::ClassInfo,
      &TTimeRangeHit::ClassInfo,
      &TTimeRangeHitList::ClassInfo,
      &TTimeRangeHits::ClassInfo,
      &TTimeRangeHash::ClassInfo,
      &TTriggers::ClassInfo,
  });
  SetActivityAlertListClass(&TAlerts::ClassInfo);
}
