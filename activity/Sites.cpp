#include "activity/Sites.h"

#include "core/AdvAscii.h"
#include "core/AdvFilers.h"
#include "monitor/Hits.h"

ADV_CLASS_IMPL(TSite, TSummary)
ADV_CLASS_IMPL(TSites, TSummaries)

void TSite::ClearActivity() {
  m_hits = 0;
  m_size = 0;
  m_accessed = 0;
  m_protocol = kProtocolUnknown;
  m_failed = true;
}

void TSite::AddHit(const THit& hit) {
  if (hit.Initiated() > m_accessed) m_accessed = hit.Initiated();
  m_hits = SaturatingAdd32(m_hits, 1);
  m_size = SaturatingAdd(m_size, int64_t(hit.Size()));
  m_failed = m_failed && hit.Failed();
  m_protocol = hit.Protocol();
}

std::string_view TSite::KeyOfHit(const THit& hit) const {
  return hit.Destination();
}

void TSite::MergeFrom(const TSummary& other) {
  const auto& site = static_cast<const TSite&>(other);
  m_hits = SaturatingAdd32(m_hits, site.m_hits);
  m_size = SaturatingAdd(m_size, site.m_size);
  if (site.m_accessed > m_accessed) {
    m_accessed = site.m_accessed;
    m_protocol = site.m_protocol;
  }
  m_failed = m_failed && site.m_failed;
}

std::string TSite::SiteURL() const {
  std::string url(HitProtocolScheme(m_protocol));
  url += Name();
  return url;
}

void TSite::Assign(const TAdvObject& source) {
  TSummary::Assign(source);
  const auto& site = static_cast<const TSite&>(source);
  m_hits = site.m_hits;
  m_size = site.m_size;
  m_accessed = site.m_accessed;
  m_protocol = site.m_protocol;
  m_failed = site.m_failed;
}

void TSite::Define(TAdvFiler& filer) {
  TSummary::Define(filer);
  filer.Field("Hits").DefineInteger(m_hits);
  filer.Field("Size").DefineInteger64(m_size);
  filer.Field("Accessed").DefineReal(m_accessed);
  filer.Field("Protocol").DefineEnumerated(m_protocol);
  filer.Field("Failed").DefineBoolean(m_failed);
  // A stored code out of range reads as Unknown, as hits do.
  if (filer.IsReader() && m_protocol >= kProtocolCount) m_protocol = kProtocolUnknown;
}

// ---------------------------------------------------------------------------

void TSites::MergeSites(const TSites& other) {
  if (&other == this) return;
  other.ForEach([this](TAdvHashable* entry) {
    auto* site = static_cast<TSite*>(entry);
    if (TSite* own = FindSite(site->Name())) {
      own->MergeFrom(*site);
    } else {
      TAdvRef<TAdvHashable> copy(Duplicate(*site));
      Add(copy.Get());
      copy.Detach();
    }
  });
}

// ---------------------------------------------------------------------------

std::string SuggestKeyword(std::string_view host) {
  if (host.size() < 4) return {};
  const std::string_view prefix = host.substr(0, 4);
  if (!SameTextAscii(prefix, "www.") && !SameTextAscii(prefix, "ftp.")) return {};
  const std::string_view rest = host.substr(4);
  return std::string(rest.substr(0, rest.find('.')));
}
