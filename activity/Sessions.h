// Sessions: periods of continuous activity of one user.
//
// Times are whole seconds on the hit time scale: a hit's Initiated (days since
// 1899-12-30, local time) times 86400, rounded half to even (THit::SecondStamp).
// The scale runs on across midnight, so a session may span two days.
//
// TSessions keeps a user's sessions sorted by Start with this invariant: no
// two sessions overlap or lie within Gap seconds of each other. Adding a hit
// and merging keep it: a hit no more than Gap seconds before the start or
// after the end of a session belongs to it, and two sessions no more than Gap
// apart become one. Hits may arrive out of time order (several inputs, late
// log lines), so a late hit can extend a session backwards or join two.
// Finding the session of a hit is a binary search; extending it allocates
// nothing (its site table may grow when a new site appears).
//
// Thread safety: none; main thread only, like the rest of the activity model.
#pragma once

#include <cstdint>

#include "activity/ActivityAlerts.h"
#include "activity/Sites.h"
#include "core/AdvLists.h"

class THit;

class TSession : public TAdvPersistent {
  ADV_CLASS(TSession)

  // An empty session: Start is the largest value, Finish the smallest, so
  // that the first hit sets both.
  TSession();

  int64_t Start() const { return m_start; }
  int64_t Finish() const { return m_finish; }
  int32_t Hits() const { return m_hits; }
  int64_t Size() const { return m_size; }
  bool IsEmpty() const { return m_start > m_finish; }
  TSiteTable& Sites() const { return m_sites; }
  // Sorted by name; references shared with the alert groups. Most sessions
  // never raise one, so the list is made on first use: read-only walks ask
  // HasAlerts first and leave it unmade.
  TAdvNamedList& Alerts() const;
  bool HasAlerts() const { return m_alerts && m_alerts->Count() > 0; }

  // Extends the time span to the hit's second, counts it in Sites, Hits and Size.
  virtual void AddHit(const THit& hit);
  // Takes in another session: the wider span, summed counts, its sites
  // merged (copies of the ones missing here) and its alerts not already held.
  virtual void MergeFrom(const TSession& other);
  // Adds a reference to the alert (in name order).
  virtual void AddAlert(TAdvNamed* alert);
  // Finish - Start (0 for an empty session).
  int64_t ElapsedSeconds() const;

  // The two spans overlap, or lie no more than `gap` seconds apart:
  // other.Start - gap <= Finish and Start <= other.Finish + gap.
  bool OverlapsWithin(const TSession& other, int64_t gap) const;

  // Copies the counts and the sites; the alerts are shared, not copied.
  void Assign(const TAdvObject& source) override;
  // "Start", "Finish", "Hits", "Size", "Sites", "Alerts".
  void Define(TAdvFiler& filer) override;

 protected:
  ~TSession() override = default;

 private:
  // In this order a session takes 72 bytes, 80 with the allocator's own.
  int64_t m_start;
  int64_t m_finish;
  int64_t m_size = 0;
  mutable TAdvRef<TAdvNamedList> m_alerts;  // null until Alerts() is first asked for
  mutable TSiteTable m_sites;
  int32_t m_hits = 0;
};

class TSessions : public TAdvList {
  ADV_CLASS(TSessions)

  static constexpr int64_t kDefaultGap = 300;

  TSessions() = default;

  TSession* GetSession(int index) const { return static_cast<TSession*>(GetItem(index)); }
  TAdvClass ItemClass() const override { return &TSession::ClassInfo; }
  // By Start.
  int CompareEntries(TAdvObject* a, TAdvObject* b) const override;
  // By identity (sessions with equal Starts are still different sessions).
  int IndexOf(TAdvObject* object) const override;

  // The longest pause between two hits of one session, in seconds. The
  // engine sets it from the "Threshold" setting before every hit; a negative
  // value counts as 0.
  int64_t Gap() const { return m_gap; }
  void SetGap(int64_t gap) { m_gap = gap < 0 ? 0 : gap; }

  // The session the hit belongs to (made when none is near enough), with the
  // hit counted and any neighbour that came within Gap merged into it.
  virtual TSession* AddHit(const THit& hit);
  // Index of the last session with Start <= t <= Finish, or -1.
  int FindSession(int64_t t) const;
  int64_t TotalElapsed() const;
  // Finish of the last session; 0 when there is none.
  int64_t LastFinish() const;
  // Takes in the sessions of `other`: each is merged into a session of this
  // list it overlaps within Gap, or a reference to it is inserted in order;
  // then Coalesce.
  virtual void MergeSessions(const TSessions& other);
  // From the last session to the first, a session that overlaps an earlier
  // one within Gap is merged into the nearest such and removed.
  virtual void Coalesce();

  // Reading restores the invariant whatever the file held: empty sessions
  // (and nil entries) are dropped, the rest sorted by Start and the
  // overlapping ones merged. A session that ends before it starts but
  // counts hits is damage and raises.
  void Load(TAdvFiler& filer) override;
  void Assign(const TAdvObject& source) override;

 protected:
  ~TSessions() override = default;

 private:
  // Inserts a session at its place by Start; takes the caller's reference.
  void InsertSorted(TSession* session);

  int64_t m_gap = kDefaultGap;
};
