#include "activity/Sites.h"

#include <mutex>
#include <utility>
#include <vector>

#include "core/AdvAscii.h"
#include "core/AdvFilers.h"
#include "core/AdvObjects.h"
#include "monitor/Hits.h"

ADV_CLASS_IMPL(TSite, TSummary)
ADV_CLASS_IMPL(TSites, TAdvPersistent)

void TSiteCounts::AddHit(const THit& hit) {
  if (hit.Initiated() > Accessed) Accessed = hit.Initiated();
  Hits = SaturatingAdd32(Hits, 1);
  Size = SaturatingAdd(Size, int64_t(hit.Size()));
  Failed = Failed && hit.Failed();
  Protocol = hit.Protocol();
}

void TSiteCounts::MergeFrom(const TSiteCounts& other) {
  Hits = SaturatingAdd32(Hits, other.Hits);
  Size = SaturatingAdd(Size, other.Size);
  if (other.Accessed > Accessed) {
    Accessed = other.Accessed;
    Protocol = other.Protocol;
  }
  Failed = Failed && other.Failed;
}

void TSite::ClearActivity() {
  m_counts = TSiteCounts();
}

void TSite::AddHit(const THit& hit) {
  m_counts.AddHit(hit);
}

std::string_view TSite::KeyOfHit(const THit& hit) const {
  return hit.Destination();
}

void TSite::MergeFrom(const TSummary& other) {
  m_counts.MergeFrom(static_cast<const TSite&>(other).m_counts);
}

std::string SiteURLOf(uint8_t protocol, std::string_view name) {
  std::string url(HitProtocolScheme(protocol));
  url += name;
  return url;
}

std::string TSite::SiteURL() const {
  return SiteURLOf(m_counts.Protocol, Name());
}

void TSite::Assign(const TAdvObject& source) {
  TSummary::Assign(source);
  m_counts = static_cast<const TSite&>(source).m_counts;
}

void TSite::Define(TAdvFiler& filer) {
  TSummary::Define(filer);
  filer.Field("Hits").DefineInteger(m_counts.Hits);
  filer.Field("Size").DefineInteger64(m_counts.Size);
  filer.Field("Accessed").DefineReal(m_counts.Accessed);
  filer.Field("Protocol").DefineEnumerated(m_counts.Protocol);
  filer.Field("Failed").DefineBoolean(m_counts.Failed);
  // A stored code out of range reads as Unknown, as hits do.
  if (filer.IsReader() && m_counts.Protocol >= kProtocolCount) m_counts.Protocol = kProtocolUnknown;
}

// ---------------------------------------------------------------------------
// Shared names

struct TSiteEntry::TName {
  std::string Text;
  uint32_t Code = 0;  // THashable::HashOf(Text): equal for spellings equal but for case
  uint32_t References = 0;
  TName* Next = nullptr;
};

namespace {

using TName = TSiteEntry::TName;

// Every distinct spelling of a site name any table holds, with the number
// of table entries that hold it; a name goes when its last entry does. A
// busy network sees a few thousand hosts where sessions hold hundreds of
// thousands of sites.
class TSiteNames {
 public:
  // The record of this exact text, with one more reference.
  const TName* Acquire(std::string_view text) {
    const uint32_t code = THashable::HashOf(text);
    std::lock_guard<std::mutex> hold(m_lock);
    if (!m_buckets.empty()) {
      for (TName* name = m_buckets[code & (m_buckets.size() - 1)]; name; name = name->Next) {
        if (name->Code == code && name->Text == text) {
          ++name->References;
          return name;
        }
      }
    }
    if (m_count >= m_buckets.size()) Rehash(m_buckets.empty() ? 64 : m_buckets.size() * 2);
    auto made = std::make_unique<TName>();
    made->Text.assign(text);
    made->Code = code;
    made->References = 1;
    TName*& head = m_buckets[code & (m_buckets.size() - 1)];
    made->Next = head;
    head = made.release();
    ++m_count;
    return head;
  }

  void Retain(const TName* name) {
    std::lock_guard<std::mutex> hold(m_lock);
    ++const_cast<TName*>(name)->References;
  }

  void Release(const TName* name) {
    std::lock_guard<std::mutex> hold(m_lock);
    auto* own = const_cast<TName*>(name);
    if (--own->References > 0) return;
    for (TName** link = &m_buckets[own->Code & (m_buckets.size() - 1)]; *link;
         link = &(*link)->Next) {
      if (*link == own) {
        *link = own->Next;
        break;
      }
    }
    --m_count;
    delete own;
  }

 private:
  // Called with the lock held; the buckets count is a power of two.
  void Rehash(size_t size) {
    std::vector<TName*> buckets(size, nullptr);
    for (TName* head : m_buckets) {
      while (head) {
        TName* next = head->Next;
        TName*& into = buckets[head->Code & (size - 1)];
        head->Next = into;
        into = head;
        head = next;
      }
    }
    m_buckets.swap(buckets);
  }

  std::mutex m_lock;
  std::vector<TName*> m_buckets;
  size_t m_count = 0;
};

// Never destroyed: tables freed late in the program's exit still release
// their names.
TSiteNames& SiteNames() {
  static TSiteNames* names = new TSiteNames;
  return *names;
}

// Tables up to this many sites are walked rather than indexed.
constexpr uint32_t kWalkedSites = 8;
// A table grows by doubling, up to this many sites.
constexpr uint32_t kMostSites = uint32_t(1) << 30;

}  // namespace

const std::string& TSiteEntry::Name() const {
  return m_name->Text;
}

// ---------------------------------------------------------------------------
// The table

TSites::~TSites() {
  Clear();
}

int TSites::IndexOf(std::string_view name) const {
  if (!m_index) {
    for (uint32_t i = 0; i < m_count; ++i) {
      const std::string& text = m_entries[i].m_name->Text;
      if (text.size() == name.size() && SameTextAscii(text, name)) return int(i);
    }
    return -1;
  }
  const uint32_t code = THashable::HashOf(name);
  const uint32_t mask = m_capacity * 2 - 1;
  for (uint32_t slot = code & mask;; slot = (slot + 1) & mask) {
    const uint32_t at = m_index[slot];
    if (!at) return -1;
    const TName* entry = m_entries[at - 1].m_name;
    if (entry->Code == code && SameTextAscii(entry->Text, name)) return int(at - 1);
  }
}

const TSiteEntry* TSites::FindSite(std::string_view name) const {
  const int at = IndexOf(name);
  return at < 0 ? nullptr : &m_entries[size_t(at)];
}

void TSites::IndexEntry(uint32_t position) {
  const uint32_t mask = m_capacity * 2 - 1;
  uint32_t slot = m_entries[position].m_name->Code & mask;
  while (m_index[slot]) slot = (slot + 1) & mask;
  m_index[slot] = position + 1;
}

void TSites::Grow() {
  if (m_capacity >= kMostSites)
    Error("Grow", "Unable to hold more than " + std::to_string(kMostSites) + " sites");
  const uint32_t capacity = m_capacity ? m_capacity * 2 : 1;
  auto entries = std::make_unique<TSiteEntry[]>(capacity);
  std::unique_ptr<uint32_t[]> index;
  if (capacity > kWalkedSites) index = std::make_unique<uint32_t[]>(size_t(capacity) * 2);
  for (uint32_t i = 0; i < m_count; ++i) entries[i] = m_entries[i];
  m_entries = std::move(entries);
  m_index = std::move(index);
  m_capacity = capacity;
  if (m_index)
    for (uint32_t i = 0; i < m_count; ++i) IndexEntry(i);
}

TSiteEntry& TSites::Append(std::string_view name, const TSiteEntry::TName* shared) {
  if (m_count == m_capacity) Grow();
  const TName* text = shared;
  if (shared)
    SiteNames().Retain(shared);
  else
    text = SiteNames().Acquire(name);
  TSiteEntry& entry = m_entries[m_count];
  entry = TSiteEntry();
  entry.m_name = text;
  if (m_index) IndexEntry(m_count);
  ++m_count;
  return entry;
}

const TSiteEntry& TSites::AddHit(const THit& hit) {
  const std::string_view name = hit.Destination();
  const int at = IndexOf(name);
  TSiteEntry& entry = at >= 0 ? m_entries[size_t(at)] : Append(name, nullptr);
  entry.m_counts.AddHit(hit);
  return entry;
}

void TSites::MergeSites(const TSites& other) {
  if (&other == this) return;
  for (uint32_t i = 0; i < other.m_count; ++i) {
    const TSiteEntry& site = other.m_entries[i];
    const int at = IndexOf(site.Name());
    if (at >= 0)
      m_entries[size_t(at)].m_counts.MergeFrom(site.m_counts);
    else
      Append({}, site.m_name).m_counts = site.m_counts;
  }
}

void TSites::Clear() {
  for (uint32_t i = 0; i < m_count; ++i) SiteNames().Release(m_entries[i].m_name);
  m_entries.reset();
  m_index.reset();
  m_count = 0;
  m_capacity = 0;
}

void TSites::Assign(const TAdvObject& source) {
  TAdvPersistent::Assign(source);
  const auto& sites = static_cast<const TSites&>(source);
  if (&sites == this) return;
  Clear();
  MergeSites(sites);
}

void TSites::Define(TAdvFiler& filer) {
  TAdvPersistent::Define(filer);
  double balance = 0.85;
  filer.Field("Balance").DefineReal(balance);
}

void TSites::Load(TAdvFiler& filer) {
  filer.DefineBegin();
  Define(filer);
  LoadHashEntries(*this, filer, &TSite::ClassInfo, [this](TAdvRef<TAdvObject> loaded) {
    const auto* site = AdvCast<TSite>(loaded.Get());
    if (!site) Error("Load", "Can only contain objects descended from TSite");
    const int at = IndexOf(site->Name());
    if (at >= 0)
      m_entries[size_t(at)].m_counts.MergeFrom(site->Counts());
    else
      Append(site->Name(), nullptr).m_counts = site->Counts();
  });
  filer.DefineEnd();
}

void TSites::Save(TAdvFiler& filer) {
  filer.DefineBegin();
  Define(filer);
  if (m_count) {
    // One summary object carries each site in turn to the filer.
    TAdvRef<TSite> carrier = AdvNew<TSite>();
    for (uint32_t i = 0; i < m_count; ++i) {
      carrier->SetName(m_entries[i].Name());
      carrier->SetCounts(m_entries[i].m_counts);
      filer.DefineBegin();
      TAdvObject* object = carrier.Get();
      filer.DefineObject(object, nullptr);
      filer.DefineEnd();
    }
  }
  filer.DefineEnd();
}

size_t TSites::SizeInBytes() const {
  return sizeof(*this) + size_t(m_capacity) * sizeof(TSiteEntry) +
         (m_index ? size_t(m_capacity) * 2 * sizeof(uint32_t) : 0);
}

// ---------------------------------------------------------------------------

std::string SuggestKeyword(std::string_view host) {
  if (host.size() < 4) return {};
  const std::string_view prefix = host.substr(0, 4);
  if (!SameTextAscii(prefix, "www.") && !SameTextAscii(prefix, "ftp.")) return {};
  const std::string_view rest = host.substr(4);
  return std::string(rest.substr(0, rest.find('.')));
}
