#include "monitor/AdvDNSs.h"

#include <chrono>
#include <exception>

#include "core/AdvFactories.h"
#include "core/Hashes.h"
#include "platform/Clock.h"
#include "platform/ReverseLookups.h"

ADV_EXCEPTION_IMPL(EAdvDNS, EAdvanced)
ADV_CLASS_IMPL(TAddress, TAdvHashable)
ADV_CLASS_IMPL(TAddresses, TAdvHash)
ADV_CLASS_IMPL(TAdvDNSThread, TAdvThread)
ADV_CLASS_IMPL(TAdvDNSThreads, TAdvList)
ADV_CLASS_IMPL(TAdvDNS, TAdvObject)

// ---------------------------------------------------------------------------
// Dotted text

uint32_t TextToAddress(std::string_view text) {
  uint32_t address = 0;
  size_t at = 0;
  for (int part = 0; part < 4; ++part) {
    if (at >= text.size() || text[at] < '0' || text[at] > '9') return 0;
    uint32_t value = 0;
    // Digits are taken while the value is still a possible octet, so a
    // long run of digits stops early and then fails on its terminator.
    while (at < text.size() && text[at] >= '0' && text[at] <= '9' && value < 256) {
      value = value * 10 + uint32_t(text[at] - '0');
      ++at;
    }
    if (value >= 256) return 0;
    if (part < 3) {
      if (at >= text.size() || text[at] != '.') return 0;
      ++at;
    } else if (at != text.size()) {
      return 0;
    }
    address = (address << 8) | value;
  }
  return address;
}

bool IsAddressText(std::string_view text) {
  return TextToAddress(text) != 0;
}

std::string AddressToText(uint32_t address) {
  std::string text;
  for (int shift = 24; shift >= 0; shift -= 8) {
    if (shift != 24) text += '.';
    text += std::to_string((address >> shift) & 0xFFu);
  }
  return text;
}

std::string ReverseLookup(uint32_t address) {
  return address ? platform::ReverseLookupIPv4(address) : std::string();
}

// ---------------------------------------------------------------------------
// TAddress

void TAddress::Assign(const TAdvObject& source) {
  TAdvHashable::Assign(source);
  const auto& other = static_cast<const TAddress&>(source);
  m_name = other.m_name;
  m_lastLookup = other.m_lastLookup;
}

// ---------------------------------------------------------------------------
// TAddresses

TAddresses::TAddresses() : m_key(AdvNew<TAddress>()), m_lookup(&ReverseLookup) {
  SetBalance(0.85);
  SetCapacity(kInitialCapacity);
}

TAddresses::~TAddresses() {
  Clear();
}

void TAddresses::Grow() {
  const int next = THash::NextPrimeCapacity(Capacity());
  if (next <= 0)
    Error("Expand", "Unable to expand table past " + std::to_string(THash::kLargestCapacity));
  SetCapacity(next);
}

void TAddresses::Clear() {
  m_oldest = m_newest = nullptr;
  ForEach([](TAdvHashable* entry) {
    auto* address = static_cast<TAddress*>(entry);
    address->m_older = address->m_newer = nullptr;
  });
  TAdvHash::Clear();
}

void TAddresses::Add(TAdvHashable* entry) {
  auto* address = AdvCast<TAddress>(entry);
  if (!address) Error("Add", "Entry is not an address");
  if (Count() >= m_maxEntries) EvictOldest();
  TAdvHash::Add(entry);
  LinkNewest(*address);
}

void TAddresses::Remove(const TAdvHashable& key) {
  if (auto* entry = static_cast<TAddress*>(Get(key))) Unlink(*entry);
  TAdvHash::Remove(key);
}

void TAddresses::Assign(const TAdvObject& source) {
  Clear();
  const auto& other = static_cast<const TAddresses&>(source);
  SetBalance(other.Balance());
  m_lookup = other.m_lookup;
  m_maxEntries = other.m_maxEntries;
}

void TAddresses::SetMaxEntries(int value) {
  m_maxEntries = value < 1 ? 1 : value;
  while (Count() > m_maxEntries && m_oldest) EvictOldest();
}

TAddress* TAddresses::Find(uint32_t address) const {
  m_key->SetHashCode(address);
  return static_cast<TAddress*>(Get(*m_key));
}

void TAddresses::Unlink(TAddress& entry) {
  (entry.m_older ? entry.m_older->m_newer : m_oldest) = entry.m_newer;
  (entry.m_newer ? entry.m_newer->m_older : m_newest) = entry.m_older;
  entry.m_older = entry.m_newer = nullptr;
}

void TAddresses::LinkNewest(TAddress& entry) {
  entry.m_older = m_newest;
  entry.m_newer = nullptr;
  (m_newest ? m_newest->m_newer : m_oldest) = &entry;
  m_newest = &entry;
}

void TAddresses::EvictOldest() {
  if (!m_oldest) return;
  TAddress& oldest = *m_oldest;
  Unlink(oldest);
  TAdvHash::Remove(oldest);
}

// The rule: find or add the entry (a new one is never looked up yet); look
// it up when it never was, or when more than kRefreshAge ms have passed
// since, by unsigned difference of the tick, so the tick's wrap is harmless.
// A failed look-up is kept like a good one: the address yields no name
// without asking again until the entry is due.
std::string TAddresses::NameOf(uint32_t address) {
  if (address == 0) return {};
  TAddress* entry = Find(address);
  if (!entry) {
    m_key->SetHashCode(address);
    m_key->SetName({});
    m_key->SetLastLookup(0);
    entry = static_cast<TAddress*>(Force(*m_key));
  }
  const uint32_t now = platform::TickCount();
  if (entry->LastLookup() == 0 || now - entry->LastLookup() > kRefreshAge) {
    // 0 is reserved for "never": a look-up at tick 0 is stamped 1.
    entry->SetLastLookup(now ? now : 1);
    entry->SetName(m_lookup ? m_lookup(address) : std::string());
    Unlink(*entry);
    LinkNewest(*entry);
  }
  return entry->Name();
}

std::string TAddresses::ResolveText(std::string_view text) {
  std::string name = NameOf(TextToAddress(text));
  return name.empty() ? std::string(text) : name;
}

// ---------------------------------------------------------------------------
// TAdvDNSThread

void TAdvDNSThread::ClearWork() {
  m_address.clear();
  m_name.clear();
}

void TAdvDNSThread::StartLookup(TReverseLookupFunction lookup,
                                std::shared_ptr<TAdvDNSCompletion> completion) {
  m_lookup = std::move(lookup);
  m_completion = std::move(completion);
  m_name.clear();
  m_lookingUp.store(true, std::memory_order_release);
  try {
    Open();
  } catch (...) {
    m_lookingUp.store(false, std::memory_order_release);
    throw;
  }
}

void TAdvDNSThread::Execute() {
  std::string name;
  try {
    if (m_lookup) name = m_lookup(TextToAddress(m_address));
  } catch (...) {
    // A failed look-up is an empty name; nothing leaves the thread.
  }
  m_name = std::move(name);
  m_lookingUp.store(false, std::memory_order_release);
  if (m_completion) {
    {
      std::lock_guard lock(m_completion->Lock);
      ++m_completion->Finished;
    }
    m_completion->Changed.notify_all();
  }
}

// ---------------------------------------------------------------------------
// TAdvDNS

TAdvDNS::TAdvDNS()
    : m_addresses(AdvNew<TAdvStrings>()),
      m_threads(AdvNew<TAdvDNSThreads>()),
      m_lookup(&ReverseLookup),
      m_completion(std::make_shared<TAdvDNSCompletion>()) {}

TAdvDNS::~TAdvDNS() = default;

void TAdvDNS::BeforeDestruction() {
  // Each worker waits for its own thread when it is destroyed; clearing here
  // does that while the resolver is still whole.
  m_threads->Clear();
  TAdvObject::BeforeDestruction();
}

void TAdvDNS::SetThreadCount(int n) {
  if (n < 0) n = 0;
  while (m_threads->Count() > n) m_threads->DeleteByIndex(m_threads->Count() - 1);
  while (m_threads->Count() < n) {
    TAdvRef<TAdvDNSThread> worker = AdvNew<TAdvDNSThread>();
    m_threads->Add(worker.Get());
    worker.Detach();
  }
}

void TAdvDNS::Report(TAdvDNSThread& worker) {
  if (worker.Address().empty()) return;
  struct TCount {
    TAdvDNS& Owner;
    TAdvDNSThread& Worker;
    ~TCount() {
      Worker.ClearWork();
      ++Owner.m_reported;
    }
  } count{*this, worker};
  if (m_onResolved) m_onResolved(*this, worker.Address(), worker.Name());
}

void TAdvDNS::Reset() {
  m_nextIndex = 0;
  m_reported = 0;
}

bool TAdvDNS::Busy() const {
  return m_reported < m_addresses->Count();
}

uint64_t TAdvDNS::FinishedCount() {
  std::lock_guard lock(m_completion->Lock);
  return m_completion->Finished;
}

void TAdvDNS::Step(uint32_t waitMs) {
  // Taken before the pass: a worker that finishes during it moves the count,
  // so the wait below returns at once rather than missing it.
  if (Busy() && m_threads->Count() == 0) Error("Step", "No resolver threads.");
  const uint64_t before = FinishedCount();
  bool moved = false;
  for (int i = 0; Busy() && i < m_threads->Count(); ++i) {
    TAdvDNSThread& worker = *m_threads->Worker(i);
    if (worker.IsLookingUp()) continue;
    worker.WaitFor();  // at once for a finished or never-started worker
    const bool had = !worker.Address().empty();
    Report(worker);
    moved = moved || had;
    if (m_nextIndex < m_addresses->Count()) {
      worker.SetAddress(m_addresses->GetItem(m_nextIndex));
      ++m_nextIndex;
      moved = true;
      worker.StartLookup(m_lookup, m_completion);
    }
  }
  if (moved || !Busy() || waitMs == 0) return;
  std::unique_lock lock(m_completion->Lock);
  m_completion->Changed.wait_for(lock, std::chrono::milliseconds(waitMs),
                                 [&] { return m_completion->Finished != before; });
}

void TAdvDNS::Finish() {
  std::exception_ptr first;
  for (int i = 0; i < m_threads->Count(); ++i) {
    TAdvDNSThread& worker = *m_threads->Worker(i);
    worker.WaitFor();
    try {
      Report(worker);
    } catch (...) {
      if (!first) first = std::current_exception();
    }
  }
  if (first) std::rethrow_exception(first);
}

void RegisterDNSClasses() {
  AdvFactory().RegisterAll({&TAddress::ClassInfo, &TAddresses::ClassInfo});
}
