#include "alerts/Alerts.h"

#include <algorithm>
#include <vector>

#include "app/Settings.h"
#include "core/AdvAscii.h"
#include "core/AdvFilers.h"
#include "monitor/Hits.h"

ADV_EXCEPTION_IMPL(EAlert, EAdvanced)
ADV_CLASS_IMPL(TRange, TAdvSet)
ADV_CLASS_IMPL(TAlert, TAdvNamed)
ADV_CLASS_IMPL(TAlerts, TAdvNamedList)
ADV_CLASS_IMPL(TGroup, TAlerts)
ADV_CLASS_IMPL(TGroups, TAdvList)

std::string_view PriorityName(uint8_t priority) {
  switch (priority) {
    case kPriorityLow:
      return "Low";
    case kPriorityMedium:
      return "Medium";
    default:
      return "High";
  }
}

std::string_view PrioritySoundName(uint8_t priority) {
  switch (priority) {
    case kPriorityLow:
      return kSoundKeyLow;
    case kPriorityMedium:
      return kSoundKeyMedium;
    default:
      return kSoundKeyHigh;
  }
}

// ---------------------------------------------------------------------------
// TAlert

TAlert::TAlert() : m_hits(AdvNew<TRange>()) {}

TAlert::TAlert(std::string triggerName) : TAlert() {
  m_name = std::move(triggerName);
}

void TAlert::MergeFrom(const TAlert& other) {
  if (&other == this) return;
  m_alerted = std::max(m_alerted, other.m_alerted);
  m_hits->Union(*other.m_hits);
  m_priority = std::max(m_priority, other.m_priority);
  m_dismissed = m_dismissed || other.m_dismissed;
}

std::string TAlert::UserText() const {
  if (m_ip == 0) return m_user;
  std::string dotted = DottedAddress(m_ip);
  if (dotted == m_user) return m_user;
  return m_user + " [" + dotted + "]";
}

void TAlert::Assign(const TAdvObject& source) {
  TAdvNamed::Assign(source);
  const auto& other = static_cast<const TAlert&>(source);
  m_hits->Assign(*other.m_hits);
  m_description = other.m_description;
  m_alerted = other.m_alerted;
  m_user = other.m_user;
  m_session = other.m_session;
  m_priority = other.m_priority;
  m_dismissed = other.m_dismissed;
  m_viewed = other.m_viewed;
  m_overall = other.m_overall;
  m_ip = other.m_ip;
}

void TAlert::Define(TAdvFiler& filer) {
  TAdvNamed::Define(filer);
  filer.Field("Hits").DefineObjectRef(m_hits);
  if (!m_hits) m_hits = AdvNew<TRange>();  // a nil in a file reads as no hits
  filer.Field("Description").DefineString(m_description);
  filer.Field("Alerted").DefineReal(m_alerted);
  filer.Field("User").DefineString(m_user);
  filer.Field("Session").DefineInteger64(m_session);
  filer.Field("Priority").DefineEnumerated(m_priority);
  if (m_priority >= kPriorityCount) m_priority = kPriorityHigh;
  filer.Field("Dismissed").DefineBoolean(m_dismissed);
  filer.Field("Viewed").DefineBoolean(m_viewed);
  filer.Field("Overall").DefineBoolean(m_overall);
  if (filer.HasOptional(TAdvFilerKind::Integer)) {
    auto ip = static_cast<int32_t>(m_ip);
    filer.Field("IP").DefineInteger(ip);
    m_ip = static_cast<uint32_t>(ip);
  }
}

// ---------------------------------------------------------------------------
// TAlerts

int TAlerts::IndexByName(std::string_view name) const {
  if (Sorted()) return TAdvNamedList::IndexByName(name);
  return m_index.Find(*this, name);
}

TAlert* TAlerts::FindAlert(std::string_view name) const {
  const int index = IndexByName(name);
  return index >= 0 ? Alert(index) : nullptr;
}

void TAlerts::MergeAlerts(const TAlerts& other) {
  MergeActivityAlerts(*this, other);
}

void TAlerts::Clear() {
  m_index.Invalidate();
  TAdvNamedList::Clear();
}

void TAlerts::OpenSlot(int index) {
  // Appending keeps the index: it takes new entries in at the next look-up.
  if (index != Count()) m_index.Invalidate();
  TAdvNamedList::OpenSlot(index);
}

void TAlerts::DisposeEntry(int index) {
  m_index.Invalidate();
  TAdvNamedList::DisposeEntry(index);
}

void TAlerts::MoveEntries(int from, int to, int count) {
  if (count > 0) m_index.Invalidate();
  TAdvNamedList::MoveEntries(from, to, count);
}

void TAlerts::ExchangeEntries(int a, int b) {
  m_index.Invalidate();
  TAdvNamedList::ExchangeEntries(a, b);
}

// ---------------------------------------------------------------------------
// TGroup

TGroup::TGroup() = default;

TGroup::TGroup(std::string name) : m_name(std::move(name)) {}

int TGroup::CompareEntries(TAdvObject* a, TAdvObject* b) const {
  auto* x = static_cast<TAlert*>(a);
  auto* y = static_cast<TAlert*>(b);
  if (!x || !y) return x ? 1 : (y ? -1 : 0);
  if (x->Session() != y->Session()) return x->Session() > y->Session() ? -1 : 1;
  return CompareTextAscii(x->Name(), y->Name());
}

int TGroup::IndexOf(TAdvObject* object) const {
  return TAdvNamedList::IndexOf(object);
}

void TGroup::AddAlert(TAlert* alert) {
  // The first entry that orders after the alert: equal ones stay before it.
  int low = 0;
  int high = Count();
  while (low < high) {
    const int mid = low + (high - low) / 2;
    if (CompareEntries(Entry(mid), alert) <= 0)
      low = mid + 1;
    else
      high = mid;
  }
  alert->Retain();
  TAdvList::Insert(low, alert);
}

void TGroup::AppendAlert(TAlert* alert) {
  alert->Retain();
  TAdvList::Insert(Count(), alert);
}

void TGroup::SortAlerts() {
  std::vector<TAdvObject*> entries;
  entries.reserve(size_t(Count()));
  for (int i = 0; i < Count(); ++i) entries.push_back(Entry(i));
  std::stable_sort(entries.begin(), entries.end(),
                   [this](TAdvObject* a, TAdvObject* b) { return CompareEntries(a, b) < 0; });
  // The same references in a new order: nothing is retained or released.
  for (int i = 0; i < Count(); ++i) SetItem(i, entries[size_t(i)]);
  InvalidateIndex();
}

// ---------------------------------------------------------------------------
// TGroups

TGroups::TGroups() = default;

TGroups::~TGroups() {
  Clear();
}

std::string TGroups::KeyOf(std::string_view name) {
  std::string key(name);
  for (char& c : key) c = AsciiLower(c);
  return key;
}

void TGroups::Finish() const {
  if (m_rebuilding) const_cast<TGroups*>(this)->EndRebuild();
}

int TGroups::GroupCount() const {
  Finish();
  return Count();
}

TGroup* TGroups::Group(int index) const {
  Finish();
  return ItemAs<TGroup>(index);
}

TGroup* TGroups::FindGroup(std::string_view name) const {
  Finish();
  auto found = m_byName.find(KeyOf(name));
  return found == m_byName.end() ? nullptr : found->second;
}

TGroup* TGroups::ForceGroup(const std::string& name) {
  std::string key = KeyOf(name);
  auto found = m_byName.find(key);
  if (found != m_byName.end()) return found->second;
  TAdvRef<TGroup> group = AdvNew<TGroup>(name);
  int index = Count();
  if (!m_rebuilding) {
    // The first group whose name orders after the new one.
    int low = 0;
    int high = Count();
    while (low < high) {
      const int mid = low + (high - low) / 2;
      if (CompareTextAscii(ItemAs<TGroup>(mid)->Name(), name) <= 0)
        low = mid + 1;
      else
        high = mid;
    }
    index = low;
  }
  TGroup* raw = group.Get();
  m_byName.emplace(std::move(key), raw);
  try {
    Insert(index, group.Detach());
  } catch (...) {
    m_byName.erase(KeyOf(name));
    raw->Release();
    throw;
  }
  return raw;
}

void TGroups::AddToGroups(TAlert* alert) {
  if (!alert || alert->Dismissed()) return;
  TGroup* group = ForceGroup(alert->Name());
  if (m_rebuilding)
    group->AppendAlert(alert);
  else
    group->AddAlert(alert);
  if (alert->Viewed()) return;
  TAlert* current = m_current.Get();
  if (!current || current->Priority() < alert->Priority() ||
      (current->Priority() == alert->Priority() && current->Alerted() > alert->Alerted()))
    m_current = TAdvRef<TAlert>::Share(alert);
}

void TGroups::AddAllToGroups(const TAdvNamedList& alerts) {
  for (int i = 0; i < alerts.Count(); ++i) {
    TAlert* alert = AdvCast<TAlert>(alerts.GetItem(i));
    if (alert) AddToGroups(alert);
  }
}

void TGroups::RemoveFromGroups(TAlert* alert) {
  if (!alert) return;
  if (m_current.Get() == alert) m_current.Reset();
  auto found = m_byName.find(KeyOf(alert->Name()));
  if (found == m_byName.end())
    Error("Remove", "Unable to find the alert '" + alert->Name() + "' in the groups");
  TGroup* group = found->second;
  const int index = group->IndexOf(alert);
  if (index >= 0) group->DeleteByIndex(index);
  if (group->Count() == 0) {
    m_byName.erase(found);
    Remove(group);
  }
}

void TGroups::Clear() {
  m_current.Reset();
  m_byName.clear();
  m_rebuilding = false;
  TAdvList::Clear();
}

void TGroups::BeginRebuild() {
  Clear();
  m_rebuilding = true;
}

void TGroups::EndRebuild() {
  if (!m_rebuilding) return;
  m_rebuilding = false;
  Sort([](TAdvObject* a, TAdvObject* b) {
    return CompareTextAscii(static_cast<TGroup*>(a)->Name(), static_cast<TGroup*>(b)->Name());
  });
  for (int i = 0; i < Count(); ++i) ItemAs<TGroup>(i)->SortAlerts();
}

void TGroups::DismissAlert(TAlert* alert) {
  if (!alert) return;
  alert->SetDismissed(true);
  RemoveFromGroups(alert);
}

void TGroups::DismissGroup(std::string_view name) {
  TGroup* group = FindGroup(name);
  if (!group) return;
  // The group goes away with its last alert; hold it until the loop ends.
  TAdvRef<TGroup> hold = TAdvRef<TGroup>::Share(group);
  for (int i = group->Count() - 1; i >= 0; --i) {
    if (i >= group->Count()) continue;
    TAdvRef<TAlert> alert = TAdvRef<TAlert>::Share(group->Alert(i));
    DismissAlert(alert.Get());
  }
}

void TGroups::MarkAllViewed() {
  Finish();
  for (int i = 0; i < Count(); ++i) {
    TGroup* group = ItemAs<TGroup>(i);
    for (int j = 0; j < group->Count(); ++j) group->Alert(j)->SetViewed(true);
  }
}

// ---------------------------------------------------------------------------
// TAlertGroupSink

double TAlertGroupSink::AlertedOf(const TAdvNamed& alert) const {
  const TAlert* a = AdvCast<TAlert>(&alert);
  return a ? a->Alerted() : 0;
}

void TAlertGroupSink::Dismiss(TAdvNamed& alert) {
  if (TAlert* a = AdvCast<TAlert>(&alert)) a->SetDismissed(true);
}

void TAlertGroupSink::AddToGroups(TAdvNamed& alert) {
  if (TAlert* a = AdvCast<TAlert>(&alert)) m_groups.AddToGroups(a);
}

void TAlertGroupSink::SetUserOf(TAdvNamed& alert, const std::string& userName) {
  if (TAlert* a = AdvCast<TAlert>(&alert)) a->SetUser(userName);
}
