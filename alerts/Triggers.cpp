#include "alerts/Triggers.h"

#include <cmath>

#include "activity/Sessions.h"
#include "activity/Users.h"
#include "app/Settings.h"
#include "core/AdvAscii.h"
#include "core/AdvDates.h"
#include "core/AdvFilers.h"
#include "core/AdvFormats.h"
#include "monitor/HitFilters.h"
#include "monitor/HitIndicies.h"
#include "monitor/Hits.h"

ADV_EXCEPTION_IMPL(ETrigger, EAdvanced)
ADV_CLASS_IMPL(TTriggerPorts, TAdvPersistent)
ADV_CLASS_IMPL(TTrigger, TAdvNamed)
ADV_CLASS_IMPL(THitTrigger, TTrigger)
ADV_CLASS_IMPL(TSessionTrigger, TTrigger)

std::string_view MetricName(uint8_t metric) {
  static constexpr std::string_view kNames[kMetricCount] = {"B", "KB", "MB", "GB"};
  return metric < kMetricCount ? kNames[metric] : kNames[kMetricMegabytes];
}

int64_t MetricDivisor(uint8_t metric) {
  static constexpr int64_t kDivisors[kMetricCount] = {1, 1024, 1048576, 1073741824};
  return metric < kMetricCount ? kDivisors[metric] : kDivisors[kMetricMegabytes];
}

std::string_view NewHitActionName(uint8_t action) {
  return action == kNewAlertForEachHit ? "Trigger new alert for each hit"
                                       : "Add new hits to existing alert";
}

// ---------------------------------------------------------------------------
// TTriggerContext

int32_t TTriggerContext::HitNumber(TVexaHit& hit) {
  if (m_hitNumber < 0 && HitStore) m_hitNumber = HitStore->Add(&hit);
  return m_hitNumber;
}

double TTriggerContext::CurrentTime() const {
  return Now != 0 ? Now : AdvNow();
}

// ---------------------------------------------------------------------------
// TTriggerPorts

bool TTriggerPorts::Match(const TVexaHit& hit) const {
  const int32_t source = hit.Data().SourcePort;
  const int32_t destination = hit.Data().DestinationPort;
  if (SourcePort && (source < SourcePortStart || source > SourcePortEnd)) return false;
  if (DestinationPort && (destination < DestinationPortStart || destination > DestinationPortEnd))
    return false;
  return true;
}

std::string TTriggerPorts::Describe(std::string text) const {
  if (SourcePort) {
    if (SourcePortStart == SourcePortEnd)
      text = AdvFormat("%s; Source Port %d", {text, SourcePortStart});
    else
      text = AdvFormat("%s; Source Port between %d and %d", {text, SourcePortStart, SourcePortEnd});
  }
  if (DestinationPort) {
    if (DestinationPortStart == DestinationPortEnd)
      text = AdvFormat("%s; Destination Port %d", {text, DestinationPortStart});
    else
      text = AdvFormat("%s; Destination Port between %d and %d",
                       {text, DestinationPortStart, DestinationPortEnd});
  }
  return text;
}

void TTriggerPorts::Assign(const TAdvObject& source) {
  TAdvPersistent::Assign(source);
  const auto& other = static_cast<const TTriggerPorts&>(source);
  SourcePort = other.SourcePort;
  SourcePortStart = other.SourcePortStart;
  SourcePortEnd = other.SourcePortEnd;
  DestinationPort = other.DestinationPort;
  DestinationPortStart = other.DestinationPortStart;
  DestinationPortEnd = other.DestinationPortEnd;
}

void TTriggerPorts::Define(TAdvFiler& filer) {
  TAdvPersistent::Define(filer);
  filer.Field("SourcePort").DefineBoolean(SourcePort);
  filer.Field("SourcePortStart").DefineInteger(SourcePortStart);
  filer.Field("SourcePortEnd").DefineInteger(SourcePortEnd);
  filer.Field("DestinationPort").DefineBoolean(DestinationPort);
  filer.Field("DestinationPortStart").DefineInteger(DestinationPortStart);
  filer.Field("DestinationPortEnd").DefineInteger(DestinationPortEnd);
}

// ---------------------------------------------------------------------------
// Helpers

namespace {

TAdvRef<TAdvStrings> NewList(const char* separator = nullptr) {
  TAdvRef<TAdvStrings> list = AdvNew<TAdvStrings>();
  if (separator) list->SetSeparator(separator);
  return list;
}

// A list field: a nil in a file reads as an empty list; the separator is the
// field's own whatever the file says.
void DefineList(TAdvFiler& filer, const char* name, TAdvRef<TAdvStrings>& list,
                const char* separator = nullptr) {
  filer.Field(name).DefineObjectRef(list);
  if (!list) list = AdvNew<TAdvStrings>();
  if (separator) list->SetSeparator(separator);
}

void CopyList(TAdvStrings& target, const TAdvStrings& source) {
  target.Clear();
  target.SetSorted(source.Sorted());
  target.SetDuplicates(source.Duplicates());
  target.SetCaseSensitive(source.CaseSensitive());
  for (int i = 0; i < source.Count(); ++i) target.Insert(target.Count(), source.GetItem(i));
}

// Exact membership ignoring ASCII case, whatever the list's own settings.
bool ListHolds(const TAdvStrings& list, std::string_view text) {
  if (list.Sorted() && !list.CaseSensitive()) return list.IndexOf(text) >= 0;
  for (int i = 0; i < list.Count(); ++i)
    if (SameTextAscii(list.GetItem(i), text)) return true;
  return false;
}

std::string JoinList(const TAdvStrings& list) {
  std::string text;
  for (int i = 0; i < list.Count(); ++i) {
    if (i > 0) text += ", ";
    text += list.GetItem(i);
  }
  return text;
}

// round(bytes / divisor), halves to even.
int64_t SizeInMetric(int64_t bytes, uint8_t metric) {
  return int64_t(std::nearbyint(double(bytes) / double(MetricDivisor(metric))));
}

std::string DurationText(int64_t seconds, const TSettings* settings) {
  if (settings) return settings->FormatElapsedSecondsWithUnit(seconds);
  return ElapsedText(seconds * 1000);
}

void LowerInPlace(std::string& text) {
  for (char& c : text) c = AsciiLower(c);
}

}  // namespace

// ---------------------------------------------------------------------------
// TTrigger

TTrigger::TTrigger()
    : m_created(AdvNow()),
      m_users(NewList()),
      m_filter(AdvNew<TDepartmentFilter>()),
      m_tos(NewList(";")),
      m_ccs(NewList(";")),
      m_bccs(NewList(";")) {
  m_tos->Add(kPlaceholderRecipient);
}

TTrigger::~TTrigger() = default;

TDepartmentFilter& TTrigger::Filter() const {
  return *m_filter;
}

bool TTrigger::SizesMatch(const TVexaHit& hit) const {
  const THitData& data = hit.Data();
  if (m_incomingSize > 0 && int64_t(data.SourceSize) <= m_incomingSize) return false;
  if (m_outgoingSize > 0 && int64_t(data.DestinationSize) <= m_outgoingSize) return false;
  if (m_totalSize > 0 && int64_t(hit.Size()) <= m_totalSize) return false;
  return true;
}

bool TTrigger::UsersMatch(const TUser& user) const {
  return m_users->Count() == 0 || ListHolds(*m_users, user.Name());
}

bool TTrigger::DepartmentMatches(const TVexaHit& hit) const {
  const TAdvStrings& includes = m_filter->Includes();
  if (includes.Count() == 0 || m_filter->Excludes().Count() == 0) return true;
  return ListHolds(includes, hit.Department());
}

bool TTrigger::BaseConditions(const TUser& user, const TVexaHit& hit) const {
  return SizesMatch(hit) && UsersMatch(user) && DepartmentMatches(hit);
}

bool TTrigger::Applies(const TUser& user, const TSession& session, TVexaHit& hit,
                       TTriggerContext& context) {
  return BaseConditions(user, hit);
}

void TTrigger::DescribeSizes(std::string& text) const {
  const std::string_view metric = MetricName(m_metric);
  if (m_incomingSize > 0)
    text += AdvFormat("; incoming greater than %d %s",
                      {SizeInMetric(m_incomingSize, m_metric), metric});
  if (m_outgoingSize > 0)
    text += AdvFormat("; outgoing greater than %d %s",
                      {SizeInMetric(m_outgoingSize, m_metric), metric});
  if (m_totalSize > 0)
    text +=
        AdvFormat("; total size greater than %d %s", {SizeInMetric(m_totalSize, m_metric), metric});
}

void TTrigger::DescribeUsers(std::string& text) const {
  if (m_users->Count() > 0) text += "; users: " + JoinList(*m_users);
}

void TTrigger::DescribeDepartments(std::string& text) const {
  if (m_filter->Includes().Count() > 0) text += "; departments: " + JoinList(m_filter->Includes());
}

std::string TTrigger::FinishDescription(const std::string& text) {
  if (text.size() <= 3) return text;
  std::string result(1, AsciiUpper(text[2]));
  result += std::string_view(text).substr(3, 999);
  result += '.';
  return result;
}

std::string TTrigger::Describe(const TSettings* settings) const {
  std::string text;
  DescribeSizes(text);
  DescribeUsers(text);
  DescribeDepartments(text);
  return FinishDescription(text);
}

void TTrigger::Assign(const TAdvObject& source) {
  TAdvNamed::Assign(source);
  const auto& other = static_cast<const TTrigger&>(source);
  m_enabled = other.m_enabled;
  m_created = other.m_created;
  m_priority = other.m_priority;
  m_overall = other.m_overall;
  m_incomingSize = other.m_incomingSize;
  m_outgoingSize = other.m_outgoingSize;
  m_totalSize = other.m_totalSize;
  m_metric = other.m_metric;
  CopyList(*m_users, *other.m_users);
  m_filter->Assign(*other.m_filter);
  m_notify = other.m_notify;
  CopyList(*m_tos, *other.m_tos);
  CopyList(*m_ccs, *other.m_ccs);
  CopyList(*m_bccs, *other.m_bccs);
  m_subject = other.m_subject;
}

void TTrigger::Define(TAdvFiler& filer) {
  TAdvNamed::Define(filer);
  filer.Field("Enabled").DefineBoolean(m_enabled);
  filer.Field("Created").DefineReal(m_created);
  filer.Field("Priority").DefineEnumerated(m_priority);
  if (m_priority >= kPriorityCount) m_priority = kPriorityHigh;
  filer.Field("Overall").DefineBoolean(m_overall);
  filer.Field("IncomingSize").DefineInteger64(m_incomingSize);
  filer.Field("OutgoingSize").DefineInteger64(m_outgoingSize);
  filer.Field("TotalSize").DefineInteger64(m_totalSize);
  filer.Field("Metric").DefineEnumerated(m_metric);
  if (m_metric >= kMetricCount) m_metric = kMetricMegabytes;
  DefineList(filer, "Users", m_users);
  filer.Field("Filter").DefineObjectRef(m_filter);
  if (!m_filter) m_filter = AdvNew<TDepartmentFilter>();
  if (filer.HasOptional(TAdvFilerKind::Boolean)) {
    filer.Field("Notify").DefineBoolean(m_notify);
    DefineList(filer, "Tos", m_tos, ";");
    DefineList(filer, "Ccs", m_ccs, ";");
    DefineList(filer, "Bccs", m_bccs, ";");
    filer.Field("Subject").DefineString(m_subject);
  }
}

// ---------------------------------------------------------------------------
// THitTrigger

THitTrigger::THitTrigger()
    : m_sites(NewList()),
      m_files(NewList()),
      m_profiles(AdvNew<TProfileFilter>()),
      m_protocols(NewList()),
      m_keywords(NewList()),
      m_ports(AdvNew<TTriggerPorts>()),
      m_statuses(NewList()) {
  // A new trigger has no profile condition: an enabled filter that selects
  // nothing would refuse every hit.
  m_profiles->SetEnabled(false);
}

THitTrigger::~THitTrigger() = default;

TProfileFilter& THitTrigger::Profiles() const {
  return *m_profiles;
}

std::string THitTrigger::KeywordText(const TVexaHit& hit) {
  std::string text;
  switch (hit.Protocol()) {
    case kProtocolWeb:
    case kProtocolSecureWeb:
    case kProtocolGopher:
      text = hit.URL();
      text += hit.Query();
      break;
    case kProtocolMail:
      text.assign(hit.Source());
      text += '|';
      text += hit.Destination();
      text += '|';
      text += hit.Subject();
      break;
    default:
      text.assign(hit.Destination());
      break;
  }
  LowerInPlace(text);
  return text;
}

bool THitTrigger::HitConditions(const TVexaHit& hit) const {
  if (m_sites->Count() > 0 && !ListHolds(*m_sites, hit.Destination())) return false;
  if (m_files->Count() > 0 && !ListHolds(*m_files, hit.FileTypeAlias())) return false;
  if (m_keywords->Count() > 0) {
    const std::string text = KeywordText(hit);
    bool found = false;
    std::string keyword;
    for (int i = 0; i < m_keywords->Count() && !found; ++i) {
      keyword = m_keywords->GetItem(i);
      LowerInPlace(keyword);
      found = text.find(keyword) != std::string::npos;
    }
    if (!found) return false;
  }
  if (m_ports->IsActive() && !m_ports->Match(hit)) return false;
  if (m_profiles->Enabled() && !ListHolds(m_profiles->Includes(), hit.Profile())) return false;
  if (m_protocols->Count() > 0 && !ListHolds(*m_protocols, HitProtocolName(hit.Protocol())))
    return false;
  if (m_statuses->Count() > 0 && !ListHolds(*m_statuses, HitStatusName(hit.Status()))) return false;
  return true;
}

bool THitTrigger::Applies(const TUser& user, const TSession& session, TVexaHit& hit,
                          TTriggerContext& context) {
  return BaseConditions(user, hit) && HitConditions(hit);
}

std::string THitTrigger::DescribeRaw(const TSettings* settings) const {
  std::string text;
  DescribeSizes(text);
  DescribeUsers(text);
  if (m_sites->Count() > 0) text += "; sites: " + JoinList(*m_sites);
  if (m_files->Count() > 0) text += "; files: " + JoinList(*m_files);
  if (m_keywords->Count() > 0) text += "; Keywords: " + JoinList(*m_keywords);
  DescribeDepartments(text);
  if (m_profiles->Includes().Count() > 0) text += "; profiles: " + JoinList(m_profiles->Includes());
  if (m_protocols->Count() > 0) text += "; protocols: " + JoinList(*m_protocols);
  if (m_statuses->Count() > 0) text += "; statuses: " + JoinList(*m_statuses);
  if (m_threshold != 1) text += AdvFormat("; threshold: %d", {m_threshold});
  if (m_ports->IsActive()) text = m_ports->Describe(std::move(text));
  return text;
}

std::string THitTrigger::Describe(const TSettings* settings) const {
  return FinishDescription(DescribeRaw(settings));
}

void THitTrigger::Assign(const TAdvObject& source) {
  TTrigger::Assign(source);
  const auto* other = AdvCast<THitTrigger>(&source);
  if (!other) return;
  CopyList(*m_sites, *other->m_sites);
  CopyList(*m_files, *other->m_files);
  m_profiles->Assign(*other->m_profiles);
  CopyList(*m_protocols, *other->m_protocols);
  m_threshold = other->m_threshold;
  CopyList(*m_keywords, *other->m_keywords);
  m_ports->Assign(*other->m_ports);
  SetRefire(other->m_refire);
  SetNewHitAction(other->m_newHitAction);
  CopyList(*m_statuses, *other->m_statuses);
}

void THitTrigger::Define(TAdvFiler& filer) {
  TTrigger::Define(filer);
  DefineList(filer, "Sites", m_sites);
  DefineList(filer, "Files", m_files);
  filer.Field("Profiles").DefineObjectRef(m_profiles);
  if (!m_profiles) {
    m_profiles = AdvNew<TProfileFilter>();
    m_profiles->SetEnabled(false);
  }
  DefineList(filer, "Protocols", m_protocols);
  filer.Field("Threshold").DefineInteger(m_threshold);
  if (filer.HasOptional(TAdvFilerKind::Object)) DefineList(filer, "Keywords", m_keywords);
  if (filer.HasOptional(TAdvFilerKind::Object)) {
    filer.Field("Ports").DefineObjectRef(m_ports);
    if (!m_ports) m_ports = AdvNew<TTriggerPorts>();
  }
  if (filer.HasOptional(TAdvFilerKind::Boolean)) {
    bool refire = m_refire;
    uint8_t action = m_newHitAction;
    filer.Field("Refire").DefineBoolean(refire);
    filer.Field("NewHitAction").DefineEnumerated(action);
    // Through the setters, so that a kind with fixed values keeps them.
    SetRefire(refire);
    SetNewHitAction(action);
  }
  if (filer.HasOptional(TAdvFilerKind::Object)) DefineList(filer, "Statuses", m_statuses);
}

// ---------------------------------------------------------------------------
// TSessionTrigger

bool TSessionTrigger::Applies(const TUser& user, const TSession& session, TVexaHit& hit,
                              TTriggerContext& context) {
  if (!BaseConditions(user, hit)) return false;
  const int64_t elapsed = Overall() ? user.TotalElapsed() : session.Finish() - session.Start();
  return elapsed >= m_time;
}

std::string TSessionTrigger::Describe(const TSettings* settings) const {
  std::string text;
  DescribeSizes(text);
  if (m_time > 0)
    text += (Overall() ? "; total elapsed time longer than " : "; sessions longer than ") +
            DurationText(m_time, settings);
  DescribeUsers(text);
  DescribeDepartments(text);
  return FinishDescription(text);
}

void TSessionTrigger::Assign(const TAdvObject& source) {
  TTrigger::Assign(source);
  if (const auto* other = AdvCast<TSessionTrigger>(&source)) m_time = other->m_time;
}

void TSessionTrigger::Define(TAdvFiler& filer) {
  TTrigger::Define(filer);
  filer.Field("Time").DefineInteger64(m_time);
}

// ---------------------------------------------------------------------------

std::string_view TypeName(const TTrigger* trigger) {
  if (!trigger) return "Unknown";
  if (trigger->IsTimeRange()) return "Time range";
  if (AdvCast<THitTrigger>(trigger)) return "Single";
  if (AdvCast<TSessionTrigger>(trigger)) return trigger->Overall() ? "Cumulative" : "Session";
  return "Unknown";
}

int CompareTriggers(const TTrigger& a, const TTrigger& b, TTriggerOrder order) {
  int result = 0;
  switch (order) {
    case TTriggerOrder::Priority:
      result = int(a.Priority()) - int(b.Priority());
      break;
    case TTriggerOrder::Enabled:
      result = int(a.Enabled()) - int(b.Enabled());
      break;
    case TTriggerOrder::TypeName:
      result = CompareTextAscii(TypeName(&a), TypeName(&b));
      break;
    case TTriggerOrder::NameDescription:
      result = CompareTextAscii(a.Name(), b.Name());
      if (result == 0) result = CompareTextAscii(a.Describe(), b.Describe());
      break;
    case TTriggerOrder::Description:
      result = CompareTextAscii(a.Describe(), b.Describe());
      break;
  }
  if (result == 0) result = CompareTextAscii(a.Name(), b.Name());
  return result < 0 ? -1 : (result > 0 ? 1 : 0);
}
