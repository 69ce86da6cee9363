#include "core/tests/FilerTestTypes.h"

#include "core/AdvFactories.h"

ADV_CLASS_IMPL(TStringStream, TAdvStream)
ADV_CLASS_IMPL(TSample, TAdvPersistent)
ADV_CLASS_IMPL(TSampleChild, TSample)
ADV_CLASS_IMPL(TUnregistered, TAdvPersistent)

void TSample::Define(TAdvFiler& filer) {
  TAdvPersistent::Define(filer);
  filer.Field("Name").DefineString(Name);
  filer.Field("Count").DefineInteger(Count);
  filer.Field("Big").DefineInteger64(Big);
  filer.Field("Unsigned").DefineCardinal(Unsigned);
  filer.Field("Small").DefineInteger16(Small);
  filer.Field("Tiny").DefineInteger8(Tiny);
  filer.Field("Ratio").DefineReal(Ratio);
  filer.Field("Flag").DefineBoolean(Flag);
  filer.Field("Letter").DefineCharacter(Letter);
  filer.Field("Short").DefineShortString(Short);
  filer.Field("Blob").DefineBinary(Blob, sizeof Blob);
  filer.Field("Colour").DefineEnum(Colour);
  filer.Field("Bits").DefineSet(Bits, sizeof Bits);
  filer.Field("Child").DefineObject(Child, &TSample::ClassInfo);
  if (filer.HasOptional(TAdvFilerKind::String)) filer.Field("Optional").DefineString(Optional);
}

void TSample::Assign(const TAdvObject& source) {
  TAdvPersistent::Assign(source);
  const auto& s = static_cast<const TSample&>(source);
  Name = s.Name;
  Count = s.Count;
}

void RegisterFilerTestClasses() {
  AdvFactory().RegisterAll({&TSample::ClassInfo, &TSampleChild::ClassInfo});
}
