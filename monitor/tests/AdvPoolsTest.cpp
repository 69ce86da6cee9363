#include "monitor/AdvPools.h"

#include <gtest/gtest.h>

namespace {

int g_live = 0;

class TPooled : public TAdvObject {
  ADV_CLASS(TPooled)
  TPooled() { ++g_live; }

 protected:
  ~TPooled() override { --g_live; }
};
ADV_CLASS_IMPL(TPooled, TAdvObject)

TEST(AdvPool, CreatesItsObjectsUpFrontAndKeepsAtMostItsSize) {
  {
    auto pool = AdvNew<TAdvPool>(&TPooled::ClassInfo, 3);
    EXPECT_EQ(g_live, 3);
    EXPECT_EQ(pool->Count(), 3);
    EXPECT_NE(pool->Get(0), pool->Get(2));
    EXPECT_TRUE(pool->Get(2)->IsClassByName("TPooled"));
    EXPECT_THROW(pool->Get(3), EAdvanced);
    EXPECT_THROW(pool->Get(-1), EAdvanced);

    TAdvRef<TAdvObject> taken(pool->Take());
    EXPECT_EQ(pool->Count(), 2);
    TAdvRef<TAdvObject> extra(AdvNew<TPooled>().Detach());
    pool->Give(taken.Detach());
    EXPECT_EQ(pool->Count(), 3);
    pool->Give(extra.Detach());  // full: released
    EXPECT_EQ(pool->Count(), 3);
    EXPECT_EQ(g_live, 3);

    for (int i = 0; i < 4; ++i) TAdvObject::Release(pool->Take());  // the last one is new
    EXPECT_EQ(pool->Count(), 0);
  }
  EXPECT_EQ(g_live, 0);
}

}  // namespace
