// TAlertQueueItem: one announcement of an alert waiting for the end of the
// engine's processing cycle. The trigger evaluation appends items to the
// engine's alert queue (a TAlertQueue); at the end of the cycle the engine
// writes each to the tracking log and, when the trigger's Notify is on,
// turns it into an e-mail; then the queue is emptied.
//
// The item holds a reference of its own to the alert and to the trigger (so
// that neither can go away before the queue is dispatched, even when the
// configuration replaces the triggers in between), and copies of the
// trigger's recipients and subject taken when the item is made.
//
// Thread safety: none; made and consumed on the main thread.
#pragma once

#include <string>

#include "core/AdvLists.h"
#include "core/AdvStrings.h"

class TAlert;
class TTrigger;

class TAlertQueueItem : public TAdvObject {
  ADV_CLASS(TAlertQueueItem)

  // Empty item (for the class factory); Alert and Trigger null.
  TAlertQueueItem();
  // Retains both; copies the trigger's Tos, Ccs, Bccs and Subject.
  TAlertQueueItem(TAlert* alert, TTrigger* trigger);

  TAlert* Alert() const { return m_alert.Get(); }
  TTrigger* Trigger() const { return m_trigger.Get(); }
  // Lists separated by ";".
  const TAdvStrings& Tos() const { return *m_tos; }
  const TAdvStrings& Ccs() const { return *m_ccs; }
  const TAdvStrings& Bccs() const { return *m_bccs; }
  const std::string& Subject() const { return m_subject; }

 protected:
  ~TAlertQueueItem() override;

 private:
  TAdvRef<TAlert> m_alert;
  TAdvRef<TTrigger> m_trigger;
  TAdvRef<TAdvStrings> m_tos;  // never null
  TAdvRef<TAdvStrings> m_ccs;
  TAdvRef<TAdvStrings> m_bccs;
  std::string m_subject;
};

// The engine's alert queue, in the order items were appended.
class TAlertQueue : public TAdvList {
  ADV_CLASS(TAlertQueue)

  TAlertQueue() = default;

  TAdvClass ItemClass() const override { return &TAlertQueueItem::ClassInfo; }
  TAlertQueueItem* Item(int index) const { return ItemAs<TAlertQueueItem>(index); }
  // Appends a new item for the alert and trigger.
  void Append(TAlert* alert, TTrigger* trigger);

 protected:
  ~TAlertQueue() override = default;
};

// Appends a new item for the alert and trigger to any list used as a queue.
void AppendAlertQueueItem(TAdvList& queue, TAlert* alert, TTrigger* trigger);
