#include "classify/Aliases.h"

#include <unordered_set>

#include "core/AdvAscii.h"
#include "core/AdvFilers.h"
#include "core/AdvTexts.h"
#include "monitor/Hits.h"

ADV_CLASS_IMPL(TAlias, TAdvStrings)
ADV_CLASS_IMPL(TMatch, THashable)
ADV_CLASS_IMPL(TMatches, THash)
ADV_CLASS_IMPL(TAliases, TAdvList)
ADV_CLASS_IMPL(TSitenames, TAliases)
ADV_CLASS_IMPL(TFileTypes, TAliases)
ADV_CLASS_IMPL(TDepartments, TAliases)
ADV_CLASS_IMPL(THosts, TAliases)

bool IsBlankText(std::string_view text) {
  for (char c : text)
    if (uint8_t(c) > 32) return false;
  return true;
}

bool IsDottedIPv4(std::string_view text) {
  int parts = 0;
  size_t at = 0;
  for (;;) {
    size_t digits = 0;
    int value = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9' && digits < 4) {
      value = value * 10 + (text[at] - '0');
      ++at;
      ++digits;
    }
    if (digits == 0 || digits > 3 || value > 255) return false;
    if (++parts == 4) return at == text.size();
    if (at >= text.size() || text[at] != '.') return false;
    ++at;
  }
}

namespace {

// Raises the mask error when a wildcard pattern does not compile.
void CheckPattern(std::string_view pattern) {
  if (HasWildcards(pattern)) TAdvRef<TAdvMask> probe = AdvNew<TAdvMask>(pattern);
}

}  // namespace

// ---------------------------------------------------------------------------
// TAlias

TAlias::TAlias() {
  SetDuplicates(TAdvDuplicates::Ignore);
}

TAlias::TAlias(std::string name) : m_name(std::move(name)) {
  SetDuplicates(TAdvDuplicates::Ignore);
}

std::string TAlias::PatternsText() const {
  std::string text;
  for (int i = 0; i < Count(); ++i) {
    if (i > 0) text += ", ";
    text += GetItem(i);
  }
  return text;
}

int TAlias::Add(std::string text) {
  if (IsBlankText(text)) return -1;
  CheckPattern(text);
  return TAdvStrings::Add(std::move(text));
}

void TAlias::Insert(int index, std::string text) {
  if (IsBlankText(text)) return;
  CheckPattern(text);
  TAdvStrings::Insert(index, std::move(text));
}

void TAlias::Sanitise(std::vector<std::string>& problems) {
  std::unordered_set<std::string> seen;
  for (int i = 0; i < Count();) {
    const std::string& pattern = GetItem(i);
    bool keep = !IsBlankText(pattern) && seen.insert(LowerAscii(pattern)).second;
    if (keep) {
      try {
        CheckPattern(pattern);
      } catch (const EAdvanced& e) {
        problems.push_back("Skipped the pattern '" + pattern + "' of '" + m_name +
                           "': " + e.BareMessage());
        keep = false;
      }
    }
    if (keep)
      ++i;
    else
      DeleteByIndex(i);
  }
}

void TAlias::Assign(const TAdvObject& source) {
  TAdvStrings::Assign(source);
  m_name = static_cast<const TAlias&>(source).m_name;
}

void TAlias::Define(TAdvFiler& filer) {
  TAdvStrings::Define(filer);
  filer.Field("Name").DefineString(m_name);
}

size_t TAlias::SizeInBytes() const {
  return TAdvStrings::SizeInBytes() - sizeof(TAdvStrings) + sizeof(*this) + m_name.capacity();
}

// ---------------------------------------------------------------------------
// TMatch, TMatches

void TMatch::Assign(const TAdvObject& source) {
  THashable::Assign(source);
  m_value = static_cast<const TMatch&>(source).m_value;
}

void TMatches::AddMatch(std::string_view key, std::string_view value) {
  if (GetByName(key)) return;
  TAdvRef<TMatch> entry = AdvNew<TMatch>(key, value);
  Add(entry.Get());
  entry.Detach();  // the table owns it now
}

const std::string* TMatches::Find(std::string_view key) const {
  if (Count() == 0) return nullptr;
  const auto* entry = static_cast<const TMatch*>(GetByName(key));
  return entry ? &entry->Value() : nullptr;
}

// ---------------------------------------------------------------------------
// TAliases: the list

TAliases::TAliases() : m_exact(AdvNew<TMatches>()), m_wilds(AdvNew<TStringWilds>()) {}

TAliases::~TAliases() {
  m_onChanged = nullptr;  // the owner may be half gone; a dying table tells nobody
}

int TAliases::Add(TAdvObject* object) {
  auto* alias = AdvCast<TAlias>(object);
  if (!alias) Error("Add", "Can only contain objects descended from TAlias");
  const int existing = IndexOfAlias(alias->Name());
  if (existing >= 0) {
    object->Release();
    return existing;
  }
  const int index = Count();
  TAdvList::Insert(index, object);
  NotifyChanged();
  return index;
}

void TAliases::Insert(int index, TAdvObject* object) {
  if (!AdvCast<TAlias>(object)) Error("Insert", "Can only contain objects descended from TAlias");
  TAdvList::Insert(index, object);
  NotifyChanged();
}

void TAliases::Clear() {
  TAdvList::Clear();
  ClearIndex();
  NotifyChanged();
}

void TAliases::CloseSlot(int index) {
  TAdvList::CloseSlot(index);
  NotifyChanged();
}

int TAliases::AddAlias(std::string_view name) {
  if (IsBlankText(name)) Error("AddAlias", "An alias needs a name");
  const int existing = IndexOfAlias(name);
  if (existing >= 0) return existing;
  return Add(AdvNew<TAlias>(std::string(name)).Detach());
}

int TAliases::IndexOfAlias(std::string_view name) const {
  for (int i = Count() - 1; i >= 0; --i)
    if (SameTextAscii(Alias(i)->Name(), name)) return i;
  return -1;
}

TAlias* TAliases::FindOrAddAlias(std::string_view name) {
  return Alias(AddAlias(name));
}

int TAliases::PatternCount() const {
  int count = 0;
  for (int i = 0; i < Count(); ++i) count += Alias(i)->Count();
  return count;
}

void TAliases::NotifyChanged() {
  if (m_batch > 0) {
    m_changedInBatch = true;
    return;
  }
  ClearMemo();
  if (m_onChanged) m_onChanged();
}

void TAliases::EndChanges() {
  if (m_batch == 0) return;
  if (--m_batch == 0 && m_changedInBatch) {
    m_changedInBatch = false;
    NotifyChanged();
  }
}

size_t TAliases::SizeInBytes() const {
  return TAdvList::SizeInBytes() - sizeof(TAdvList) + sizeof(*this) + m_exact->SizeInBytes() +
         m_wilds->SizeInBytes();
}

// ---------------------------------------------------------------------------
// TAliases: indexes and look-ups

void TAliases::BuildIndex() {
  BuildIndexOf({this});
}

void TAliases::ClearIndex() {
  m_exact = AdvNew<TMatches>();
  m_wilds = AdvNew<TStringWilds>();
  m_indexProblems.clear();
  ClearMemo();
}

void TAliases::Reindex() {
  ClearIndex();
  BuildIndex();
}

void TAliases::BuildIndexOf(const std::vector<const TAliases*>& tables) {
  TAdvRef<TMatches> exact = AdvNew<TMatches>();
  TAdvRef<TStringWilds> wilds = AdvNew<TStringWilds>();
  std::vector<std::string> problems;
  // Names first: an alias name always finds its own alias, whatever pattern
  // another alias lists.
  for (const TAliases* table : tables)
    for (int i = 0; i < table->Count(); ++i) {
      const std::string& name = table->Alias(i)->Name();
      exact->AddMatch(name, name);
    }
  for (const TAliases* table : tables)
    for (int i = 0; i < table->Count(); ++i) {
      const TAlias* alias = table->Alias(i);
      for (int p = 0; p < alias->Count(); ++p) {
        const std::string& pattern = alias->GetItem(p);
        if (IsBlankText(pattern)) continue;
        if (!HasWildcards(pattern)) {
          exact->AddMatch(pattern, alias->Name());
          continue;
        }
        try {
          wilds->AddWild(alias->Name(), pattern);
        } catch (const EAdvanced& e) {
          // Only a pattern that bypassed the checks gets here; leaving it out
          // keeps the rest of the table working.
          problems.push_back("Skipped the pattern '" + pattern + "' of '" + alias->Name() +
                             "': " + e.BareMessage());
        }
      }
    }
  m_exact = std::move(exact);
  m_wilds = std::move(wilds);
  m_indexProblems = std::move(problems);
  ClearMemo();
}

void TAliases::EnsureIndexed() {
  if (m_exact->Count() == 0 && Count() > 0) Reindex();
}

namespace {

// The look-ups over an index, shared by the table and TAliasLookup.
std::string_view ExactView(const TMatches& exact, std::string_view raw, std::string_view fallback) {
  if (const std::string* name = exact.Find(raw)) return *name;
  return fallback;
}

std::string_view IndexView(const TMatches& exact, const TStringWilds& wilds, TWildMemo& memo,
                           std::string& viewed, std::string_view raw) {
  const std::string_view found = ExactView(exact, raw, {});
  if (!found.empty()) return found;
  if (memo.Translate(wilds, raw, viewed)) return viewed;
  return raw;
}

}  // namespace

std::string TAliases::LookupDefault(std::string_view raw, std::string_view fallback) {
  EnsureIndexed();
  return std::string(ExactView(*m_exact, raw, fallback));
}

bool TWildMemo::Translate(const TStringWilds& wilds, std::string_view raw, std::string& name) {
  if (wilds.Count() == 0) return false;
  if (auto at = m_current.find(raw); at != m_current.end()) {
    if (at->second.Matched) name = at->second.Name;
    return at->second.Matched;
  }
  TAnswer answer;
  if (auto old = m_old.find(raw); old != m_old.end()) {
    answer = std::move(old->second);
    m_old.erase(old);
  } else {
    answer.Matched = wilds.TranslateText(raw, answer.Name);
  }
  if (m_current.size() >= kLimit) {
    // A new generation: the old one goes, the current one becomes old.
    m_old = std::move(m_current);
    m_current.clear();
  }
  const bool matched = answer.Matched;
  if (matched) name = answer.Name;
  m_current.emplace(std::string(raw), std::move(answer));
  return matched;
}

void TWildMemo::Clear() {
  m_current.clear();
  m_old.clear();
}

bool TAliases::TranslateWild(std::string_view raw, std::string& name) {
  return m_memo.Translate(*m_wilds, raw, name);
}

std::string TAliases::Lookup(std::string_view raw) {
  std::string name = LookupDefault(raw, {});
  if (!name.empty()) return name;
  if (TranslateWild(raw, name)) return name;
  return std::string(raw);
}

std::string_view TAliases::LookupDefaultView(std::string_view raw, std::string_view fallback) {
  EnsureIndexed();
  return ExactView(*m_exact, raw, fallback);
}

std::string_view TAliases::LookupView(std::string_view raw) {
  EnsureIndexed();
  return IndexView(*m_exact, *m_wilds, m_memo, m_viewed, raw);
}

bool TAliases::IsKnown(std::string_view text) {
  if (HasAlias(text)) return true;
  const std::string name = Lookup(text);
  return name != text && name != kMiscellaneous;
}

std::string TAliases::SuggestName(std::string_view raw) const {
  std::string_view name = raw;
  if (const size_t at = name.rfind('@'); at != std::string_view::npos) {
    name = name.substr(0, at);
  } else if (const size_t slash = name.find('\\'); slash != std::string_view::npos) {
    name = name.substr(slash + 1);
  }
  return Capitalise(name);
}

void TAliases::Merge(const TAliases& other) {
  std::unordered_set<std::string> listed;
  for (int i = 0; i < Count(); ++i)
    for (int p = 0; p < Alias(i)->Count(); ++p) listed.insert(LowerAscii(Alias(i)->GetItem(p)));
  BeginChanges();
  try {
    for (int i = 0; i < other.Count(); ++i) {
      const TAlias* source = other.Alias(i);
      if (IsBlankText(source->Name())) continue;
      for (int p = 0; p < source->Count(); ++p) {
        const std::string& pattern = source->GetItem(p);
        if (IsBlankText(pattern) || HasAlias(pattern)) continue;
        if (!listed.insert(LowerAscii(pattern)).second) continue;
        try {
          FindOrAddAlias(source->Name())->Add(pattern);
        } catch (const EAdvanced&) {
          listed.erase(LowerAscii(pattern));  // an invalid mask is not taken
        }
      }
    }
  } catch (...) {
    EndChanges();
    throw;
  }
  EndChanges();
}

// ---------------------------------------------------------------------------
// The other kinds

bool TSitenames::IsKnown(std::string_view text) {
  if (!IsDottedIPv4(text) && text.find('@') == std::string_view::npos) return true;
  return TAliases::IsKnown(text);
}

std::string TFileTypes::Lookup(std::string_view raw) {
  return LookupDefault(raw, kMiscellaneous);
}

std::string TFileTypes::SuggestName(std::string_view raw) const {
  if (raw.empty() || raw[0] != '.') return std::string(raw);
  return UpperAscii(raw.substr(1)) + " File";
}

std::string TDepartments::Lookup(std::string_view raw) {
  return LookupDefault(raw, kMiscellaneous);
}

void THosts::SetSources(TAliases* users, TAliases* sites) {
  m_users = TAdvRef<TAliases>::Share(users);
  m_sites = TAdvRef<TAliases>::Share(sites);
}

void THosts::BuildFrom(const std::vector<const TAliases*>& tables) {
  std::vector<TAdvRef<TAliases>> indexed = m_indexed;
  for (const TAliases* table : tables)
    if (table) indexed.push_back(TAdvRef<TAliases>::Share(const_cast<TAliases*>(table)));
  std::vector<const TAliases*> all;
  for (const auto& table : indexed) all.push_back(table.Get());
  BuildIndexOf(all);
  m_indexed = std::move(indexed);
}

void THosts::BuildIndex() {
  BuildFrom({m_users.Get(), m_sites.Get()});
}

void THosts::ClearIndex() {
  TAliases::ClearIndex();
  m_indexed.clear();
}

void THosts::Reindex() {
  ClearIndex();
  BuildIndex();
}

// ---------------------------------------------------------------------------
// TAliasLookup

TAliasLookup::TAliasLookup(TAliases& table) {
  table.EnsureIndexed();
  m_exact = table.m_exact;
  m_wilds = table.m_wilds;
}

std::string_view TAliasLookup::LookupDefaultView(std::string_view raw,
                                                 std::string_view fallback) const {
  return m_exact ? ExactView(*m_exact, raw, fallback) : fallback;
}

std::string_view TAliasLookup::LookupView(std::string_view raw) {
  return m_exact ? IndexView(*m_exact, *m_wilds, m_memo, m_viewed, raw) : raw;
}

// ---------------------------------------------------------------------------
// Hits and the quick alias commands

void ApplyAliases(TVexaHit& hit, TAliases& hosts, TAliases& departments, TAliases& fileTypes) {
  hit.SetSource(hosts.Lookup(hit.Source()));
  hit.SetDestination(hosts.Lookup(hit.Destination()));
  hit.SetDepartment(departments.Lookup(hit.Source()));
  hit.SetFileTypeAlias(fileTypes.Lookup(hit.FileType()));
}

void AssignUserAlias(TAliases& users, std::string_view name, std::string_view raw) {
  users.BeginChanges();
  try {
    const int named = users.IndexOfAlias(name);
    const int rawNamed = users.IndexOfAlias(raw);
    if (named >= 0 || rawNamed < 0)
      users.FindOrAddAlias(name)->Add(std::string(raw));
    else
      users.Alias(rawNamed)->SetName(std::string(name));
    users.NotifyChanged();
  } catch (...) {
    users.EndChanges();
    throw;
  }
  users.EndChanges();
}

void AssignAlias(TAliases& table, std::string_view name, std::string_view raw) {
  table.BeginChanges();
  try {
    table.FindOrAddAlias(name)->Add(std::string(raw));
    table.NotifyChanged();
  } catch (...) {
    table.EndChanges();
    throw;
  }
  table.EndChanges();
}
