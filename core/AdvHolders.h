// Holders capture a stretch of a tagged stream value by value, so it can be
// kept and written back unchanged without knowing the classes it came from.
//
// A TAdvHolder holds one value of any filer kind together with the kind.
// Reading one peeks the next kind and takes whatever is there; a holder of
// kind Object keeps the class name and a TAdvHolders list with the object's
// markers and values. Reading a TAdvHolders list reads holders until the
// Begin and End markers seen balance out. Holders add no markers of their
// own: what is read is exactly what is written back. Binary and Set values
// carry no size in the protocol, so holders refuse them.
//
// Thread safety: none; one thread at a time.
#pragma once

#include <cstdint>
#include <string>

#include "core/AdvFilers.h"
#include "core/AdvLists.h"

class TAdvHolders;

class TAdvHolder : public TAdvPersistent {
  ADV_CLASS(TAdvHolder)

  TAdvHolder() = default;

  TAdvFilerKind Kind() const { return m_kind; }
  // Booleans, characters, enumerations and every integer size.
  int64_t AsInteger() const { return m_integer; }
  bool AsBoolean() const { return m_integer != 0; }
  double AsReal() const { return m_real; }
  // A text, or the class name of an Object.
  const std::string& AsString() const { return m_text; }
  // The contents of an Object; null for other kinds.
  TAdvHolders* Holders() const { return m_holders.Get(); }

  void SetBoolean(bool value) { SetInteger(TAdvFilerKind::Boolean, value ? 1 : 0); }
  // Any integer kind (Integer, Integer64, Integer16, Integer8, Enumerated,
  // Character) with its value.
  void SetInteger(TAdvFilerKind kind, int64_t value);
  void SetReal(double value);
  void SetString(std::string value, TAdvFilerKind kind = TAdvFilerKind::String);
  // An Object of the class, with an empty list for its contents.
  void SetObject(std::string className);
  // A value without payload: Begin, End or Nil.
  void SetMarker(TAdvFilerKind kind);

  void Assign(const TAdvObject& source) override;
  void Define(TAdvFiler& filer) override;
  void Load(TAdvFiler& filer) override { Define(filer); }
  void Save(TAdvFiler& filer) override { Define(filer); }

 protected:
  ~TAdvHolder() override;

 private:
  void DefineRead(TAdvFiler& filer);
  void DefineWrite(TAdvFiler& filer);
  void Reset(TAdvFilerKind kind);

  TAdvFilerKind m_kind = TAdvFilerKind::Unknown;
  int64_t m_integer = 0;
  double m_real = 0;
  std::string m_text;
  TAdvRef<TAdvHolders> m_holders;  // Object only
};

class TAdvHolders : public TAdvList {
  ADV_CLASS(TAdvHolders)

  TAdvHolders() = default;

  TAdvHolder* GetItem(int index) const { return ItemAs<TAdvHolder>(index); }
  TAdvClass ItemClass() const override { return &TAdvHolder::ClassInfo; }

  // Clears, then reads holders until the markers balance out.
  void Load(TAdvFiler& filer) override;
  // Writes every holder; no markers of its own.
  void Save(TAdvFiler& filer) override;

 protected:
  ~TAdvHolders() override = default;
};
