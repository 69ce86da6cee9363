// Address resolution: turning IPv4 addresses into host names by reverse DNS.
//
//  - The dotted-text helpers (TextToAddress, IsAddressText, AddressToText)
//    and ReverseLookup, one blocking look-up.
//  - TAddresses, the cache of one input: its reading thread replaces dotted
//    addresses in a hit's Source and Destination by host names, looking each
//    address up at most once per RefreshAge (negative answers included). The
//    cache holds at most MaxEntries addresses; when full, the entry looked up
//    longest ago goes first, so a log that names ever new addresses cannot
//    grow it without bound.
//  - TAdvDNS, the batch resolver: a pool of TAdvDNSThread workers that look a
//    list of addresses up in parallel and hand each result to a handler.
//
// An address is a uint32 with the first dotted part in the most significant
// byte; 0 means none.
//
// Thread safety:
//  - The helpers and ReverseLookup may be called from any thread at once.
//  - A TAddresses cache has no lock: it belongs to its input's reading thread
//    (the main thread makes and destroys it while that thread is stopped).
//  - A TAdvDNS is driven by one thread. A worker's Address is written only
//    while the worker is idle, before its thread starts; its Name is written
//    by its thread and read only after the driver has waited for that thread
//    to end. Workers tell the driver they finished through a completion
//    count under a lock, which Step waits on instead of polling.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "core/AdvHashes.h"
#include "core/AdvLists.h"
#include "core/AdvStrings.h"
#include "core/AdvThreads.h"

ADV_EXCEPTION(EAdvDNS, EAdvanced)

// The address of a dotted IPv4 text: exactly four decimal parts, each below
// 256, leading zeros allowed ("010.001.000.001" is 10.1.0.1); signs, blanks,
// empty parts, a port, a fifth part or any other character give 0.
uint32_t TextToAddress(std::string_view text);
// TextToAddress(text) is not 0 (so "0.0.0.0" is not an address text).
bool IsAddressText(std::string_view text);
// "%d.%d.%d.%d" of the four bytes, most significant first.
std::string AddressToText(uint32_t address);
// The host name registered for the address; empty for 0, when there is
// none, or when the look-up fails. Blocks the caller until the resolver
// answers. Never raises.
std::string ReverseLookup(uint32_t address);

// How the cache and the batch resolver look an address up; ReverseLookup
// unless a caller installs another (a test counting look-ups).
using TReverseLookupFunction = std::function<std::string(uint32_t address)>;

// One cache entry: the hash code is the address itself.
class TAddress : public TAdvHashable {
  ADV_CLASS(TAddress)

  TAddress() = default;

  uint32_t Address() const { return HashCode(); }
  // The host name found at the last look-up; empty when none was found.
  const std::string& Name() const { return m_name; }
  void SetName(std::string name) { m_name = std::move(name); }
  // The millisecond tick of the last look-up; 0: never looked up.
  uint32_t LastLookup() const { return m_lastLookup; }
  void SetLastLookup(uint32_t tick) { m_lastLookup = tick; }

  // Copies the code, Name and LastLookup (never the cache's links).
  void Assign(const TAdvObject& source) override;
  size_t SizeInBytes() const override { return sizeof(*this) + m_name.capacity(); }

 protected:
  ~TAddress() override = default;

 private:
  friend class TAddresses;

  std::string m_name;
  uint32_t m_lastLookup = 0;
  // The cache's order of look-ups, oldest first; set only while in a cache.
  TAddress* m_older = nullptr;
  TAddress* m_newer = nullptr;
};

// The address cache of one input. Never persisted.
class TAddresses : public TAdvHash {
  ADV_CLASS(TAddresses)
  ADV_RAISES(EAdvDNS)

  // An entry is looked up again on its first use after this many ms.
  static constexpr uint32_t kRefreshAge = 1800000;
  static constexpr int kInitialCapacity = 127;
  // The largest number of addresses a cache holds unless told otherwise.
  static constexpr int kDefaultMaxEntries = 65536;

  TAddresses();

  // The cached or freshly looked-up name of an address (see the .cpp for
  // the rule); empty for 0 and for addresses without a name.
  std::string NameOf(uint32_t address);
  // NameOf(TextToAddress(text)), or `text` itself when that is empty.
  std::string ResolveText(std::string_view text);

  int MaxEntries() const { return m_maxEntries; }
  // At least 1; a smaller bound than the count evicts the oldest at once.
  void SetMaxEntries(int value);
  void SetLookup(TReverseLookupFunction lookup) { m_lookup = std::move(lookup); }
  // The entry of an address, or null; nothing is looked up.
  TAddress* Find(uint32_t address) const;

  TAdvClass EntryClass() const override { return &TAddress::ClassInfo; }
  // The next prime of the table that is at least 2 x Capacity + 1; raises
  // "Unable to expand table past 16313537" (operation "Expand") past it.
  void Grow() override;
  void Clear() override;
  // Takes a TAddress only; when the cache is full, the entry looked up
  // longest ago is evicted first. The new entry counts as the newest.
  void Add(TAdvHashable* entry) override;
  // Unlinks the entry from the look-up order as well.
  void Remove(const TAdvHashable& key) override;
  // A cache copies its settings, not its entries.
  void Assign(const TAdvObject& source) override;

 protected:
  ~TAddresses() override;

 private:
  void Unlink(TAddress& entry);
  void LinkNewest(TAddress& entry);
  void EvictOldest();

  TAdvRef<TAddress> m_key;  // the spare search key
  TReverseLookupFunction m_lookup;
  int m_maxEntries = kDefaultMaxEntries;
  TAddress* m_oldest = nullptr;  // head of the look-up order
  TAddress* m_newest = nullptr;  // tail
};

class TAdvDNS;

// What workers and their driver share: a count of finished look-ups that
// the driver waits on. Shared, so that a worker's last write never touches
// a freed resolver.
struct TAdvDNSCompletion {
  std::mutex Lock;
  std::condition_variable Changed;
  uint64_t Finished = 0;  // guarded by Lock
};

// One worker: its thread's body is one look-up of Address into Name.
class TAdvDNSThread : public TAdvThread {
  ADV_CLASS(TAdvDNSThread)

  TAdvDNSThread() = default;

  const std::string& Address() const { return m_address; }
  const std::string& Name() const { return m_name; }
  // While idle only.
  void SetAddress(std::string address) { m_address = std::move(address); }
  // Clears Address and Name (idle again).
  void ClearWork();
  // Set by the driver when it starts the worker, cleared by the worker when
  // its look-up has returned: false means never run or finished.
  bool IsLookingUp() const { return m_lookingUp.load(std::memory_order_acquire); }

  // Starts the look-up of Address. Raises when the thread cannot start (the
  // worker is then idle-but-loaded, and reports an empty name).
  void StartLookup(TReverseLookupFunction lookup, std::shared_ptr<TAdvDNSCompletion> completion);
  void Execute() override;

 protected:
  ~TAdvDNSThread() override = default;

 private:
  std::string m_address;
  std::string m_name;  // written by the thread, read after it ended
  std::atomic<bool> m_lookingUp{false};
  TReverseLookupFunction m_lookup;
  std::shared_ptr<TAdvDNSCompletion> m_completion;
};

class TAdvDNSThreads : public TAdvList {
  ADV_CLASS(TAdvDNSThreads)

  TAdvDNSThreads() = default;
  TAdvDNSThread* Worker(int index) const { return ItemAs<TAdvDNSThread>(index); }
  TAdvClass ItemClass() const override { return &TAdvDNSThread::ClassInfo; }

 protected:
  ~TAdvDNSThreads() override = default;
};

// The batch resolver. For a batch: fill Addresses, Reset, then call Step
// while Busy (and the user has not cancelled), and Finish in every case.
class TAdvDNS : public TAdvObject {
  ADV_CLASS(TAdvDNS)
  ADV_RAISES(EAdvDNS)

  // The pool size on this platform.
  static constexpr int kDefaultThreadCount = 128;
  // How long Step waits for a worker to finish when none has, so that a
  // caller's loop can let the user interface breathe.
  static constexpr uint32_t kDefaultStepWait = 100;

  // Called with the resolver, the dotted address and the name (possibly
  // empty).
  using TResolvedHandler =
      std::function<void(TAdvDNS& sender, const std::string& address, const std::string& name)>;

  TAdvDNS();

  TAdvStrings& Addresses() { return *m_addresses; }
  TAdvDNSThreads& Threads() { return *m_threads; }
  int32_t NextIndex() const { return m_nextIndex; }
  int32_t Reported() const { return m_reported; }
  void SetOnResolved(TResolvedHandler handler) { m_onResolved = std::move(handler); }
  void SetLookup(TReverseLookupFunction lookup) { m_lookup = std::move(lookup); }

  // Cuts the pool to its first n workers (each removed one waits for its
  // thread first) or appends idle ones until there are n.
  void SetThreadCount(int n);

  // Operations in slot order.

  // Hands one finished worker's result to the handler; then, also when the
  // handler raised, clears the worker and counts it reported.
  virtual void Report(TAdvDNSThread& worker);
  // NextIndex := 0, Reported := 0.
  virtual void Reset();
  // Waits for every worker and reports what each holds; hands out nothing.
  // Every worker is reported even when the handler raises; the first error
  // then passes on.
  virtual void Finish();
  // One pass over the pool: reports each finished worker and gives it the
  // next address. When no worker had finished, waits up to `waitMs` for one
  // to finish instead of returning at once.
  virtual void Step(uint32_t waitMs = kDefaultStepWait);
  // Fewer results reported than addresses listed.
  virtual bool Busy() const;

 protected:
  void BeforeDestruction() override;
  ~TAdvDNS() override;

 private:
  uint64_t FinishedCount();

  TAdvRef<TAdvStrings> m_addresses;
  TAdvRef<TAdvDNSThreads> m_threads;
  int32_t m_nextIndex = 0;
  int32_t m_reported = 0;
  TResolvedHandler m_onResolved;
  TReverseLookupFunction m_lookup;
  std::shared_ptr<TAdvDNSCompletion> m_completion;
};

void RegisterDNSClasses();
