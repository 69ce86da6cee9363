// Time-range triggers: a hit trigger that fires when one user produces more
// than HitsSquelch matching hits (and, with size limits, more than that much
// data) within a window: the last SlidingTime seconds (sliding mode) or a
// fixed period of the day (fixed mode).
//
// Each user has a window (TTimeRangeHits, keyed by user name) of the
// matching hits with running size totals, so the firing test costs a few
// comparisons and trimming touches only the hits that leave. When the
// trigger fires, the evaluation makes a new alert, moves the window's hit
// numbers into it and empties the window, so the next alert needs a fresh
// set of hits. The windows are saved with the triggers file.
//
// A time-range trigger always has Refire off and NewHitAction "Trigger new
// alert for each hit", whatever it is told or a file says.
//
// Thread safety: none; main thread only, like every trigger.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "alerts/Triggers.h"
#include "core/AdvHashes.h"
#include "core/AdvLists.h"

class TRange;

// Window modes.
constexpr uint8_t kSlidingTimeRange = 0;  // "Sliding time range"
constexpr uint8_t kFixedTimeRange = 1;    // "Fixed time range"
std::string_view TimeRangeModeName(uint8_t mode);

// One hit in a window.
class TTimeRangeHit : public TAdvPersistent {
  ADV_CLASS(TTimeRangeHit)

  TTimeRangeHit() = default;

  int32_t HitIndex = 0;
  double Initiated = 0;
  int64_t DestinationSize = 0;
  int64_t SourceSize = 0;

  void Assign(const TAdvObject& source) override;
  // "HitIndex", "Initiated", "DestinationSize", "SourceSize".
  void Define(TAdvFiler& filer) override;

 protected:
  ~TTimeRangeHit() override = default;
};

// The hits of one window, oldest added first.
class TTimeRangeHitList : public TAdvList {
  ADV_CLASS(TTimeRangeHitList)

  TTimeRangeHitList() = default;

  TAdvClass ItemClass() const override { return &TTimeRangeHit::ClassInfo; }
  TTimeRangeHit* Hit(int index) const { return ItemAs<TTimeRangeHit>(index); }
  // Entries must be TTimeRangeHit; an entry stored as nil is dropped.
  void Load(TAdvFiler& filer) override;

 protected:
  ~TTimeRangeHitList() override = default;
};

// One user's window: its hits in the order added and their totals.
class TTimeRangeHits : public TAdvStringHashable {
  ADV_CLASS(TTimeRangeHits)

  TTimeRangeHits();

  int Count() const { return m_hits->Count(); }
  TTimeRangeHit* Hit(int index) const { return m_hits->Hit(index); }
  int64_t AggrSourceSize() const { return m_aggrSourceSize; }
  int64_t AggrDestinationSize() const { return m_aggrDestinationSize; }
  int64_t AggrSize() const { return m_aggrSize; }
  // The latest hit time ever added (emptying keeps it).
  double Newest() const { return m_newest; }

  // Appends the hit under its number in the hit store; the totals grow.
  void AddToWindow(const TVexaHit& hit, int32_t number);
  // Removes hits from the front while the first is older than `t`.
  void TrimBefore(double t);
  // More than HitsSquelch hits, and, when the trigger has size limits, one
  // of the window's totals above its limit.
  bool WindowFires(const TTrigger& trigger, int32_t hitsSquelch) const;
  // No hits, totals zero; Newest stays.
  void EmptyWindow();
  // Adds the numbers of the hits below `hitCount` to `range` (all hits when
  // `hitCount` is negative).
  void CopyNumbersTo(TRange& range, int32_t hitCount) const;
  // Removes the hits whose number is not below `hitCount`.
  void DropHitsPast(int32_t hitCount);

  void Assign(const TAdvObject& source) override;
  // The key ("Name"), then "Hits", "AggrSourceSize", "AggrDestinationSize",
  // "AggrSize", then "Newest" (read only when the file has it). Reading
  // recomputes the totals from the hits, so damaged totals cannot stick.
  void Define(TAdvFiler& filer) override;

 protected:
  ~TTimeRangeHits() override = default;

 private:
  void Subtract(const TTimeRangeHit& hit);
  void Recount();

  TAdvRef<TTimeRangeHitList> m_hits;  // never null; front = oldest added
  int64_t m_aggrSourceSize = 0;
  int64_t m_aggrDestinationSize = 0;
  int64_t m_aggrSize = 0;
  double m_newest = 0;
};

// The per-user windows of one trigger.
class TTimeRangeHash : public TAdvStringHash {
  ADV_CLASS(TTimeRangeHash)

  TTimeRangeHash();

  TAdvClass EntryClass() const override { return &TTimeRangeHits::ClassInfo; }
  TTimeRangeHits* Window(std::string_view user) const {
    return static_cast<TTimeRangeHits*>(GetByName(user));
  }
  TTimeRangeHits* ForceWindow(std::string_view user) {
    return static_cast<TTimeRangeHits*>(ForceByName(user));
  }
  // Removes every window whose Newest is before `cutoff`.
  void RemoveOlderThan(double cutoff);
  // Windows without hits are not saved.
  bool SavesEntry(const TAdvHashable& entry) const override;

 protected:
  ~TTimeRangeHash() override = default;
};

class TTimeRangeTrigger : public THitTrigger {
  ADV_CLASS(TTimeRangeTrigger)

  // Sliding mode, no window length, HitsSquelch 0, Refire off,
  // NewHitAction "Trigger new alert for each hit".
  TTimeRangeTrigger();

  uint8_t Mode() const { return m_mode; }
  void SetMode(uint8_t value) { m_mode = value; }
  // Only the time of day (the fraction) is used.
  double FixedStart() const { return m_fixedStart; }
  void SetFixedStart(double value) { m_fixedStart = value; }
  double FixedEnd() const { return m_fixedEnd; }
  void SetFixedEnd(double value) { m_fixedEnd = value; }
  // Seconds.
  int32_t SlidingTime() const { return m_slidingTime; }
  void SetSlidingTime(int32_t value) { m_slidingTime = value; }
  int32_t HitsSquelch() const { return m_hitsSquelch; }
  void SetHitsSquelch(int32_t value) { m_hitsSquelch = value; }
  TTimeRangeHash& Hash() const { return *m_hash; }

  // Always off / always a new alert for each firing.
  void SetRefire(bool value) override;
  void SetNewHitAction(uint8_t value) override;

  // The hit trigger's conditions (without its sizes in sliding mode); a
  // matching hit joins the user's window; true when the window fires. Stale
  // windows are dropped on every call.
  bool Applies(const TUser& user, const TSession& session, TVexaHit& hit,
               TTriggerContext& context) override;
  std::string Describe(const TSettings* settings = nullptr) const override;
  void ResetState() override;
  bool IsTimeRange() const override { return true; }

  // The user's window, trimmed first (sliding: to `now` less SlidingTime;
  // fixed: to `cutoff`); null when the user has none.
  TTimeRangeHits* FindWindow(std::string_view user, double now, double cutoff);
  // Whether the hit's time of day lies in the fixed window (across
  // midnight when FixedStart is later than FixedEnd).
  bool InFixedWindow(double initiated) const;
  // Drops window entries whose number is not below `hitCount`.
  void DropHitsPast(int32_t hitCount);

  void Assign(const TAdvObject& source) override;
  // After the hit trigger's: "Mode", "FixedStart", "FixedEnd",
  // "SlidingTime", then "HitsSquelch" and "Hash" (each read only when the
  // file has it).
  void Define(TAdvFiler& filer) override;

 protected:
  ~TTimeRangeTrigger() override = default;

 private:
  // The user's window for a new hit; one whose newest hit is before
  // `cutoff` is replaced by a fresh one.
  TTimeRangeHits* LiveWindow(const std::string& user, double cutoff);
  // The same without making one: null when the user has no live window (a
  // window before `cutoff` is removed).
  TTimeRangeHits* FindLiveWindow(const std::string& user, double cutoff);
  // Whether a hit fires the trigger as the only hit of a window.
  bool LoneHitFires(const TVexaHit& hit) const;

  uint8_t m_mode = kSlidingTimeRange;
  double m_fixedStart = 0;
  double m_fixedEnd = 0;
  int32_t m_slidingTime = 0;
  int32_t m_hitsSquelch = 0;
  TAdvRef<TTimeRangeHash> m_hash;  // never null
  // The boundary of the last sweep over every window (see Applies).
  static constexpr double kSweepStep = 1.0 / (24 * 60);  // one minute
  double m_sweptCutoff = std::numeric_limits<double>::lowest();
};
