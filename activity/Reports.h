// Snapshot reports the views and e-mails show: lists of references to users,
// sessions and sites with their totals and the orders the views sort by, and
// the hit report, a reusable list of hit copies.
//
// Reports are rebuilt from scratch at each refresh. They hold references, not
// copies: a report keeps its entries alive, but their values are the live
// ones. Every order can be reversed with SetDirection(-1) before sorting; an
// order that does not separate two entries falls back on a fixed one (name,
// or start), so a sort gives the same result however the entries came in.
//
// Thread safety: none; main thread only, like the rest of the activity model.
#pragma once

#include <cstdint>
#include <string_view>

#include "activity/Sessions.h"
#include "activity/Sites.h"
#include "activity/Users.h"
#include "core/AdvLists.h"
#include "monitor/HitLists.h"

// A list of references to summaries, in name order by default (ASCII case
// ignored).
class TReport : public TAdvList {
  ADV_CLASS(TReport)

  TReport() = default;

  TSummary* GetSummary(int index) const { return static_cast<TSummary*>(GetItem(index)); }
  TAdvClass ItemClass() const override { return &TSummary::ClassInfo; }
  // By name, ignoring ASCII case.
  int CompareEntries(TAdvObject* a, TAdvObject* b) const override;
  // By identity.
  int IndexOf(TAdvObject* object) const override;

  // Appends a reference to the summary.
  void AddSummary(TSummary* summary);
  // Adds every summary of the table.
  virtual void Fill(const TSummaries& summaries);
  // Index of the summary of this name (ASCII case ignored), or -1.
  int IndexOfName(std::string_view name) const;

 protected:
  ~TReport() override = default;
};

enum class TUserOrder : uint8_t {
  Name,      // by name
  Sessions,  // by number of sessions, then by name
  Elapsed,   // by total elapsed seconds, then by name
  Hits,      // by hits, then by name
  Size,      // by size, then by name
  Activity,  // active users first, then by status text, then by name
  Recent,    // most recent LastFinish first, then by name ("SortRecent")
};

// Users with their totals. Each maximum starts at 1, so that it can divide
// the bar lengths a view draws.
class TUserReport : public TReport {
  ADV_CLASS(TUserReport)

  TUserReport() = default;

  TUser* GetUser(int index) const { return static_cast<TUser*>(GetItem(index)); }
  TAdvClass ItemClass() const override { return &TUser::ClassInfo; }

  // Appends a reference to the user and counts it in the totals; returns
  // whether the user is active at `now` (a local date-time), which is also
  // the time the Activity order judges by.
  bool AddUser(TUser* user, double now);
  // Every user of the table.
  void Fill(const TSummaries& summaries) override;
  // Empties the list and resets the totals.
  void Clear() override;
  // Sorts by the order (Direction applies).
  void SortBy(TUserOrder order);

  int32_t ActiveCount() const { return m_activeCount; }
  int64_t TotalHits() const { return m_totalHits; }
  int64_t TotalSize() const { return m_totalSize; }
  int64_t TotalElapsed() const { return m_totalElapsed; }
  int64_t TotalSessions() const { return m_totalSessions; }
  int64_t MaxHits() const { return m_maxHits; }
  int64_t MaxSize() const { return m_maxSize; }
  int64_t MaxElapsed() const { return m_maxElapsed; }
  int64_t MaxSessions() const { return m_maxSessions; }
  double Now() const { return m_now; }
  void SetNow(double now) { m_now = now; }

 protected:
  ~TUserReport() override = default;

 private:
  void ResetTotals();

  int32_t m_activeCount = 0;
  int64_t m_totalHits = 0;
  int64_t m_totalSize = 0;
  int64_t m_totalElapsed = 0;
  int64_t m_totalSessions = 0;
  int64_t m_maxHits = 1;
  int64_t m_maxSize = 1;
  int64_t m_maxElapsed = 1;
  int64_t m_maxSessions = 1;
  double m_now = 0;
};

// The two reports behind "Active Users" and "Idle Users".
class TOnlineUsers : public TUserReport {
  ADV_CLASS(TOnlineUsers)

 protected:
  ~TOnlineUsers() override = default;
};

class TOfflineUsers : public TUserReport {
  ADV_CLASS(TOfflineUsers)

 protected:
  ~TOfflineUsers() override = default;
};

enum class TSessionOrder : uint8_t {
  Start,    // latest start first
  Sites,    // by number of sites, then latest start first
  Elapsed,  // by elapsed seconds, then latest start first
  Hits,     // by hits, then latest start first
  Size,     // by size, then latest start first
};

// One user's sessions with their totals.
class TSessionReport : public TAdvList {
  ADV_CLASS(TSessionReport)

  TSessionReport() = default;

  TSession* GetSession(int index) const { return static_cast<TSession*>(GetItem(index)); }
  TAdvClass ItemClass() const override { return &TSession::ClassInfo; }
  // By identity.
  int IndexOf(TAdvObject* object) const override;

  // Adds references to every session and counts them in the totals.
  void Fill(const TSessions& sessions);
  void Clear() override;
  void SortBy(TSessionOrder order);

  int64_t TotalElapsed() const { return m_totalElapsed; }
  int64_t TotalHits() const { return m_totalHits; }
  int64_t TotalSize() const { return m_totalSize; }
  int64_t TotalSites() const { return m_totalSites; }

 protected:
  ~TSessionReport() override = default;

 private:
  int64_t m_totalElapsed = 0;
  int64_t m_totalHits = 0;
  int64_t m_totalSize = 0;
  int64_t m_totalSites = 0;
};

enum class TSiteOrder : uint8_t {
  Name,      // by name
  Hits,      // by hits, ascending, then by name
  Accessed,  // latest first, then by name
  Size,      // largest first, then by name
};

// The sites of a session with their total hits and size.
class TSiteReport : public TReport {
  ADV_CLASS(TSiteReport)

  TSiteReport() = default;

  TSite* GetSite(int index) const { return static_cast<TSite*>(GetItem(index)); }
  TAdvClass ItemClass() const override { return &TSite::ClassInfo; }

  // Adds every site of the table and counts it in the totals.
  void Fill(const TSummaries& sites) override;
  // Adds a summary copy of every site of a session's table and counts it
  // in the totals.
  void Fill(const TSiteTable& sites);
  void Clear() override;
  void SortBy(TSiteOrder order);

  int64_t TotalHits() const { return m_totalHits; }
  int64_t TotalSize() const { return m_totalSize; }

 protected:
  ~TSiteReport() override = default;

 private:
  int64_t m_totalHits = 0;
  int64_t m_totalSize = 0;
};

// Hits copied from the hit store for a view or an e-mail. The hit objects
// are slots reused from one fill to the next: BeginFill makes objects only
// when more are needed, and Add copies into the next slot.
//
//   report->Clear(); report->BeginFill(n);
//   for each of the n hit numbers: fetch the hit, report->Add(hit);
//   report->Close();
class THitReport : public TVexaHits {
  ADV_CLASS(THitReport)

  THitReport() = default;

  // No slots, fill position 0, totals zero.
  void Clear() override;
  // Exactly `count` slots (new empty hits added, or slots dropped from the
  // end) and fill position 0. The totals are left alone.
  void BeginFill(int count);
  using TVexaHits::Add;
  // Copies the hit into the slot at the fill position and moves on; a hit
  // that has not failed counts in the size and time-taken totals. A hit past
  // the announced count raises, leaving the report as it was.
  void Add(const THit& hit);
  // Add for every hit of the list, in order.
  void AddAll(const THits& hits);
  // Raises "Hit report didn't process the correct number of hits" (operation
  // "Close") unless exactly the announced number of hits was added.
  void Close();

  int FillPosition() const { return m_fill; }
  int64_t TotalSize() const { return m_totalSize; }
  int64_t TotalTimeTaken() const { return m_totalTimeTaken; }

 protected:
  ~THitReport() override = default;

 private:
  int m_fill = 0;
  int64_t m_totalSize = 0;
  int64_t m_totalTimeTaken = 0;
};
