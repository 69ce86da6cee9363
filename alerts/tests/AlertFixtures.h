// Shared pieces of the alert tests: hits made to order, and an engine in
// miniature (users, a hit store in a temporary folder, the alert queue, the
// groups and a raise counter) that folds a hit into its user and session
// and evaluates the triggers the way the engine does.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "activity/ActivityClasses.h"
#include "activity/Sessions.h"
#include "activity/Users.h"
#include "alerts/AlertQueues.h"
#include "alerts/Alerts.h"
#include "alerts/TimeTriggers.h"
#include "alerts/Triggers.h"
#include "classify/ClassifyClasses.h"
#include "core/AdvDates.h"
#include "core/AdvFactories.h"
#include "monitor/CompressFiles.h"
#include "monitor/HitIndicies.h"
#include "monitor/Hits.h"
#include "testing/TestEnvironment.h"

namespace alerttest {

// 2024-03-05 at the given time of day, local time.
inline double At(int hour, int minute, int second, int day = 5) {
  return EncodeDateTime(2024, 3, day, hour, minute, second);
}

struct THitSpec {
  std::string_view User = "u101";
  std::string_view Url = "http://www.example.com/index.html";
  double Initiated = At(10, 0, 0);
  uint32_t In = 600;   // SourceSize
  uint32_t Out = 400;  // DestinationSize
  uint8_t Protocol = kProtocolWeb;
  uint8_t Status = kStatusSuccessful;
  std::string_view Profile = "Miscellaneous";
  std::string_view Department = "Miscellaneous";
  std::string_view FileType = "Web page";
  uint16_t SourcePort = 0;
  uint16_t DestinationPort = 80;
};

inline TAdvRef<TVexaHit> MakeHit(const THitSpec& spec) {
  auto hit = AdvNew<TVexaHit>();
  hit->Clear();
  hit->SetProtocol(spec.Protocol);
  hit->SetSource(spec.User);
  hit->ApplyURL(std::string(spec.Url));
  hit->SetInitiated(spec.Initiated);
  hit->Data().SourceSize = spec.In;
  hit->Data().DestinationSize = spec.Out;
  hit->SetStatus(spec.Status);
  hit->SetProfile(spec.Profile);
  hit->SetDepartment(spec.Department);
  hit->SetFileTypeAlias(spec.FileType);
  hit->Data().SourcePort = spec.SourcePort;
  hit->Data().DestinationPort = spec.DestinationPort;
  return hit;
}

// Registers what the trigger and alert files name, once per process.
inline void RegisterAll() {
  static const bool registered = [] {
    RegisterCoreClasses();
    RegisterClassifyClasses();
    AdvFactory().RegisterAll(ActivityClasses());
    RegisterHitClasses();
    RegisterAlertClasses();
    return true;
  }();
  (void)registered;
}

// The engine's per-hit step around the triggers.
class MiniEngine : public testing::Test {
 protected:
  MiniEngine() {
    RegisterAll();
    m_file = AdvNew<TCompressFile>();
    m_store->AttachFile(m_file.Get());
    m_store->OpenFile(m_folder + "/Default.Hits", false);
    m_context.HitStore = m_store.Get();
    m_context.Queue = m_queue.Get();
    m_context.Groups = m_groups.Get();
    m_context.RaiseAlert = [this](TAlert& alert) { m_raised.push_back(alert.Name()); };
    m_context.CutoffSeconds = 0;
    m_context.Cutoff = 0;
    m_context.Now = At(12, 0, 0);
  }
  ~MiniEngine() override { m_store->CloseFile(); }

  // Folds the hit into its user and session, then runs the three passes.
  TUser* Process(const THitSpec& spec) {
    TAdvRef<TVexaHit> hit = MakeHit(spec);
    TUser* user = m_users->FindForHit(*hit);
    TSession* session = user->Sessions().AddHit(*hit);
    m_store->BeginBatch();
    m_triggers->EvaluateAll(*user, *session, *hit, m_context);
    m_store->EndBatch();
    return user;
  }

  template <class T>
  T* AddTrigger(std::string name, uint8_t priority = kPriorityMedium) {
    TAdvRef<T> trigger = AdvNew<T>();
    trigger->SetName(name);
    trigger->SetPriority(priority);
    T* raw = trigger.Get();
    m_triggers->Insert(m_triggers->Count(), trigger.Detach());
    return raw;
  }

  TUser* User(std::string_view name) { return m_users->FindUser(name); }
  TAlerts& UserAlerts(std::string_view name) { return static_cast<TAlerts&>(User(name)->Alerts()); }
  // Hit numbers of an alert, ascending.
  static std::vector<int32_t> Numbers(const TAlert& alert) {
    std::vector<int32_t> numbers;
    alert.Hits().ForEachNumber([&](int32_t n) { numbers.push_back(n); });
    return numbers;
  }
  int QueuedFor(std::string_view trigger) const {
    int count = 0;
    for (int i = 0; i < m_queue->Count(); ++i)
      if (m_queue->Item(i)->Alert()->Name() == trigger) ++count;
    return count;
  }
  int RaisedFor(std::string_view trigger) const {
    int count = 0;
    for (const std::string& name : m_raised)
      if (name == trigger) ++count;
    return count;
  }

  std::string m_folder = vexatest::MakeTempFolder("alerts");
  TAdvRef<TCompressFile> m_file;
  TAdvRef<THitIndicies> m_store = AdvNew<THitIndicies>();
  TAdvRef<TUsers> m_users = AdvNew<TUsers>();
  TAdvRef<TTriggers> m_triggers = AdvNew<TTriggers>();
  TAdvRef<TAlertQueue> m_queue = AdvNew<TAlertQueue>();
  TAdvRef<TGroups> m_groups = AdvNew<TGroups>();
  TTriggerContext m_context;
  std::vector<std::string> m_raised;
};

}  // namespace alerttest
