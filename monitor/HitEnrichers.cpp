#include "monitor/HitEnrichers.h"

#include "classify/Profiles.h"

THitEnricher::THitEnricher(THosts& hosts, TDepartments& departments, TFileTypes& fileTypes,
                           const TProfiles& profiles, uint64_t serial)
    : m_hosts(hosts),
      m_departments(departments),
      m_fileTypes(fileTypes),
      m_profiles(AdvNew<TProfiles>()),
      m_profilesGeneration(profiles.Generation()),
      m_serial(serial) {
  // The copy classifies as the list does now: prepared only when it is.
  m_profiles->TakeProfilesOf(profiles);
  if (profiles.Prepared())
    m_profiles->Rebuild();
  else
    m_profiles->Unprepare();
}

THitEnricher::~THitEnricher() = default;

bool THitEnricher::Reflects(const THosts& hosts, const TDepartments& departments,
                            const TFileTypes& fileTypes, const TProfiles& profiles) const {
  return m_hosts.Reflects(hosts) && m_departments.Reflects(departments) &&
         m_fileTypes.Reflects(fileTypes) && m_profilesGeneration == profiles.Generation();
}

void THitEnricher::Enrich(TVexaHit& hit) {
  hit.BeginNaming();
  // The look-ups hand back views of the indexes' own texts: copied into the
  // hit at once, before the next look-up.
  hit.SetSource(m_hosts.LookupView(hit.Source()));
  hit.SetDestination(m_hosts.LookupView(hit.Destination()));
  hit.SetDepartment(m_departments.LookupDefaultView(hit.Source(), kMiscellaneous));
  hit.SetFileTypeAlias(m_fileTypes.LookupDefaultView(hit.FileType(), kMiscellaneous));
  if (hit.Profile().empty()) {
    hit.MatchText(m_matchBuffer.data());
    hit.SetProfile(m_profiles->ClassifyLowered(m_matchBuffer.data()));
  }
  hit.SetEnrichedBy(m_serial);
}

void THitEnricher::SetActivityLines(TAliases& userNames, std::string separator) {
  m_userNames = TAliasLookup(userNames);
  m_separator = std::move(separator);
  m_makesLines = true;
}

bool THitEnricher::MakesActivityLines(const TAliases* userNames, std::string_view separator) const {
  if (!userNames) return !m_makesLines;
  return m_makesLines && m_userNames.Reflects(*userNames) && m_separator == separator;
}

void THitEnricher::FormatActivityLine(TVexaHit& hit) {
  if (!m_makesLines || hit.EnrichedBy() != m_serial) return;
  TTrackingLog::FormatActivityLine(hit.ActivityLineBuffer(), m_lineDate, m_separator,
                                   m_userNames.LookupView(hit.Source()), hit);
}
