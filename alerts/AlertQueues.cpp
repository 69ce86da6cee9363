#include "alerts/AlertQueues.h"

#include "alerts/Alerts.h"
#include "alerts/Triggers.h"

ADV_CLASS_IMPL(TAlertQueueItem, TAdvObject)
ADV_CLASS_IMPL(TAlertQueue, TAdvList)

namespace {
TAdvRef<TAdvStrings> RecipientCopy(const TAdvStrings* source) {
  TAdvRef<TAdvStrings> list = AdvNew<TAdvStrings>();
  list->SetSeparator(";");
  if (source) list->AddAll(*source);
  return list;
}
}  // namespace

TAlertQueueItem::TAlertQueueItem()
    : m_tos(RecipientCopy(nullptr)),
      m_ccs(RecipientCopy(nullptr)),
      m_bccs(RecipientCopy(nullptr)) {}

TAlertQueueItem::TAlertQueueItem(TAlert* alert, TTrigger* trigger)
    : m_alert(TAdvRef<TAlert>::Share(alert)),
      m_trigger(TAdvRef<TTrigger>::Share(trigger)),
      m_tos(RecipientCopy(trigger ? &trigger->Tos() : nullptr)),
      m_ccs(RecipientCopy(trigger ? &trigger->Ccs() : nullptr)),
      m_bccs(RecipientCopy(trigger ? &trigger->Bccs() : nullptr)),
      m_subject(trigger ? trigger->Subject() : std::string()) {}

TAlertQueueItem::~TAlertQueueItem() = default;

void TAlertQueue::Append(TAlert* alert, TTrigger* trigger) {
  AppendAlertQueueItem(*this, alert, trigger);
}

void AppendAlertQueueItem(TAdvList& queue, TAlert* alert, TTrigger* trigger) {
  TAdvRef<TAlertQueueItem> item = AdvNew<TAlertQueueItem>(alert, trigger);
  queue.Insert(queue.Count(), item.Get());
  item.Detach();  // the queue owns it now
}
