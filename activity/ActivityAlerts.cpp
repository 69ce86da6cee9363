#include "activity/ActivityAlerts.h"

#include <atomic>

namespace {
std::atomic<TAdvClass> g_listClass{nullptr};
}

TAdvClass ActivityAlertListClass() {
  TAdvClass cls = g_listClass.load(std::memory_order_acquire);
  return cls ? cls : &TAdvNamedList::ClassInfo;
}

void SetActivityAlertListClass(TAdvClass listClass) {
  if (listClass && (!listClass->Factory || !listClass->InheritsFrom(&TAdvNamedList::ClassInfo)))
    throw EAdvanced(
        nullptr,
        std::string("Alert lists must be a concrete TAdvNamedList, not ") + listClass->Name,
        "SetActivityAlertListClass");
  g_listClass.store(listClass, std::memory_order_release);
}

TAdvRef<TAdvNamedList> NewActivityAlertList(bool sorted) {
  TAdvRef<TAdvNamedList> list = AdvCreate<TAdvNamedList>(ActivityAlertListClass());
  list->SetSorted(sorted);
  return list;
}

void MergeActivityAlerts(TAdvNamedList& target, const TAdvNamedList& source) {
  if (&target == &source) return;
  for (int i = 0; i < source.Count(); ++i) {
    TAdvObject* alert = source.TAdvList::GetItem(i);
    if (!alert || target.IndexOf(alert) >= 0) continue;
    alert->Retain();
    try {
      if (target.Sorted())
        target.Add(alert);
      else
        target.Insert(target.Count(), alert);
    } catch (...) {
      alert->Release();
      throw;
    }
  }
}
