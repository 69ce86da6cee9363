// THits and TVexaHits: owning lists of hits with the orderings the views and
// reports sort by.
//
// Every ordering breaks ties by Initiated (ascending before Direction is
// applied). Texts compare ignoring ASCII case, numbers as unsigned, and
// HasReference false before true. The comparison operations are virtual and
// listed in the order the columns were declared; the hit report derives from
// TVexaHits.
//
// Ownership and thread safety as for TAdvList: the list owns one reference to
// every hit; one thread at a time.
#pragma once

#include <cstdint>

#include "core/AdvLists.h"
#include "monitor/Hits.h"

// What a hit list can be sorted by.
enum class THitOrder : uint8_t {
  Protocol,
  Initiated,
  Source,
  SourceAddress,
  SourcePort,
  Destination,
  DestinationAddress,
  DestinationPort,
  Resource,
  Query,
  ExtraText1,
  ExtraText2,
  Profile,
  SourceSize,
  DestinationSize,
  TimeTaken,
  Status,
  HasReference,
  ExtraText3,
};

class THits : public TAdvList {
  ADV_CLASS(THits)

  THit* GetHit(int index) const { return static_cast<THit*>(GetItem(index)); }
  TAdvClass ItemClass() const override { return &THit::ClassInfo; }

  // By Protocol, then Initiated.
  virtual int CompareByProtocol(TAdvObject* a, TAdvObject* b) const;
  // By Initiated.
  virtual int CompareByInitiated(TAdvObject* a, TAdvObject* b) const;

  // The ordering's comparison of two hits.
  virtual int CompareBy(THitOrder order, const THit& a, const THit& b) const;
  // Sorts by the ordering (Direction applies).
  void SortBy(THitOrder order);

 protected:
  ~THits() override = default;
};

class TVexaHits : public THits {
  ADV_CLASS(TVexaHits)

  TVexaHit* GetHit(int index) const { return static_cast<TVexaHit*>(GetItem(index)); }
  TAdvClass ItemClass() const override { return &TVexaHit::ClassInfo; }

  virtual int CompareBySource(TAdvObject* a, TAdvObject* b) const;
  virtual int CompareBySourceAddress(TAdvObject* a, TAdvObject* b) const;
  virtual int CompareBySourcePort(TAdvObject* a, TAdvObject* b) const;
  virtual int CompareByDestination(TAdvObject* a, TAdvObject* b) const;
  virtual int CompareByDestinationAddress(TAdvObject* a, TAdvObject* b) const;
  virtual int CompareByDestinationPort(TAdvObject* a, TAdvObject* b) const;
  virtual int CompareByResource(TAdvObject* a, TAdvObject* b) const;
  virtual int CompareByQuery(TAdvObject* a, TAdvObject* b) const;
  virtual int CompareByExtraText1(TAdvObject* a, TAdvObject* b) const;
  virtual int CompareByExtraText2(TAdvObject* a, TAdvObject* b) const;
  virtual int CompareByProfile(TAdvObject* a, TAdvObject* b) const;
  virtual int CompareBySourceSize(TAdvObject* a, TAdvObject* b) const;
  virtual int CompareByDestinationSize(TAdvObject* a, TAdvObject* b) const;
  virtual int CompareByTimeTaken(TAdvObject* a, TAdvObject* b) const;
  virtual int CompareByStatus(TAdvObject* a, TAdvObject* b) const;
  virtual int CompareByHasReference(TAdvObject* a, TAdvObject* b) const;
  virtual int CompareByExtraText3(TAdvObject* a, TAdvObject* b) const;

 protected:
  ~TVexaHits() override = default;
};
