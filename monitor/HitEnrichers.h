// The naming of a hit before its input's filters see it: Source and
// Destination through the host aliases, Department from the aliased Source,
// the file-type alias of the extension, and the profile from the hit's match
// text unless the loader gave one.
//
// An enricher is made on the engine's thread from the tables as they stand:
// it shares their alias indexes (which are replaced, never changed, when a
// table is reindexed) and holds a prepared copy of the profiles, so that an
// input's thread can name its hits as it reads them. Each enricher has a
// serial; the engine compares the serial a hit was named with to that of its
// own current enricher and names the hit again when they differ (the tables
// changed after the hit was read).
//
// An input's enricher can also make each hit's tracking-log activity line
// (with the user names' index and the time separator as they stood), which
// the engine then only has to collect; a hit named again by the engine has
// its line made by the log itself.
//
// Thread safety: Reflects, SetActivityLines and construction on the tables'
// thread; Enrich and FormatActivityLine on one thread at a time.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "alerts/TrackingLogs.h"
#include "classify/Aliases.h"
#include "core/AdvObjects.h"
#include "monitor/Hits.h"

class TProfiles;

class THitEnricher {
 public:
  THitEnricher(THosts& hosts, TDepartments& departments, TFileTypes& fileTypes,
               const TProfiles& profiles, uint64_t serial);
  ~THitEnricher();
  THitEnricher(const THitEnricher&) = delete;
  THitEnricher& operator=(const THitEnricher&) = delete;

  uint64_t Serial() const { return m_serial; }
  // Whether the tables still name hits as this enricher does.
  bool Reflects(const THosts& hosts, const TDepartments& departments, const TFileTypes& fileTypes,
                const TProfiles& profiles) const;
  // Names the hit and marks it with this enricher's serial; the hit's
  // activity line is emptied.
  void Enrich(TVexaHit& hit);

  // Makes activity lines from now on, with the user text from `userNames`
  // and this time separator.
  void SetActivityLines(TAliases& userNames, std::string separator);
  // Whether activity lines are made as SetActivityLines would make them
  // with these (never, for a null table).
  bool MakesActivityLines(const TAliases* userNames, std::string_view separator) const;
  // The named hit's activity line, when this enricher makes them.
  void FormatActivityLine(TVexaHit& hit);

 private:
  TAliasLookup m_hosts;
  TAliasLookup m_departments;
  TAliasLookup m_fileTypes;
  TAdvRef<TProfiles> m_profiles;  // a prepared copy
  uint64_t m_profilesGeneration;  // of the list copied
  uint64_t m_serial = 0;
  std::array<char, THit::kMatchTextSize> m_matchBuffer{};

  bool m_makesLines = false;
  TAliasLookup m_userNames;
  std::string m_separator;
  TTrackingLog::TLineDate m_lineDate;
};
