// The object model every non-visual class stands on.
//
// TAdvObject is a reference-counted root with a class-metadata record in place
// of class references: each class declares a static TAdvClassInfo (name,
// parent record, factory) with ADV_CLASS in its body and ADV_CLASS_IMPL (or
// ADV_ABSTRACT_CLASS_IMPL) in its .cpp. A "class" parameter anywhere in the
// code base is a TAdvClass, a pointer to such a record.
//
// Reference counting: a new object counts 0 and has one owner. Retain adds an
// owner, Release drops one and destroys the object when no other owner is
// left. The counter is atomic, so objects may be handed between threads;
// everything else about an object is used by one thread at a time unless its
// class says otherwise. Destructors are protected: only Release deletes.
//
// Errors are exceptions of the EAdvanced family. An object raises through its
// virtual Error, which picks the exception class of its own class and builds
// the message "(Class.Operation): text".
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <utility>

class TAdvObject;

// The metadata record of one class. Records are constant-initialised statics,
// so they may be used from any static initialiser or thread.
struct TAdvClassInfo {
  const char* Name;
  const TAdvClassInfo* Parent;
  TAdvObject* (*Factory)();  // null for abstract classes

  // A new instance through the factory; raises EAdvanced for an abstract class.
  TAdvObject* Create() const;
  // True when this class is `other` or descends from it (by record identity).
  bool InheritsFrom(const TAdvClassInfo* other) const;
  // True when this class or an ancestor has the name (ASCII case-insensitive).
  bool IsClassByName(std::string_view name) const;
};
using TAdvClass = const TAdvClassInfo*;

template <class T>
TAdvObject* AdvFactoryOf() {
  return new T();
}

// In the class body (leaves the body in the public section):
//   class TAdvList : public TAdvItems { ADV_CLASS(TAdvList)
#define ADV_CLASS(Name)                                              \
 public:                                                             \
  static const TAdvClassInfo ClassInfo;                              \
  TAdvClass ClassType() const override { return &Name::ClassInfo; }

// In the .cpp file:
#define ADV_CLASS_IMPL(Name, ParentName) \
  const TAdvClassInfo Name::ClassInfo{#Name, &ParentName::ClassInfo, &AdvFactoryOf<Name>};
#define ADV_ABSTRACT_CLASS_IMPL(Name, ParentName) \
  const TAdvClassInfo Name::ClassInfo{#Name, &ParentName::ClassInfo, nullptr};

class TAdvObject {
 public:
  static const TAdvClassInfo ClassInfo;
  virtual TAdvClass ClassType() const { return &ClassInfo; }

  TAdvObject() = default;
  TAdvObject(const TAdvObject&) = delete;
  TAdvObject& operator=(const TAdvObject&) = delete;

  // Adds an owner; returns the object for chaining. Null-safe as a static.
  TAdvObject* Retain() {
    m_refs.fetch_add(1, std::memory_order_relaxed);
    return this;
  }
  // Drops an owner; destroys the object when it had only one.
  void Release();
  static void Release(TAdvObject* object) {
    if (object) object->Release();
  }
  int32_t ReferenceCount() const { return m_refs.load(std::memory_order_relaxed); }

  // A new instance of this object's own class with this object's state.
  TAdvObject* Clone() const;

  std::string ClassName() const { return ClassType()->Name; }
  bool IsClassByName(std::string_view name) const { return ClassType()->IsClassByName(name); }
  bool IsClassByName(TAdvClass cls) const { return cls && IsClassByName(cls->Name); }

  // Raises EAdvAssign unless `source` is of this object's class or a descendant.
  virtual void CheckAssignable(const TAdvObject* source) const;
  // Raises this class's exception: "(Class.operation): message". Never returns.
  [[noreturn]] virtual void Error(std::string_view operation, std::string_view message) const;
  // Copies state from `source`; each override calls its parent's first.
  virtual void Assign(const TAdvObject& source);
  // Class name written into binary streams for this object.
  virtual std::string PersistedClassName() const { return ClassName(); }
  virtual size_t SizeInBytes() const { return sizeof(*this); }

 protected:
  // Runs when the last owner lets go, before any destructor, while the whole
  // object (every derived part) still exists: the place to stop work that
  // calls back into the object, such as a thread running its virtual body.
  // Must not throw.
  virtual void BeforeDestruction() {}
  virtual ~TAdvObject() = default;

 private:
  // 0 means one owner; see the file comment.
  std::atomic<int32_t> m_refs{0};
};

// Intrusive smart pointer for locals and members. Constructing from a raw
// pointer adopts one ownership (the pointer's "new" owner, or a reference the
// caller already retained); use TAdvRef<T>::Share to take a new reference to
// an object someone else owns (an entry of a collection, say).
template <class T>
class TAdvRef {
 public:
  TAdvRef() = default;
  TAdvRef(std::nullptr_t) {}
  explicit TAdvRef(T* adopted) : m_p(adopted) {}
  TAdvRef(const TAdvRef& other) : m_p(other.m_p) {
    if (m_p) m_p->Retain();
  }
  TAdvRef(TAdvRef&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
  template <class U>
  TAdvRef(TAdvRef<U>&& other) noexcept : m_p(other.Detach()) {}
  template <class U>
  TAdvRef(const TAdvRef<U>& other) : m_p(other.Get()) {
    if (m_p) m_p->Retain();
  }
  ~TAdvRef() { TAdvObject::Release(m_p); }

  TAdvRef& operator=(TAdvRef other) noexcept {
    std::swap(m_p, other.m_p);
    return *this;
  }

  static TAdvRef Share(T* borrowed) {
    if (borrowed) borrowed->Retain();
    return TAdvRef(borrowed);
  }

  T* Get() const { return m_p; }
  T* operator->() const { return m_p; }
  T& operator*() const { return *m_p; }
  explicit operator bool() const { return m_p != nullptr; }
  bool operator==(const TAdvRef& other) const { return m_p == other.m_p; }

  // Gives up ownership without releasing; the caller now owns one reference.
  T* Detach() { return std::exchange(m_p, nullptr); }
  void Reset(T* adopted = nullptr) { TAdvRef(adopted).Swap(*this); }
  void Swap(TAdvRef& other) noexcept { std::swap(m_p, other.m_p); }

 private:
  T* m_p = nullptr;
};

// A new object of T held by a reference.
template <class T, class... Args>
TAdvRef<T> AdvNew(Args&&... args) {
  return TAdvRef<T>(new T(std::forward<Args>(args)...));
}

// A new instance of `cls` cast to T, or null when `cls` is not a T.
template <class T>
TAdvRef<T> AdvCreate(TAdvClass cls) {
  TAdvRef<TAdvObject> object(cls->Create());
  if (!object || !object->ClassType()->InheritsFrom(&T::ClassInfo)) return nullptr;
  return TAdvRef<T>(static_cast<T*>(object.Detach()));
}

// Downcast checked through the class records; null when `object` is not a T.
template <class T>
T* AdvCast(TAdvObject* object) {
  return object && object->ClassType()->InheritsFrom(&T::ClassInfo) ? static_cast<T*>(object)
                                                                    : nullptr;
}
template <class T>
const T* AdvCast(const TAdvObject* object) {
  return object && object->ClassType()->InheritsFrom(&T::ClassInfo) ? static_cast<const T*>(object)
                                                                    : nullptr;
}

// ---------------------------------------------------------------------------
// Exceptions

// Root of every error the library raises. The full message is
//   "(%s.%s): %s"  sender's class name, operation, message
//   "(%s): %s"     no sender but an operation
//   "%s"           neither
// The sender is kept by class name (the object may be gone by the time the
// exception is caught); SenderObject is only valid while the raising call is
// on the stack.
class EAdvanced : public std::exception {
 public:
  static const TAdvClassInfo ClassInfo;
  virtual TAdvClass ClassType() const { return &ClassInfo; }

  EAdvanced(const TAdvObject* sender, std::string_view message, std::string_view operation = {});
  explicit EAdvanced(std::string_view message) : EAdvanced(nullptr, message) {}

  const char* what() const noexcept override { return m_text.c_str(); }
  const std::string& Message() const { return m_text; }
  const std::string& BareMessage() const { return m_message; }
  const std::string& Operation() const { return m_operation; }
  const std::string& SenderClassName() const { return m_senderClass; }
  const TAdvObject* SenderObject() const { return m_sender; }

  std::string ClassName() const { return ClassType()->Name; }
  bool IsClassByName(std::string_view name) const { return ClassType()->IsClassByName(name); }

 protected:
  // For descendants that build the bare message themselves.
  void SetBareMessage(std::string message);

 private:
  void Compose();

  std::string m_message;
  std::string m_operation;
  std::string m_senderClass;
  const TAdvObject* m_sender = nullptr;
  std::string m_text;
};

#define ADV_EXCEPTION(Name, ParentName)                              \
  class Name : public ParentName {                                   \
   public:                                                           \
    using ParentName::ParentName;                                    \
    static const TAdvClassInfo ClassInfo;                            \
    TAdvClass ClassType() const override { return &Name::ClassInfo; } \
  };
#define ADV_EXCEPTION_IMPL(Name, ParentName) \
  const TAdvClassInfo Name::ClassInfo{#Name, &ParentName::ClassInfo, nullptr};

ADV_EXCEPTION(EAdvAssign, EAdvanced)
ADV_EXCEPTION(EAdvItems, EAdvanced)
ADV_EXCEPTION(EAdvIterator, EAdvanced)
ADV_EXCEPTION(EAdvStream, EAdvanced)
ADV_EXCEPTION(EAdvMemory, EAdvanced)
ADV_EXCEPTION(EAdvFiler, EAdvanced)
ADV_EXCEPTION(EAdvFactory, EAdvanced)
ADV_EXCEPTION(EAdvRegistry, EAdvanced)
ADV_EXCEPTION(EAdvTextAdapter, EAdvanced)
ADV_EXCEPTION(EAdvTransport, EAdvanced)
ADV_EXCEPTION(EAdvSMTP, EAdvanced)
ADV_EXCEPTION(EAdvMAPI, EAdvanced)
ADV_EXCEPTION(EMAPI, EAdvanced)
ADV_EXCEPTION(EAdvLibrary, EAdvanced)
ADV_EXCEPTION(EAdvDateTime, EAdvanced)

// A file error; the bare message is "%s: '%s'" of the message and file name.
class EAdvFile : public EAdvanced {
 public:
  static const TAdvClassInfo ClassInfo;
  TAdvClass ClassType() const override { return &ClassInfo; }
  EAdvFile(const TAdvObject* sender, std::string_view message, std::string_view operation,
           std::string_view fileName);
  const std::string& FileName() const { return m_fileName; }

 private:
  std::string m_fileName;
};

// A socket error; the bare message is "%s [%d]" of the system's text for the
// code and the code.
class EAdvInternet : public EAdvanced {
 public:
  static const TAdvClassInfo ClassInfo;
  TAdvClass ClassType() const override { return &ClassInfo; }
  EAdvInternet(const TAdvObject* sender, int code, std::string_view operation);
  EAdvInternet(const TAdvObject* sender, std::string_view systemText, int code,
               std::string_view operation);
  // An error of the socket layer itself (no system code): the bare message
  // is `message` as it is and Code is 0.
  EAdvInternet(const TAdvObject* sender, std::string_view message, std::string_view operation);
  int Code() const { return m_code; }

 private:
  int m_code;
};

// Overrides Error in a class body so that it raises `Exception`.
#define ADV_RAISES(Exception)                                                            \
  [[noreturn]] void Error(std::string_view operation, std::string_view message) const \
      override {                                                                         \
    throw Exception(this, message, operation);                                           \
  }
