#include "activity/Sites.h"

#include <algorithm>
#include <bit>
#include <memory>
#include <mutex>
#include <new>
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

namespace {

// The bytes of a table's block for this room: the sites, then the index
// (twice the room) once the room passes a walk.
size_t BlockBytes(uint32_t room) {
  return size_t(room) * sizeof(TSiteEntry) +
         (room > kWalkedSites ? size_t(room) * 2 * sizeof(uint32_t) : 0);
}

uint32_t* IndexOfBlock(TSiteEntry* entries, uint32_t room) {
  return room > kWalkedSites ? reinterpret_cast<uint32_t*>(entries + room) : nullptr;
}

}  // namespace

TSiteTable& TSiteTable::operator=(const TSiteTable& other) {
  if (&other != this) {
    TSiteTable copy(other);
    std::swap(m_entries, copy.m_entries);
    std::swap(m_count, copy.m_count);
  }
  return *this;
}

uint32_t TSiteTable::Room() const {
  return m_count ? std::bit_ceil(m_count) : 0;
}

uint32_t* TSiteTable::Index() const {
  return IndexOfBlock(m_entries, Room());
}

int TSiteTable::IndexOf(std::string_view name) const {
  const uint32_t* index = Index();
  if (!index) {
    for (uint32_t i = 0; i < m_count; ++i) {
      const std::string& text = m_entries[i].m_name->Text;
      if (text.size() == name.size() && SameTextAscii(text, name)) return int(i);
    }
    return -1;
  }
  const uint32_t code = THashable::HashOf(name);
  const uint32_t mask = Room() * 2 - 1;
  for (uint32_t slot = code & mask;; slot = (slot + 1) & mask) {
    const uint32_t at = index[slot];
    if (!at) return -1;
    const TName* entry = m_entries[at - 1].m_name;
    if (entry->Code == code && SameTextAscii(entry->Text, name)) return int(at - 1);
  }
}

const TSiteEntry* TSiteTable::FindSite(std::string_view name) const {
  const int at = IndexOf(name);
  return at < 0 ? nullptr : &m_entries[size_t(at)];
}

TSiteEntry& TSiteTable::Append(std::string_view name, const TSiteEntry::TName* shared) {
  if (m_count >= kMostSites)
    throw EAdvanced("A session cannot hold more than " + std::to_string(kMostSites) + " sites");
  const TName* text = shared;
  if (shared)
    SiteNames().Retain(shared);
  else
    text = SiteNames().Acquire(name);

  // From here on nothing fails but the allocation of a larger block, which
  // gives the name back and leaves the table as it was.
  const uint32_t room = Room();
  const uint32_t fresh = m_count == room ? (room ? room * 2 : 1) : room;
  TSiteEntry* entries = m_entries;
  if (fresh != room) {
    try {
      entries = static_cast<TSiteEntry*>(::operator new(BlockBytes(fresh)));
    } catch (...) {
      SiteNames().Release(text);
      throw;
    }
    for (uint32_t i = 0; i < m_count; ++i) new (&entries[i]) TSiteEntry(m_entries[i]);
    if (uint32_t* index = IndexOfBlock(entries, fresh))
      std::fill(index, index + size_t(fresh) * 2, 0u);
  }
  TSiteEntry* entry = new (&entries[m_count]) TSiteEntry();
  entry->m_name = text;
  if (entries != m_entries) {
    ::operator delete(m_entries);
    m_entries = entries;
    ++m_count;
    for (uint32_t i = 0; i < m_count; ++i) IndexEntry(i);
  } else {
    ++m_count;
    IndexEntry(m_count - 1);
  }
  return *entry;
}

void TSiteTable::IndexEntry(uint32_t position) {
  uint32_t* index = Index();
  if (!index) return;
  const uint32_t mask = Room() * 2 - 1;
  uint32_t slot = m_entries[position].m_name->Code & mask;
  while (index[slot]) slot = (slot + 1) & mask;
  index[slot] = position + 1;
}

const TSiteEntry& TSiteTable::AddHit(const THit& hit) {
  const std::string_view name = hit.Destination();
  const int at = IndexOf(name);
  TSiteEntry& entry = at >= 0 ? m_entries[size_t(at)] : Append(name, nullptr);
  entry.m_counts.AddHit(hit);
  return entry;
}

void TSiteTable::Take(std::string_view name, const TSiteEntry::TName* shared,
                      const TSiteCounts& counts) {
  const int at = IndexOf(name);
  if (at >= 0)
    m_entries[size_t(at)].m_counts.MergeFrom(counts);
  else
    Append(name, shared).m_counts = counts;
}

void TSiteTable::MergeSites(const TSiteTable& other) {
  if (&other == this) return;
  other.ForEach([this](const TSiteEntry& site) { Take(site.Name(), site.m_name, site.m_counts); });
}

void TSiteTable::Clear() {
  for (uint32_t i = 0; i < m_count; ++i) SiteNames().Release(m_entries[i].m_name);
  ::operator delete(m_entries);
  m_entries = nullptr;
  m_count = 0;
}

size_t TSiteTable::HeldBytes() const {
  return m_entries ? BlockBytes(Room()) : 0;
}

// ---------------------------------------------------------------------------

void TSites::DefineTable(TAdvFiler& filer, const char* field, TSiteTable& table) {
  thread_local TAdvRef<TSites> carrier;
  if (!carrier) carrier = AdvNew<TSites>();
  carrier->m_table = &table;
  try {
    filer.Field(field).DefineObjectRef(carrier);
  } catch (...) {
    if (carrier) carrier->m_table = carrier.Get();
    throw;
  }
  // A stored nil: the reader let the carrier go.
  if (!carrier) {
    table.Clear();
    return;
  }
  carrier->m_table = carrier.Get();
}

void TSites::Assign(const TAdvObject& source) {
  TAdvPersistent::Assign(source);
  *m_table = *static_cast<const TSites&>(source).m_table;
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
    m_table->Take(site->Name(), nullptr, site->Counts());
  });
  filer.DefineEnd();
}

void TSites::Save(TAdvFiler& filer) {
  filer.DefineBegin();
  Define(filer);
  if (m_table->m_count) {
    // One summary object per thread carries each site in turn to the filer.
    thread_local TAdvRef<TSite> carrier = AdvNew<TSite>();
    m_table->ForEach([&](const TSiteEntry& site) {
      carrier->SetName(site.Name());
      carrier->SetCounts(site.Counts());
      filer.DefineBegin();
      TAdvObject* object = carrier.Get();
      filer.DefineObject(object, nullptr);
      filer.DefineEnd();
    });
  }
  filer.DefineEnd();
}

size_t TSites::SizeInBytes() const {
  return sizeof(*this) + HeldBytes();
}

// ---------------------------------------------------------------------------

std::string SuggestKeyword(std::string_view host) {
  if (host.size() < 4) return {};
  const std::string_view prefix = host.substr(0, 4);
  if (!SameTextAscii(prefix, "www.") && !SameTextAscii(prefix, "ftp.")) return {};
  const std::string_view rest = host.substr(4);
  return std::string(rest.substr(0, rest.find('.')));
}
