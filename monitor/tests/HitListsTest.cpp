#include "monitor/HitLists.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TVexaHit* AddHit(TVexaHits& list, double initiated, std::string_view source, uint8_t protocol) {
  auto hit = AdvNew<TVexaHit>();
  hit->Clear();
  hit->SetInitiated(initiated);
  hit->SetSource(source);
  hit->SetProtocol(protocol);
  TVexaHit* raw = hit.Detach();
  list.Add(raw);
  return raw;
}

std::vector<double> Order(const TVexaHits& list) {
  std::vector<double> order;
  for (int i = 0; i < list.Count(); ++i) order.push_back(list.GetHit(i)->Initiated());
  return order;
}

TEST(HitLists, SortByColumnBreaksTiesByInitiated) {
  auto list = AdvNew<TVexaHits>();
  AddHit(*list, 4, "bob", kProtocolMail);
  AddHit(*list, 3, "Alice", kProtocolWeb);
  AddHit(*list, 1, "alice", kProtocolMail);
  AddHit(*list, 2, "BOB", kProtocolWeb);

  list->SortBy(THitOrder::Source);  // ASCII case ignored
  EXPECT_EQ(Order(*list), (std::vector<double>{1, 3, 2, 4}));
  list->SortBy(THitOrder::Protocol);
  EXPECT_EQ(Order(*list), (std::vector<double>{2, 3, 1, 4}));
  list->SortBy(THitOrder::Initiated);
  EXPECT_EQ(Order(*list), (std::vector<double>{1, 2, 3, 4}));
  list->SetDirection(-1);
  list->SortBy(THitOrder::Initiated);
  EXPECT_EQ(Order(*list), (std::vector<double>{4, 3, 2, 1}));
}

TEST(HitLists, ComparatorsCompareNumbersUnsignedAndReferencesFalseFirst) {
  auto list = AdvNew<TVexaHits>();
  TVexaHit* low = AddHit(*list, 1, "a", kProtocolWeb);
  TVexaHit* high = AddHit(*list, 2, "a", kProtocolWeb);
  high->Data().DestinationSize = 0x80000000u;  // negative if read signed
  low->Data().DestinationSize = 1;
  EXPECT_LT(list->CompareByDestinationSize(low, high), 0);
  high->Data().SourceAddress = 0xC0000001u;
  EXPECT_LT(list->CompareBySourceAddress(low, high), 0);
  high->SetPosition(5);
  EXPECT_LT(list->CompareByHasReference(low, high), 0);
  // Equal columns fall back to Initiated.
  EXPECT_LT(list->CompareByExtraText3(low, high), 0);
  EXPECT_GT(list->CompareByStatus(high, low), 0);
  high->SetExtraText3("B");
  low->SetExtraText3("b");
  EXPECT_LT(list->CompareByExtraText3(low, high), 0);
  EXPECT_EQ(list->ItemClass(), &TVexaHit::ClassInfo);
}

}  // namespace
