#include "classify/Profiles.h"

#include <atomic>

#include "classify/Aliases.h"
#include "core/AdvAscii.h"
#include "core/AdvFilers.h"
#include "core/AdvTexts.h"
#include "core/AdvXMLFilers.h"
#include "monitor/Hits.h"

ADV_CLASS_IMPL(TProfile, TAdvNamed)
ADV_CLASS_IMPL(TProfiles, TAdvNamedList)

namespace {

TAdvRef<TAdvStrings> NewKeywordList() {
  TAdvRef<TAdvStrings> list = AdvNew<TAdvStrings>();
  list->SetDuplicates(TAdvDuplicates::Ignore);
  list->SetSorted(true);
  return list;
}

void RemoveKeyword(TAdvStrings& list, std::string_view keyword) {
  const int index = list.IndexOf(keyword);
  if (index >= 0) list.DeleteByIndex(index);
}

// Sorted lists hold equal keywords side by side after a load.
void SanitiseList(TAdvStrings& list) {
  for (int i = 0; i < list.Count();) {
    if (IsBlankText(list.GetItem(i)) ||
        (i > 0 && SameTextAscii(list.GetItem(i), list.GetItem(i - 1))))
      list.DeleteByIndex(i);
    else
      ++i;
  }
}

std::string JoinList(const TAdvStrings& list) {
  std::string text;
  for (int i = 0; i < list.Count(); ++i) {
    if (i > 0) text += ", ";
    text += list.GetItem(i);
  }
  return text;
}

}  // namespace

// ---------------------------------------------------------------------------
// TProfile

TProfile::TProfile() : m_includes(NewKeywordList()), m_excludes(NewKeywordList()) {}

TProfile::TProfile(std::string name) : TProfile() {
  m_name = std::move(name);
}

std::string TProfile::IncludesText() const {
  return JoinList(*m_includes);
}
std::string TProfile::ExcludesText() const {
  return JoinList(*m_excludes);
}

void TProfile::AddInclude(std::string_view keyword) {
  if (!IsBlankText(keyword)) m_includes->Add(std::string(keyword));
}

void TProfile::AddExclude(std::string_view keyword) {
  if (!IsBlankText(keyword)) m_excludes->Add(std::string(keyword));
}

void TProfile::RemoveInclude(std::string_view keyword) {
  RemoveKeyword(*m_includes, keyword);
}
void TProfile::RemoveExclude(std::string_view keyword) {
  RemoveKeyword(*m_excludes, keyword);
}

void TProfile::IncludeKeyword(std::string_view keyword) {
  if (IsBlankText(keyword)) return;
  AddInclude(keyword);
  RemoveExclude(keyword);
}

void TProfile::ExcludeKeyword(std::string_view keyword) {
  if (IsBlankText(keyword)) return;
  AddExclude(keyword);
  RemoveInclude(keyword);
}

void TProfile::ClearKeywords() {
  m_includes->Clear();
  m_excludes->Clear();
}

void TProfile::Sanitise() {
  m_includes->Sort();
  m_excludes->Sort();
  SanitiseList(*m_includes);
  SanitiseList(*m_excludes);
}

void TProfile::Prepare() {
  Unprepare();
  if (m_excludes->Count() == 0) return;
  std::vector<TKeywordTrie::TWord> words;
  words.reserve(size_t(m_excludes->Count()));
  for (int i = 0; i < m_excludes->Count(); ++i)
    words.push_back({LowerAscii(m_excludes->GetItem(i)), 0});
  auto trie = std::make_unique<TKeywordTrie>();
  trie->Build(std::move(words));
  m_excludeTrie = std::move(trie);
}

void TProfile::Unprepare() {
  m_excludeTrie.reset();
}

bool TProfile::Accepts(std::string_view text) const {
  return !m_excludeTrie || !m_excludeTrie->Occurs(text);
}

void TProfile::Assign(const TAdvObject& source) {
  TAdvNamed::Assign(source);
  const auto& other = static_cast<const TProfile&>(source);
  m_description = other.m_description;
  m_includes->Assign(*other.m_includes);
  m_excludes->Assign(*other.m_excludes);
  Unprepare();
}

void TProfile::Define(TAdvFiler& filer) {
  TAdvNamed::Define(filer);
  filer.Field("Includes").DefineObjectRef(m_includes);
  filer.Field("Excludes").DefineObjectRef(m_excludes);
  // A file may hold <nil> for a list: the profile still has one.
  if (!m_includes) m_includes = NewKeywordList();
  if (!m_excludes) m_excludes = NewKeywordList();
  if (!filer.IsReader()) {
    filer.Field("Description").DefineString(m_description);
    return;
  }
  m_description.clear();
  // Files without a description may still carry "Enabled": only a text is
  // taken as the description.
  if (filer.Peek() == TAdvFilerKind::String) filer.Field("Description").DefineString(m_description);
  if (filer.Peek() == TAdvFilerKind::Boolean) {
    bool enabled = true;  // older files only; not kept
    filer.Field("Enabled").DefineBoolean(enabled);
  }
}

size_t TProfile::SizeInBytes() const {
  return sizeof(*this) + m_name.capacity() + m_description.capacity() + m_includes->SizeInBytes() +
         m_excludes->SizeInBytes() + (m_excludeTrie ? m_excludeTrie->SizeInBytes() : 0);
}

// ---------------------------------------------------------------------------
// TProfiles: the list

namespace {
uint64_t NextGeneration() {
  static std::atomic<uint64_t> last{0};
  return last.fetch_add(1, std::memory_order_relaxed) + 1;
}
}  // namespace

TProfiles::TProfiles() : m_generation(NextGeneration()) {}

TProfiles::~TProfiles() {
  m_onChanged = nullptr;
}

TProfile* TProfiles::ProfileByName(std::string_view name) const {
  for (int i = Count() - 1; i >= 0; --i)
    if (SameTextAscii(Profile(i)->Name(), name)) return Profile(i);
  return nullptr;
}

int TProfiles::Add(TAdvObject* object) {
  if (!AdvCast<TProfile>(object)) Error("Add", "Can only contain objects descended from TProfile");
  const int index = Count();
  TAdvList::Insert(index, object);
  NotifyChanged();
  return index;
}

void TProfiles::Insert(int index, TAdvObject* object) {
  if (!AdvCast<TProfile>(object))
    Error("Insert", "Can only contain objects descended from TProfile");
  TAdvList::Insert(index, object);
  NotifyChanged();
}

void TProfiles::Clear() {
  TAdvNamedList::Clear();
  NotifyChanged();
}

void TProfiles::CloseSlot(int index) {
  TAdvNamedList::CloseSlot(index);
  NotifyChanged();
}

TProfile* TProfiles::ForceProfile(std::string_view name) {
  if (TProfile* existing = ProfileByName(name)) return existing;
  // Handed over before Add: once inserted the list owns it, even when the
  // change handler then raises.
  TProfile* made = AdvNew<TProfile>(std::string(name)).Detach();
  Add(made);
  return made;
}

// A new profile is announced once its keyword is in, so that the shared copy
// written for the announcement holds it.
void TProfiles::IncludeKeyword(std::string_view profileName, std::string_view keyword) {
  if (IsBlankText(keyword)) return;
  BeginChanges();
  try {
    ForceProfile(profileName)->IncludeKeyword(keyword);
  } catch (...) {
    EndChanges();
    throw;
  }
  EndChanges();
}

void TProfiles::ExcludeKeyword(std::string_view profileName, std::string_view keyword) {
  if (IsBlankText(keyword)) return;
  BeginChanges();
  try {
    ForceProfile(profileName)->ExcludeKeyword(keyword);
  } catch (...) {
    EndChanges();
    throw;
  }
  EndChanges();
}

void TProfiles::Merge(const TProfiles& other) {
  BeginChanges();
  try {
    for (int i = 0; i < other.Count(); ++i) {
      const TProfile* source = other.Profile(i);
      TProfile* target = ForceProfile(source->Name());
      for (int k = 0; k < source->Includes().Count(); ++k) {
        const std::string& keyword = source->Includes().GetItem(k);
        if (!target->Excludes().Exists(keyword)) target->AddInclude(keyword);
      }
      for (int k = 0; k < source->Excludes().Count(); ++k) {
        const std::string& keyword = source->Excludes().GetItem(k);
        if (!target->Includes().Exists(keyword)) target->AddExclude(keyword);
      }
    }
  } catch (...) {
    EndChanges();
    throw;
  }
  m_changedInBatch = true;  // keywords changed even when no profile was added
  EndChanges();
}

int TProfiles::KeywordCount() const {
  int count = 0;
  for (int i = 0; i < Count(); ++i)
    count += Profile(i)->Includes().Count() + Profile(i)->Excludes().Count();
  return count;
}

void TProfiles::NotifyChanged() {
  if (m_batch > 0) {
    m_changedInBatch = true;
    return;
  }
  // The prepared state follows the list even when telling the shared files
  // fails; that error still reaches the caller.
  try {
    if (m_onChanged) m_onChanged();
  } catch (...) {
    Rebuild();
    throw;
  }
  Rebuild();
}

void TProfiles::EndChanges() {
  if (m_batch == 0) return;
  if (--m_batch == 0 && m_changedInBatch) {
    m_changedInBatch = false;
    NotifyChanged();
  }
}

size_t TProfiles::SizeInBytes() const {
  size_t size = TAdvNamedList::SizeInBytes() - sizeof(TAdvNamedList) + sizeof(*this) +
                m_trie.SizeInBytes() - sizeof(m_trie) +
                m_owners.capacity() * sizeof(TAdvRef<TProfile>);
  return size;
}

// ---------------------------------------------------------------------------
// TProfiles: classifying

void TProfiles::Prepare() {
  Unprepare();
  if (Count() == 0) return;
  std::vector<TKeywordTrie::TWord> words;
  words.reserve(size_t(KeywordCount()));
  m_owners.reserve(size_t(Count()));
  for (int i = 0; i < Count(); ++i) {
    TProfile* profile = Profile(i);
    profile->Prepare();
    const auto owner = int32_t(m_owners.size());
    m_owners.push_back(TAdvRef<TProfile>::Share(profile));
    for (int k = 0; k < profile->Includes().Count(); ++k)
      words.push_back({LowerAscii(profile->Includes().GetItem(k)), owner});
  }
  // Later words replace the data of earlier equal ones: the later profile
  // in list order owns a keyword that two include.
  m_trie.Build(std::move(words));
  m_prepared = true;
}

void TProfiles::Unprepare() {
  m_prepared = false;
  m_generation = NextGeneration();
  m_trie.Clear();
  for (auto& owner : m_owners) owner->Unprepare();
  m_owners.clear();
  for (int i = 0; i < Count(); ++i) Profile(i)->Unprepare();
}

void TProfiles::Rebuild() {
  Unprepare();
  Prepare();
}

std::string_view TProfiles::Classify(std::string_view text) const {
  if (!m_prepared || m_trie.WordCount() == 0) return kMiscellaneous;
  char buffer[THit::kMatchTextSize];
  if (text.size() <= sizeof buffer) {
    for (size_t i = 0; i < text.size(); ++i) buffer[i] = AsciiLower(text[i]);
    return ClassifyLowered(std::string_view(buffer, text.size()));
  }
  const std::string lowered = LowerAscii(text);
  return ClassifyLowered(lowered);
}

std::string_view TProfiles::ClassifyLowered(std::string_view text) const {
  if (!m_prepared || m_trie.WordCount() == 0) return kMiscellaneous;
  const size_t length = text.size();
  for (size_t start = 0; start < length; ++start) {
    if (start + 1 < length && !m_trie.MayStart(uint8_t(text[start]), uint8_t(text[start + 1])))
      continue;
    TKeywordTrie::TNode node = m_trie.Child(TKeywordTrie::kRoot, uint8_t(text[start]));
    size_t at = start + 1;
    while (node != TKeywordTrie::kNone) {
      // Down to the next keyword that begins at `start` ...
      while (!m_trie.Terminal(node)) {
        if (at >= length) break;
        node = m_trie.Child(node, uint8_t(text[at++]));
        if (node == TKeywordTrie::kNone) break;
      }
      if (node == TKeywordTrie::kNone || !m_trie.Terminal(node)) break;
      // ... whose profile decides unless its excludes veto it; then the
      // next longer keyword at the same start gets its turn.
      const TProfile* owner = m_owners[size_t(m_trie.Data(node))].Get();
      if (owner->Accepts(text)) return owner->Name();
      if (at >= length) break;
      node = m_trie.Child(node, uint8_t(text[at++]));
    }
  }
  return kMiscellaneous;
}

void TProfiles::ClassifyHit(THit& hit) const {
  if (!hit.Profile().empty()) return;
  char buffer[THit::kMatchTextSize];
  hit.MatchText(buffer);
  hit.SetProfile(ClassifyLowered(buffer));
}

// ---------------------------------------------------------------------------
// TProfiles: files

void TProfiles::Define(TAdvFiler& filer) {
  TAdvNamedList::Define(filer);
  if (filer.IsReader() && filer.Peek() == TAdvFilerKind::String) {
    // The older header: three texts and the opening of the list object.
    std::string ignored;
    for (int i = 0; i < 3; ++i) filer.DefineString(ignored);
    filer.DefineClass(ignored);
  }
}

void TProfiles::LoadFromFile(const std::string& fileName) {
  TAdvRef<TProfiles> scratch = AdvCreate<TProfiles>(ClassType());
  try {
    scratch->TAdvPersistent::LoadFromFile(fileName, &TAdvXMLReader::ClassInfo);
  } catch (const EAdvanced&) {
    Error("LoadFromFile", "No Profiles found in " + fileName);
  }
  std::vector<std::string> problems;
  scratch->BeginChanges();
  for (int i = 0; i < scratch->Count();) {
    TProfile* profile = scratch->Profile(i);
    if (IsBlankText(profile->Name())) {
      problems.push_back("Skipped a profile without a name");
      scratch->DeleteByIndex(i);
      continue;
    }
    profile->Sanitise();
    ++i;
  }
  TakeProfilesOf(*scratch);
  m_loadProblems = std::move(problems);
}

void TProfiles::TakeProfilesOf(const TProfiles& source) {
  if (&source == this) return;
  BeginChanges();
  Unprepare();
  TAdvNamedList::Clear();
  for (int i = 0; i < source.Count(); ++i) TAdvList::Insert(Count(), source.Profile(i)->Clone());
  m_changedInBatch = true;
  EndChanges();
}

void TProfiles::SaveToFile(const std::string& fileName) {
  TAdvPersistent::SaveToFile(fileName, &TAdvXMLWriter::ClassInfo);
}
