// Shared pieces of the activity tests: hits made to order, a stand-in alert
// with the fields the activity model asks about, and a sink recording what
// the purge and renaming did to alerts.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "activity/ActivityAlerts.h"
#include "core/AdvDates.h"
#include "core/AdvLists.h"
#include "monitor/Hits.h"

namespace activitytest {

// 2024-03-05 at the given time of day, local time.
inline double At(int hour, int minute, int second, int day = 5) {
  return EncodeDateTime(2024, 3, day, hour, minute, second);
}

// Seconds on the hit time scale of At(...).
inline int64_t SecondsAt(int hour, int minute, int second, int day = 5) {
  return int64_t(EncodeDate(2024, 3, day)) * 86400 + hour * 3600 + minute * 60 + second;
}

struct THitSpec {
  std::string_view Source = "u101";
  std::string_view Destination = "www.example.com";
  double Initiated = 0;
  uint32_t Size = 100;  // split as 60 in, 40 out
  uint8_t Protocol = kProtocolWeb;
  uint8_t Status = kStatusSuccessful;
  uint32_t Address = 0;
  uint32_t TimeTaken = 0;
};

inline TAdvRef<TVexaHit> MakeHit(const THitSpec& spec) {
  auto hit = AdvNew<TVexaHit>();
  hit->Clear();
  hit->SetSource(spec.Source);
  hit->SetDestination(spec.Destination);
  hit->SetInitiated(spec.Initiated);
  hit->Data().SourceSize = spec.Size * 3 / 5;
  hit->Data().DestinationSize = spec.Size - spec.Size * 3 / 5;
  hit->SetProtocol(spec.Protocol);
  hit->SetStatus(spec.Status);
  hit->Data().SourceAddress = spec.Address;
  hit->Data().TimeTaken = spec.TimeTaken;
  return hit;
}

// An alert as the activity model sees one: a named object with a time.
class TTestAlert : public TAdvNamed {
  ADV_CLASS(TTestAlert)
  using TAdvNamed::TAdvNamed;

  double Alerted = 0;
  bool Dismissed = false;
  std::string User;

 protected:
  ~TTestAlert() override = default;
};

inline TAdvRef<TTestAlert> MakeAlert(std::string name, double alerted, std::string user = {}) {
  auto alert = AdvNew<TTestAlert>(std::move(name));
  alert->Alerted = alerted;
  alert->User = std::move(user);
  return alert;
}

// Records the groups as the names of the alerts put into them.
class TRecordingSink : public TActivityAlertSink {
 public:
  void ClearGroups() override {
    ++Clears;
    Grouped.clear();
  }
  double AlertedOf(const TAdvNamed& alert) const override {
    return static_cast<const TTestAlert&>(alert).Alerted;
  }
  void Dismiss(TAdvNamed& alert) override {
    static_cast<TTestAlert&>(alert).Dismissed = true;
    Dismissed.push_back(alert.Name());
  }
  void AddToGroups(TAdvNamed& alert) override { Grouped.push_back(alert.Name()); }
  void SetUserOf(TAdvNamed& alert, const std::string& userName) override {
    static_cast<TTestAlert&>(alert).User = userName;
  }

  int Clears = 0;
  std::vector<std::string> Grouped;
  std::vector<std::string> Dismissed;
};

}  // namespace activitytest
