// Per-site summaries of one session. TSiteCounts is what is counted of the
// hits a user sent to one host (after aliasing) within a session.
// TSiteTable is the session's table of sites, a compact value (sessions
// outnumber everything else in the activity model); TSites is such a table
// as a persistent object, the form files hold; TSite is a site as a summary
// object, which the reports list and the files hold. SuggestKeyword
// proposes a profile keyword from a host name.
//
// Thread safety: none; main thread only, like the rest of the activity model.
// The names the tables share are guarded, so tables on other threads (a
// scratch table being loaded, a save reading) do not disturb one another.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "activity/Summaries.h"
#include "monitor/HitData.h"

struct TSiteCounts {
  int32_t Hits = 0;  // stops at INT32_MAX rather than wrapping
  // Protocol of the last hit counted, whatever its time.
  uint8_t Protocol = kProtocolUnknown;
  // True while every hit counted failed (status Failed or Blocked); one
  // successful hit clears it for good.
  bool Failed = true;
  int64_t Size = 0;
  // Date-time of the latest hit.
  double Accessed = 0;

  void AddHit(const THit& hit);
  // Sums; the protocol of the later of the two; failed while both are.
  void MergeFrom(const TSiteCounts& other);
};

class TSite : public TSummary {
  ADV_CLASS(TSite)

  TSite() = default;

  int32_t Hits() const { return m_counts.Hits; }
  int64_t Size() const { return m_counts.Size; }
  double Accessed() const { return m_counts.Accessed; }
  uint8_t Protocol() const { return m_counts.Protocol; }
  bool Failed() const { return m_counts.Failed; }
  const TSiteCounts& Counts() const { return m_counts; }
  void SetCounts(const TSiteCounts& counts) { m_counts = counts; }

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
  TSiteCounts m_counts;
};

// The protocol's URL prefix followed by the name (TSite::SiteURL).
std::string SiteURLOf(uint8_t protocol, std::string_view name);

// One site of a session's table, held by value in the table. The text of
// its name is shared by every table holding a site of that exact spelling.
// A reference to an entry holds until the table next gains a site, or is
// assigned, loaded or cleared.
class TSiteEntry {
 public:
  // The text record shared between tables (Sites.cpp keeps them).
  struct TName;

  const std::string& Name() const;
  int32_t Hits() const { return m_counts.Hits; }
  int64_t Size() const { return m_counts.Size; }
  double Accessed() const { return m_counts.Accessed; }
  uint8_t Protocol() const { return m_counts.Protocol; }
  bool Failed() const { return m_counts.Failed; }
  const TSiteCounts& Counts() const { return m_counts; }
  std::string SiteURL() const { return SiteURLOf(m_counts.Protocol, Name()); }

 private:
  friend class TSiteTable;

  const TName* m_name = nullptr;  // one reference, held by the table
  TSiteCounts m_counts;
};

// A session's sites, keyed by name with ASCII case ignored (the spelling
// first seen is kept), in the order they were first seen. A table of a few
// sites is searched by a walk; a larger one also keeps an index by name
// code. Sessions outnumber everything else in the activity model, so the
// table is a plain value of two words that a session holds in itself: one
// block holds the sites (its room is the count rounded up to a power of
// two) and, past the walk, the index after them. Copies are deep.
class TSiteTable {
 public:
  TSiteTable() = default;
  TSiteTable(const TSiteTable& other) { MergeSites(other); }
  TSiteTable& operator=(const TSiteTable& other);
  ~TSiteTable() { Clear(); }

  int Count() const { return int(m_count); }
  const TSiteEntry& Site(int index) const { return m_entries[size_t(index)]; }
  template <class F>
  void ForEach(F&& visit) const {
    for (uint32_t i = 0; i < m_count; ++i) visit(static_cast<const TSiteEntry&>(m_entries[i]));
  }
  // The site of this name (ASCII case ignored), or null.
  const TSiteEntry* FindSite(std::string_view name) const;
  // Counts the hit in the site its Destination names, made when missing.
  // When making it fails the table is unchanged.
  const TSiteEntry& AddHit(const THit& hit);
  // Every site of `other`: merged into the site of the same name, or added
  // as a copy.
  void MergeSites(const TSiteTable& other);
  void Clear();

  // The bytes the table holds outside itself.
  size_t HeldBytes() const;

 private:
  friend class TSites;

  uint32_t Room() const;
  uint32_t* Index() const;
  // The index of the site of this name, or -1.
  int IndexOf(std::string_view name) const;
  // A new uncounted site at the end; its name is `shared` (a reference is
  // taken) when given, else the text of `name`.
  TSiteEntry& Append(std::string_view name, const TSiteEntry::TName* shared);
  void IndexEntry(uint32_t position);
  // The counts of a site: merged into the one of its name, or a new site
  // (named as Append names it).
  void Take(std::string_view name, const TSiteEntry::TName* shared, const TSiteCounts& counts);

  TSiteEntry* m_entries = nullptr;  // Room() sites, then the index if any
  uint32_t m_count = 0;
};

// A site table as a persistent object: what files hold where a session's
// sites are ("TSites", a table of TSite entries, as a hash of summaries
// once wrote them), and a table of its own for whoever needs one.
class TSites : public TAdvPersistent, public TSiteTable {
  ADV_CLASS(TSites)

  TSites() = default;
  // Reads or writes `table` as the field holds it: a TSites object; a
  // stored nil leaves the table empty. One object per thread carries every
  // table it reads or writes.
  static void DefineTable(TAdvFiler& filer, const char* field, TSiteTable& table);

  void Assign(const TAdvObject& source) override;
  // "Balance": what a hash of summaries wrote; read and not used.
  void Define(TAdvFiler& filer) override;
  // Begin, Define, one Begin/TSite/End group per site, End. Loading counts
  // the sites of one name as one, skips nil entries and refuses objects of
  // other classes.
  void Load(TAdvFiler& filer) override;
  void Save(TAdvFiler& filer) override;
  size_t SizeInBytes() const override;

 protected:
  ~TSites() override = default;

 private:
  TSiteTable* m_table = this;  // what Load and Save read and write
};

// A keyword for a host: after a leading "www." or "ftp." (ASCII case
// ignored), the text up to the next "."; empty for any other host.
std::string SuggestKeyword(std::string_view host);
