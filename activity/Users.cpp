#include "activity/Users.h"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <typeinfo>
#include <utility>
#include <vector>

#include "activity/Reports.h"
#include "core/AdvBinaryFilers.h"
#include "core/AdvFilers.h"
#include "core/AdvPaths.h"
#include "core/AdvStreams.h"
#include "monitor/Hits.h"

ADV_CLASS_IMPL(TUser, TSummary)
ADV_CLASS_IMPL(TUsers, TSummaries)

int64_t DateTimeSeconds(double dateTime) {
  const double seconds = std::nearbyint(dateTime * 86400.0);
  if (!std::isfinite(seconds)) return 0;
  if (seconds >= 9.2e18) return INT64_MAX;
  if (seconds <= -9.2e18) return INT64_MIN;
  return int64_t(seconds);
}

TUser::TUser() : m_protocol(kProtocolUnknown), m_sessions(AdvNew<TSessions>()) {}

TAdvNamedList& TUser::Alerts() const {
  return ForceActivityAlerts(m_alerts, false);
}

void TUser::ClearActivity() {
  m_sessions->Clear();
  if (m_alerts) m_alerts->Clear();
  m_destination.clear();
  m_protocol = kProtocolUnknown;
  m_hits = 0;
  m_size = 0;
  m_ip = 0;
  m_accessed = 0;
}

void TUser::AddHit(const THit& hit) {
  m_hits = SaturatingAdd32(m_hits, 1);
  m_size = SaturatingAdd(m_size, int64_t(hit.Size()));
  if (m_accessed > hit.Initiated()) return;
  m_destination.assign(hit.Destination());
  m_protocol = hit.Protocol();
  if (hit.Data().SourceAddress != 0) m_ip = hit.Data().SourceAddress;
  m_accessed = hit.Initiated();
}

std::string_view TUser::KeyOfHit(const THit& hit) const {
  return hit.Source();
}

void TUser::MergeFrom(const TSummary& other) {
  const auto& user = static_cast<const TUser&>(other);
  if (&user == this) return;
  m_sessions->MergeSessions(*user.m_sessions);
  if (user.HasAlerts()) MergeActivityAlerts(Alerts(), *user.m_alerts);
  m_hits = SaturatingAdd32(m_hits, user.m_hits);
  m_size = SaturatingAdd(m_size, user.m_size);
  if (m_accessed > user.m_accessed) return;
  m_destination = user.m_destination;
  m_protocol = user.m_protocol;
  m_accessed = user.m_accessed;
  if (m_ip == 0) m_ip = user.m_ip;
}

void TUser::Recount() {
  int32_t hits = 0;
  int64_t size = 0;
  for (int i = 0; i < m_sessions->Count(); ++i) {
    const TSession* session = m_sessions->GetSession(i);
    hits = SaturatingAdd32(hits, session->Hits());
    size = SaturatingAdd(size, session->Size());
  }
  m_hits = hits;
  m_size = size;
}

bool TUser::IsActive(double now) const {
  return SaturatingSub(DateTimeSeconds(now), m_sessions->LastFinish()) <= m_sessions->Gap();
}

std::string TUser::StatusText(double now) const {
  return IsActive(now) ? m_destination : std::string("Idle");
}

TSession* TUser::LatestSession() const {
  // Sessions are sorted by Start and never overlap, so the last one ends
  // last: no walk over a busy user's sessions at every refresh.
  const int count = m_sessions->Count();
  return count > 0 ? m_sessions->GetSession(count - 1) : nullptr;
}

void TUser::Assign(const TAdvObject& source) {
  TSummary::Assign(source);
  const auto& user = static_cast<const TUser&>(source);
  m_ip = user.m_ip;
  m_hits = user.m_hits;
  m_size = user.m_size;
  m_destination = user.m_destination;
  m_protocol = user.m_protocol;
  m_sessions->Assign(*user.m_sessions);
  if (m_alerts) m_alerts->Clear();
  if (user.HasAlerts()) MergeActivityAlerts(Alerts(), *user.m_alerts);
  m_accessed = user.m_accessed;
}

void TUser::Define(TAdvFiler& filer) {
  TSummary::Define(filer);
  filer.Field("IP").DefineCardinal(m_ip);
  filer.Field("Hits").DefineInteger(m_hits);
  filer.Field("Size").DefineInteger64(m_size);
  filer.Field("Destination").DefineString(m_destination);
  filer.Field("Protocol").DefineEnumerated(m_protocol);
  filer.Field("Sessions").DefineObjectRef(m_sessions);
  if (!m_sessions) m_sessions = AdvNew<TSessions>();
  DefineActivityAlerts(filer, "Alerts", m_alerts, false);
  filer.Field("Accessed").DefineReal(m_accessed);
  if (filer.IsReader() && m_protocol >= kProtocolCount) m_protocol = kProtocolUnknown;
}

// ---------------------------------------------------------------------------

namespace {

// Tells every alert of the user and of its sessions whose it is now.
void ReassignAlerts(const TUser& user, TActivityAlertSink& alerts) {
  auto tell = [&](const TAdvNamedList& list) {
    for (int i = 0; i < list.Count(); ++i)
      if (TAdvNamed* alert = list.GetItem(i)) alerts.SetUserOf(*alert, user.Name());
  };
  if (user.HasAlerts()) tell(user.Alerts());
  for (int i = 0; i < user.Sessions().Count(); ++i)
    if (const TSession* session = user.Sessions().GetSession(i); session->HasAlerts())
      tell(session->Alerts());
}

}  // namespace

TUser* TUsers::RenameUser(std::string_view oldName, std::string_view newName,
                          TActivityAlertSink* alerts) {
  TUser* user = FindUser(oldName);
  if (!user) return nullptr;
  TUser* result = FindUser(newName);
  if (result && result != user) {
    result->MergeFrom(*user);
    Remove(*user);
  } else {
    // The table owns the entry: keep it alive while it is out of the table.
    TAdvRef<TUser> held = TAdvRef<TUser>::Share(user);
    Remove(*user);
    user->SetName(newName);
    Add(user);
    held.Detach();
    result = user;
  }
  if (alerts) ReassignAlerts(*result, *alerts);
  return result;
}

void TUsers::Purge(const TActivityPurge& purge, TUserReport& active, TUserReport& idle,
                   TActivityAlertSink* alerts) {
  if (alerts) alerts->ClearGroups();
  active.Clear();
  idle.Clear();
  const int64_t cutoff = purge.CutoffSeconds;
  std::vector<TUser*> gone;

  ForEach([&](TAdvHashable* entry) {
    auto* user = static_cast<TUser*>(entry);
    const TSession* latest = user->LatestSession();
    if (!latest || latest->Finish() <= cutoff) {
      gone.push_back(user);
      return;
    }

    // The user's own alerts: those raised by the cutoff go, the rest are shown.
    if (alerts && user->HasAlerts()) {
      TAdvNamedList& own = user->Alerts();
      for (int i = own.Count() - 1; i >= 0; --i) {
        TAdvNamed* alert = own.GetItem(i);
        if (!alert) {
          own.DeleteByIndex(i);
        } else if (alerts->AlertedOf(*alert) * 86400.0 <= double(cutoff)) {
          alerts->Dismiss(*alert);
          own.DeleteByIndex(i);
        }
      }
      for (int i = 0; i < own.Count(); ++i) alerts->AddToGroups(*own.GetItem(i));
    }

    // Sessions that ended by the cutoff go with their alerts.
    TSessions& sessions = user->Sessions();
    bool removed = false;
    for (int i = sessions.Count() - 1; i >= 0; --i) {
      if (sessions.GetSession(i)->Finish() <= cutoff) {
        sessions.DeleteByIndex(i);
        removed = true;
      }
    }
    if (removed) user->Recount();
    if (alerts) {
      for (int i = 0; i < sessions.Count(); ++i) {
        const TSession* session = sessions.GetSession(i);
        if (!session->HasAlerts()) continue;
        const TAdvNamedList& list = session->Alerts();
        for (int j = 0; j < list.Count(); ++j)
          if (TAdvNamed* alert = list.GetItem(j)) alerts->AddToGroups(*alert);
      }
    }

    // Filed after the purge, so the reports' totals count only what is kept.
    sessions.SetGap(purge.Gap);
    if (!purge.FillReports) return;
    if (user->IsActive(purge.Now))
      active.AddUser(user, purge.Now);
    else
      idle.AddUser(user, purge.Now);
  });

  for (TUser* user : gone) Remove(*user);
  if (!purge.FillReports) return;
  const TUserOrder order = purge.SortRecent ? TUserOrder::Recent : TUserOrder::Name;
  active.SortBy(order);
  idle.SortBy(order);
}

namespace {

// The table's entries [from, to) as the hash's Save writes each one.
void SaveEntries(TAdvFiler& filer, const std::vector<TAdvHashable*>& entries, size_t from,
                 size_t to) {
  for (size_t i = from; i < to; ++i) {
    filer.DefineBegin();
    TAdvObject* object = entries[i];
    filer.DefineObject(object, nullptr);
    filer.DefineEnd();
  }
}

// The runs the helper has written and not yet handed over.
struct TSaveHandOver {
  std::mutex Lock;
  std::condition_variable Changed;
  std::deque<TAdvRef<TAdvCollectingStream>> Ready;
  std::exception_ptr Failure;
  bool Finished = false;  // the helper wrote its last run, or failed
  bool Stop = false;      // the caller gave up
};

}  // namespace

void TUsers::Save(TAdvFiler& filer) {
  if (typeid(filer) != typeid(TAdvWriter) || Count() < kParallelSaveFrom) {
    TSummaries::Save(filer);
    return;
  }
  std::vector<TAdvHashable*> entries;
  entries.reserve(size_t(Count()));
  ForEach([&](TAdvHashable* entry) {
    if (SavesEntry(*entry)) entries.push_back(entry);
  });
  const size_t runs = (entries.size() + kSaveRun - 1) / kSaveRun;
  const auto bounds = [&](size_t run) {
    return std::pair<size_t, size_t>(run * kSaveRun,
                                     std::min(entries.size(), (run + 1) * kSaveRun));
  };

  TSaveHandOver handOver;
  std::thread helper;
  try {
    helper = std::thread([&] {
      try {
        for (size_t run = 1; run < runs; run += 2) {
          {
            std::unique_lock lock(handOver.Lock);
            handOver.Changed.wait(lock, [&] { return handOver.Stop || handOver.Ready.size() < 2; });
            if (handOver.Stop) break;
          }
          TAdvRef<TAdvCollectingStream> bytes = AdvNew<TAdvCollectingStream>();
          TAdvRef<TAdvWriter> writer = AdvNew<TAdvWriter>();
          writer->SetStream(bytes.Get());
          const auto [from, to] = bounds(run);
          SaveEntries(*writer, entries, from, to);
          std::lock_guard lock(handOver.Lock);
          handOver.Ready.push_back(std::move(bytes));
          handOver.Changed.notify_all();
        }
      } catch (...) {
        std::lock_guard lock(handOver.Lock);
        handOver.Failure = std::current_exception();
      }
      std::lock_guard lock(handOver.Lock);
      handOver.Finished = true;
      handOver.Changed.notify_all();
    });
  } catch (const std::system_error&) {
    TSummaries::Save(filer);  // no second thread to be had
    return;
  }
  // The helper ends before this frame does, however the writing ends.
  struct TJoin {
    TSaveHandOver& HandOver;
    std::thread& Helper;
    ~TJoin() {
      {
        std::lock_guard lock(HandOver.Lock);
        HandOver.Stop = true;
        HandOver.Changed.notify_all();
      }
      Helper.join();
    }
  } join{handOver, helper};

  filer.DefineBegin();
  Define(filer);
  for (size_t run = 0; run < runs; ++run) {
    if (run % 2 == 0) {
      const auto [from, to] = bounds(run);
      SaveEntries(filer, entries, from, to);
      continue;
    }
    TAdvRef<TAdvCollectingStream> bytes;
    {
      std::unique_lock lock(handOver.Lock);
      handOver.Changed.wait(lock, [&] { return !handOver.Ready.empty() || handOver.Finished; });
      if (handOver.Ready.empty()) {
        if (handOver.Failure) std::rethrow_exception(handOver.Failure);
        Error("Save", "A part of the users table was not written");
      }
      bytes = std::move(handOver.Ready.front());
      handOver.Ready.pop_front();
      handOver.Changed.notify_all();
    }
    filer.Stream()->Write(bytes->Bytes().data(), uint32_t(bytes->Bytes().size()));
  }
  filer.DefineEnd();
}

void TUsers::TakeUsersFrom(TUsers& other) {
  if (&other == this) return;
  std::vector<TAdvRef<TUser>> moved;
  moved.reserve(size_t(other.Count()));
  other.ForEach([&](TAdvHashable* entry) {
    moved.push_back(TAdvRef<TUser>::Share(static_cast<TUser*>(entry)));
  });
  other.Clear();
  Clear();
  for (TAdvRef<TUser>& user : moved) {
    Add(user.Get());
    user.Detach();
  }
}

// ---------------------------------------------------------------------------

std::string LoadUsersFile(TUsers& users, const std::string& fileName) {
  if (!FileExists(fileName)) return {};
  TAdvRef<TUsers> scratch = AdvNew<TUsers>();
  std::string error = AdvLoadKeepingBad(*scratch, fileName, &TAdvReader::ClassInfo);
  if (error.empty()) users.TakeUsersFrom(*scratch);
  return error;
}

void SaveUsersFile(TUsers& users, const std::string& fileName) {
  users.SaveToFile(fileName, &TAdvWriter::ClassInfo);
}
