#include "monitor/HitEnrichers.h"

#include "classify/Profiles.h"

THitEnricher::THitEnricher(THosts& hosts, TDepartments& departments, TFileTypes& fileTypes,
                           const TProfiles& profiles, uint64_t serial)
    : m_hosts(hosts),
      m_departments(departments),
      m_fileTypes(fileTypes),
      m_profiles(AdvNew<TProfiles>()),
      m_source(&profiles),
      m_sourceGeneration(profiles.Generation()),
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
         m_fileTypes.Reflects(fileTypes) && m_source == &profiles &&
         m_sourceGeneration == profiles.Generation();
}

void THitEnricher::Enrich(TVexaHit& hit) {
  hit.RestoreAsRead();
  hit.KeepAsRead();
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
