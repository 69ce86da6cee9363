#include "monitor/HitLists.h"

#include "core/AdvAscii.h"

ADV_CLASS_IMPL(THits, TAdvList)
ADV_CLASS_IMPL(TVexaHits, THits)

namespace {

template <class T>
int Compare(T a, T b) {
  return a < b ? -1 : (a > b ? 1 : 0);
}

int ByInitiated(const THit& a, const THit& b) {
  return Compare(a.Initiated(), b.Initiated());
}

// The column's comparison, Initiated breaking ties.
int Ordered(THitOrder order, const THit& a, const THit& b) {
  const THitData& x = a.Data();
  const THitData& y = b.Data();
  int result = 0;
  switch (order) {
    case THitOrder::Protocol:
      result = Compare(x.Protocol, y.Protocol);
      break;
    case THitOrder::Initiated:
      break;
    case THitOrder::Source:
      result = CompareTextAscii(a.Source(), b.Source());
      break;
    case THitOrder::SourceAddress:
      result = Compare(x.SourceAddress, y.SourceAddress);
      break;
    case THitOrder::SourcePort:
      result = Compare(x.SourcePort, y.SourcePort);
      break;
    case THitOrder::Destination:
      result = CompareTextAscii(a.Destination(), b.Destination());
      break;
    case THitOrder::DestinationAddress:
      result = Compare(x.DestinationAddress, y.DestinationAddress);
      break;
    case THitOrder::DestinationPort:
      result = Compare(x.DestinationPort, y.DestinationPort);
      break;
    case THitOrder::Resource:
      result = CompareTextAscii(a.Resource(), b.Resource());
      break;
    case THitOrder::Query:
      result = CompareTextAscii(a.Query(), b.Query());
      break;
    case THitOrder::ExtraText1:
      result = CompareTextAscii(a.ExtraText1(), b.ExtraText1());
      break;
    case THitOrder::ExtraText2:
      result = CompareTextAscii(a.ExtraText2(), b.ExtraText2());
      break;
    case THitOrder::Profile:
      result = CompareTextAscii(a.Profile(), b.Profile());
      break;
    case THitOrder::SourceSize:
      result = Compare(x.SourceSize, y.SourceSize);
      break;
    case THitOrder::DestinationSize:
      result = Compare(x.DestinationSize, y.DestinationSize);
      break;
    case THitOrder::TimeTaken:
      result = Compare(x.TimeTaken, y.TimeTaken);
      break;
    case THitOrder::Status:
      result = Compare(x.Status, y.Status);
      break;
    case THitOrder::HasReference:
      result = Compare(a.HasReference(), b.HasReference());
      break;
    case THitOrder::ExtraText3:
      result = CompareTextAscii(a.ExtraText3(), b.ExtraText3());
      break;
  }
  return result != 0 ? result : ByInitiated(a, b);
}

const THit& HitOf(TAdvObject* object) {
  return *static_cast<THit*>(object);
}

}  // namespace

int THits::CompareBy(THitOrder order, const THit& a, const THit& b) const {
  return Ordered(order, a, b);
}

void THits::SortBy(THitOrder order) {
  auto compare = [this, order](TAdvObject* a, TAdvObject* b) {
    return CompareBy(order, HitOf(a), HitOf(b));
  };
  Sort(ObjectCompare(compare));
}

int THits::CompareByProtocol(TAdvObject* a, TAdvObject* b) const {
  return CompareBy(THitOrder::Protocol, HitOf(a), HitOf(b));
}
int THits::CompareByInitiated(TAdvObject* a, TAdvObject* b) const {
  return CompareBy(THitOrder::Initiated, HitOf(a), HitOf(b));
}

#define VEXA_HITS_COMPARE(Column)                                        \
  int TVexaHits::CompareBy##Column(TAdvObject* a, TAdvObject* b) const { \
    return CompareBy(THitOrder::Column, HitOf(a), HitOf(b));             \
  }
VEXA_HITS_COMPARE(Source)
VEXA_HITS_COMPARE(SourceAddress)
VEXA_HITS_COMPARE(SourcePort)
VEXA_HITS_COMPARE(Destination)
VEXA_HITS_COMPARE(DestinationAddress)
VEXA_HITS_COMPARE(DestinationPort)
VEXA_HITS_COMPARE(Resource)
VEXA_HITS_COMPARE(Query)
VEXA_HITS_COMPARE(ExtraText1)
VEXA_HITS_COMPARE(ExtraText2)
VEXA_HITS_COMPARE(Profile)
VEXA_HITS_COMPARE(SourceSize)
VEXA_HITS_COMPARE(DestinationSize)
VEXA_HITS_COMPARE(TimeTaken)
VEXA_HITS_COMPARE(Status)
VEXA_HITS_COMPARE(HasReference)
VEXA_HITS_COMPARE(ExtraText3)
#undef VEXA_HITS_COMPARE
