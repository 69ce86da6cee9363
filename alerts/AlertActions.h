// What happens to the alerts queued during a processing cycle: each is
// written to the tracking log and, when its trigger asks for it, becomes an
// e-mail (a header block and a fixed-width summary table) that is handed to
// the e-mail dispatcher, which sends it in the background.
//
// DispatchAlerts takes every item off the queue before handling it, so an
// item is announced at most once: when handling one raises (a damaged hit
// store, say), the error goes on to the caller, the failing item is dropped,
// the items handled before it are not handled again, and the items after it
// stay queued, in order, for the next dispatch.
//
// Thread safety: main thread only; the e-mail task, once handed over,
// belongs to the receiver.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/AdvObjects.h"

class TAdvList;
class TAdvStrings;
class TAlertQueueItem;
class TEmailDispatcher;
class TEmailTask;
class THitIndicies;
class TSettings;
class TTrackingLog;
class TUsers;

// The product title and addresses of the e-mail footer.
constexpr const char* kAlertMailProductTitle = "Vexa 2.2";
constexpr const char* kAlertMailWebAddress = "https://www.varnex.example/vexa/";
constexpr const char* kAlertMailSupportAddress = "mailto:support@varnex.example";

// What dispatching needs from the engine. None of the pointers is owned.
struct TAlertActionContext {
  // Units and formats of the e-mail tables; required for e-mails.
  const TSettings* Settings = nullptr;
  // Where alert lines go; null writes none.
  TTrackingLog* TrackingLog = nullptr;
  // The activity the e-mail's session and tables come from; null: no user.
  TUsers* Users = nullptr;
  // Where an alert's hits are read from; null: no hits table.
  THitIndicies* HitStore = nullptr;
  // Receives each finished e-mail task with one reference (the receiver's
  // from then on). Unset: no e-mail is made.
  std::function<void(TEmailTask* task)> SendEmail;
};

// A SendEmail that hands tasks to the dispatcher (not owned; it must
// outlive the context).
std::function<void(TEmailTask* task)> EmailSinkFor(TEmailDispatcher& dispatcher);

// Announces every item of `queue` (TAlertQueueItem entries) in order and
// leaves the queue empty; see the file comment for errors. The tracking log
// is flushed at the end, also after an error.
void DispatchAlerts(TAdvList& queue, const TAlertActionContext& context);

// One item: the tracking-log line, then the e-mail when the trigger's
// Notify is on (read now, not when the item was queued).
void AnnounceAlert(const TAlertQueueItem& item, const TAlertActionContext& context);

// The e-mail of an item: recipients and subject from the item, the body
// with its header block and table. Raises the hit store's and the hit
// report's errors.
TAdvRef<TEmailTask> MakeAlertEmail(const TAlertQueueItem& item, const TAlertActionContext& context);

// Appends a fixed-width table to `body`: an empty line, a separator of "-",
// the header line, a separator, one line per row, a separator, the totals
// line and a last separator. Each column is as wide as its longest cell;
// cells are right-aligned and followed by two blanks; no cell is cut.
void AppendTable(TAdvStrings& body, const std::vector<std::string>& headers,
                 const std::vector<std::vector<std::string>>& rows,
                 const std::vector<std::string>& totals);

// Bytes divided by the size unit's divisor, rounded to the nearest whole
// number with halves to even.
int64_t RoundedSize(int64_t bytes, int64_t divisor);
