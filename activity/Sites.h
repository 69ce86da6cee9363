// Per-site summaries of one session: TSite counts the hits a user sent to one
// host (after aliasing) within a session, TSites is the session's table of
// them. SuggestKeyword proposes a profile keyword from a host name.
//
// Thread safety: none; main thread only, like the rest of the activity model.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "activity/Summaries.h"
#include "monitor/HitData.h"

class TSite : public TSummary {
  ADV_CLASS(TSite)

  TSite() = default;

  int32_t Hits() const { return m_hits; }
  int64_t Size() const { return m_size; }
  // Date-time of the latest hit.
  double Accessed() const { return m_accessed; }
  // Protocol of the last hit counted, whatever its time.
  uint8_t Protocol() const { return m_protocol; }
  // True while every hit counted failed (status Failed or Blocked); a new
  // site starts true and one successful hit clears it for good.
  bool Failed() const { return m_failed; }

  // Hits 0, Size 0, Accessed 0, Protocol Unknown, Failed true.
  void ClearActivity() override;
  void AddHit(const THit& hit) override;
  // The hit's Destination.
  std::string_view KeyOfHit(const THit& hit) const override;
  void MergeFrom(const TSummary& other) override;

  // The protocol's URL prefix ("http://", "mailto:" ...; none for protocols
  // without one) followed by the name: what the views' Browse command opens.
  std::string SiteURL() const;

  void Assign(const TAdvObject& source) override;
  // "Name", "Hits", "Size", "Accessed", "Protocol", "Failed".
  void Define(TAdvFiler& filer) override;

 protected:
  ~TSite() override = default;

 private:
  int32_t m_hits = 0;  // stops at INT32_MAX rather than wrapping
  int64_t m_size = 0;
  double m_accessed = 0;
  uint8_t m_protocol = kProtocolUnknown;
  bool m_failed = true;
};

class TSites : public TSummaries {
  ADV_CLASS(TSites)

  TSites() = default;

  TAdvClass EntryClass() const override { return &TSite::ClassInfo; }
  // A session visits few sites: start small (a user table starts at 1009).
  int InitialCapacity() const override { return 5; }

  TSite* FindSite(std::string_view name) const { return static_cast<TSite*>(FindByName(name)); }
  // Every site of `other`: merged into the site of the same name, or added
  // as a copy.
  void MergeSites(const TSites& other);

 protected:
  ~TSites() override = default;
};

// A keyword for a host: after a leading "www." or "ftp." (ASCII case
// ignored), the text up to the next "."; empty for any other host.
std::string SuggestKeyword(std::string_view host);
