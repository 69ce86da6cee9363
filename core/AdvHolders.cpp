#include "core/AdvHolders.h"

ADV_CLASS_IMPL(TAdvHolder, TAdvPersistent)
ADV_CLASS_IMPL(TAdvHolders, TAdvList)

TAdvHolder::~TAdvHolder() = default;

void TAdvHolder::Reset(TAdvFilerKind kind) {
  m_kind = kind;
  m_integer = 0;
  m_real = 0;
  m_text.clear();
  m_holders.Reset();
}

void TAdvHolder::SetInteger(TAdvFilerKind kind, int64_t value) {
  Reset(kind);
  m_integer = value;
}

void TAdvHolder::SetReal(double value) {
  Reset(TAdvFilerKind::Real);
  m_real = value;
}

void TAdvHolder::SetString(std::string value, TAdvFilerKind kind) {
  Reset(kind);
  m_text = std::move(value);
}

void TAdvHolder::SetObject(std::string className) {
  Reset(TAdvFilerKind::Object);
  m_text = std::move(className);
  m_holders = AdvNew<TAdvHolders>();
}

void TAdvHolder::SetMarker(TAdvFilerKind kind) {
  Reset(kind);
}

void TAdvHolder::Assign(const TAdvObject& source) {
  TAdvPersistent::Assign(source);
  if (&source == this) return;
  const auto& holder = static_cast<const TAdvHolder&>(source);
  Reset(holder.m_kind);
  m_integer = holder.m_integer;
  m_real = holder.m_real;
  m_text = holder.m_text;
  if (holder.m_holders) m_holders.Reset(static_cast<TAdvHolders*>(holder.m_holders->Clone()));
}

void TAdvHolder::Define(TAdvFiler& filer) {
  if (filer.IsReader())
    DefineRead(filer);
  else
    DefineWrite(filer);
}

void TAdvHolder::DefineRead(TAdvFiler& filer) {
  const TAdvFilerKind kind = filer.Peek();
  Reset(kind);
  switch (kind) {
    case TAdvFilerKind::Boolean: {
      bool value = false;
      filer.DefineBoolean(value);
      m_integer = value ? 1 : 0;
      break;
    }
    case TAdvFilerKind::Integer: {
      int32_t value = 0;
      filer.DefineInteger(value);
      m_integer = value;
      break;
    }
    case TAdvFilerKind::Integer64:
      filer.DefineInteger64(m_integer);
      break;
    case TAdvFilerKind::Integer16: {
      int16_t value = 0;
      filer.DefineInteger16(value);
      m_integer = value;
      break;
    }
    case TAdvFilerKind::Integer8: {
      int8_t value = 0;
      filer.DefineInteger8(value);
      m_integer = value;
      break;
    }
    case TAdvFilerKind::Enumerated: {
      uint8_t value = 0;
      filer.DefineEnumerated(value);
      m_integer = value;
      break;
    }
    case TAdvFilerKind::Character: {
      char value = 0;
      filer.DefineCharacter(value);
      m_integer = static_cast<unsigned char>(value);
      break;
    }
    case TAdvFilerKind::Real:
      filer.DefineReal(m_real);
      break;
    case TAdvFilerKind::String:
      filer.DefineString(m_text);
      break;
    case TAdvFilerKind::ShortString:
      filer.DefineShortString(m_text);
      break;
    case TAdvFilerKind::Begin:
      filer.DefineBegin();
      break;
    case TAdvFilerKind::End:
      filer.DefineEnd();
      break;
    case TAdvFilerKind::Nil: {
      TAdvObject* none = nullptr;
      filer.DefineObject(none);
      TAdvObject::Release(none);
      break;
    }
    case TAdvFilerKind::Object:
      filer.DefineClass(m_text);
      m_holders = AdvNew<TAdvHolders>();
      m_holders->Load(filer);
      break;
    case TAdvFilerKind::Binary:
    case TAdvFilerKind::Set:
      Error("Define", FilerKindName(kind) + " not supported");
      break;
    default:
      Error("Define", "Unexpected value of kind " + FilerKindName(uint8_t(kind)));
  }
}

void TAdvHolder::DefineWrite(TAdvFiler& filer) {
  switch (m_kind) {
    case TAdvFilerKind::Boolean: {
      bool value = m_integer != 0;
      filer.DefineBoolean(value);
      break;
    }
    case TAdvFilerKind::Integer: {
      auto value = int32_t(m_integer);
      filer.DefineInteger(value);
      break;
    }
    case TAdvFilerKind::Integer64:
      filer.DefineInteger64(m_integer);
      break;
    case TAdvFilerKind::Integer16: {
      auto value = int16_t(m_integer);
      filer.DefineInteger16(value);
      break;
    }
    case TAdvFilerKind::Integer8: {
      auto value = int8_t(m_integer);
      filer.DefineInteger8(value);
      break;
    }
    case TAdvFilerKind::Enumerated: {
      auto value = uint8_t(m_integer);
      filer.DefineEnumerated(value);
      break;
    }
    case TAdvFilerKind::Character: {
      auto value = char(m_integer);
      filer.DefineCharacter(value);
      break;
    }
    case TAdvFilerKind::Real:
      filer.DefineReal(m_real);
      break;
    case TAdvFilerKind::String:
      filer.DefineString(m_text);
      break;
    case TAdvFilerKind::ShortString:
      filer.DefineShortString(m_text);
      break;
    case TAdvFilerKind::Begin:
      filer.DefineBegin();
      break;
    case TAdvFilerKind::End:
      filer.DefineEnd();
      break;
    case TAdvFilerKind::Nil: {
      TAdvObject* none = nullptr;
      filer.DefineObject(none);
      break;
    }
    case TAdvFilerKind::Object:
      filer.DefineClass(m_text);
      if (m_holders) m_holders->Save(filer);
      break;
    case TAdvFilerKind::Binary:
    case TAdvFilerKind::Set:
      Error("Define", FilerKindName(m_kind) + " not supported");
      break;
    default:
      Error("Define", "Unexpected value of kind " + FilerKindName(uint8_t(m_kind)));
  }
}

// ---------------------------------------------------------------------------

void TAdvHolders::Load(TAdvFiler& filer) {
  Clear();
  int depth = 0;
  do {
    const TAdvFilerKind kind = filer.Peek();
    if (kind == TAdvFilerKind::Unknown)
      Error("Load", "Expected a value but found an unknown value");
    TAdvRef<TAdvHolder> holder = AdvNew<TAdvHolder>();
    holder->Load(filer);
    Insert(Count(), holder.Detach());
    if (kind == TAdvFilerKind::Begin)
      ++depth;
    else if (kind == TAdvFilerKind::End)
      --depth;
  } while (depth > 0);
}

void TAdvHolders::Save(TAdvFiler& filer) {
  for (int i = 0; i < Count(); ++i)
    if (TAdvHolder* holder = GetItem(i)) holder->Save(filer);
}
