#include "core/AdvObjects.h"

#include <gtest/gtest.h>

namespace {

int g_destroyed = 0;

class TProbe : public TAdvObject {
  ADV_CLASS(TProbe)
  int Value = 0;
  void Assign(const TAdvObject& source) override {
    TAdvObject::Assign(source);
    Value = static_cast<const TProbe&>(source).Value;
  }

 protected:
  ~TProbe() override { ++g_destroyed; }
};
ADV_CLASS_IMPL(TProbe, TAdvObject)

class TProbeChild : public TProbe {
  ADV_CLASS(TProbeChild)
};
ADV_CLASS_IMPL(TProbeChild, TProbe)

TEST(AdvObject, NewObjectHasOneOwnerAndReleaseDestroysIt) {
  g_destroyed = 0;
  auto* probe = new TProbe();
  EXPECT_EQ(probe->ReferenceCount(), 0);
  probe->Retain();
  probe->Release();
  EXPECT_EQ(g_destroyed, 0);
  probe->Release();
  EXPECT_EQ(g_destroyed, 1);
  TAdvObject::Release(nullptr);
}

TEST(AdvObject, RefSharesAndReleasesOwnership) {
  g_destroyed = 0;
  {
    TAdvRef<TProbe> a = AdvNew<TProbe>();
    TAdvRef<TProbe> b = a;
    EXPECT_EQ(a->ReferenceCount(), 1);
    TAdvRef<TAdvObject> base = b;
    EXPECT_EQ(a->ReferenceCount(), 2);
  }
  EXPECT_EQ(g_destroyed, 1);
}

TEST(AdvObject, CloneMakesSameClassWithState) {
  TAdvRef<TProbeChild> child = AdvNew<TProbeChild>();
  child->Value = 42;
  TAdvRef<TAdvObject> copy(child->Clone());
  EXPECT_EQ(copy->ClassName(), "TProbeChild");
  EXPECT_EQ(AdvCast<TProbe>(copy.Get())->Value, 42);
}

TEST(AdvObject, IsClassByNameWalksParentsIgnoringCase) {
  TAdvRef<TProbeChild> child = AdvNew<TProbeChild>();
  EXPECT_TRUE(child->IsClassByName("tprobe"));
  EXPECT_TRUE(child->IsClassByName("TADVOBJECT"));
  EXPECT_FALSE(child->IsClassByName("TProbeOther"));
  TAdvRef<TProbe> parent = AdvNew<TProbe>();
  EXPECT_FALSE(parent->IsClassByName("TProbeChild"));
}

TEST(AdvObject, CheckAssignableMessages) {
  TAdvRef<TProbeChild> child = AdvNew<TProbeChild>();
  TAdvRef<TProbe> parent = AdvNew<TProbe>();
  EXPECT_NO_THROW(parent->CheckAssignable(child.Get()));
  try {
    child->CheckAssignable(parent.Get());
    FAIL();
  } catch (const EAdvAssign& e) {
    EXPECT_STREQ(e.what(), "(TProbeChild.Assign): Invalid source type \"TProbe\"");
  }
  try {
    child->CheckAssignable(nullptr);
    FAIL();
  } catch (const EAdvanced& e) {
    EXPECT_EQ(e.Message(), "(TProbeChild.Assign): Source not assigned");
    EXPECT_TRUE(e.IsClassByName("EAdvAssign"));
    EXPECT_TRUE(e.IsClassByName("EAdvanced"));
  }
}

TEST(AdvObject, ExceptionMessageFormats) {
  TAdvRef<TProbe> probe = AdvNew<TProbe>();
  EXPECT_EQ(EAdvanced(probe.Get(), "text", "Add").Message(), "(TProbe.Add): text");
  EXPECT_EQ(EAdvanced(nullptr, "text", "Add").Message(), "(Add): text");
  EXPECT_EQ(EAdvanced("text").Message(), "text");
  EAdvFile file(probe.Get(), "Unable to open", "Open", "/x/y");
  EXPECT_EQ(file.Message(), "(TProbe.Open): Unable to open: '/x/y'");
  EXPECT_EQ(file.BareMessage(), "Unable to open: '/x/y'");
  EAdvInternet net(probe.Get(), "Connection refused", 111, "Connect");
  EXPECT_EQ(net.Message(), "(TProbe.Connect): Connection refused [111]");
  EXPECT_TRUE(net.IsClassByName("EAdvanced"));
}

TEST(AdvObject, AbstractClassCannotBeCreated) {
  const TAdvClassInfo abstractInfo{"TAbstract", &TAdvObject::ClassInfo, nullptr};
  EXPECT_THROW(abstractInfo.Create(), EAdvanced);
}

}  // namespace
