#include "activity/ActivityAlerts.h"

#include <atomic>

#include "core/AdvFilers.h"

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

TAdvNamedList& ForceActivityAlerts(TAdvRef<TAdvNamedList>& list, bool sorted) {
  if (!list) list = NewActivityAlertList(sorted);
  return *list;
}

void DefineActivityAlerts(TAdvFiler& filer, std::string_view field, TAdvRef<TAdvNamedList>& list,
                          bool sorted) {
  if (filer.IsReader()) {
    // Read into a list of the installed class, as the stored one was made.
    if (!list) list = NewActivityAlertList(sorted);
    filer.Field(field).DefineObjectRef(list);
    if (list && list->Count() == 0) list.Reset();
    return;
  }
  if (list) {
    filer.Field(field).DefineObjectRef(list);
    return;
  }
  // One blank per kind stands in for every list not made yet; it is only
  // ever written, and made afresh if the installed class has changed.
  thread_local TAdvRef<TAdvNamedList> blanks[2];
  TAdvRef<TAdvNamedList>& blank = blanks[sorted ? 1 : 0];
  if (!blank || blank->ClassType() != ActivityAlertListClass() || blank->Count() != 0)
    blank = NewActivityAlertList(sorted);
  filer.Field(field).DefineObjectRef(blank);
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
