// The loader interface: what a loader plug-in implements and the host calls.
//
// The program parses no log format itself. A loader plug-in is a shared
// module in the Loaders folder that links libvexa (never a static copy of
// it), so host and plug-in share one object model, one class factory and
// these class layouts. The module carries its category and version in a
// read-only section (VEXA_LOADER_MODULE below), which the host reads from the
// file before loading it, and exports three C functions:
//
//   TLoaderClasses* Loaders(void);  // required: the module's loader classes
//   void Open(void);                // optional: right after loading
//   void Close(void);               // optional: right before unloading
//
// "Loaders" returns a new list; the caller owns the one reference. No
// exception may leave any of the three (wrap their bodies in try/catch).
// Everything else in the module is compiled with hidden visibility.
//
// An input holds one TLoader object. For each file it calls, on its own
// thread: FormatFor(file); if a format comes back: Begin; then HasMore and,
// while it is true and the input's ring has room, Read(scratch hit); then
// End (also after a failure). Read returns true when the hit now holds one
// complete record (every known field set, the rest cleared by Clear), false
// when the call consumed no record worth a hit (a comment, a header). Either
// way the format advances the file's Index (TStreamInput::SetIndex) past all
// that it consumed; a Read that returns false without advancing Index ends
// the file's pass. Formats report bad records with Error (an EFormat), and
// may add issues, hits and the used size to the file (see monitor/Inputs.h).
//
// Thread safety: a loader object and its formats are used by one input's
// thread at a time; TLoaderClasses is used on the main thread only.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/AdvHashes.h"
#include "core/AdvPersistents.h"

class THit;
class TInput;
class TStreamInput;

ADV_EXCEPTION(ELoader, EAdvanced)
ADV_EXCEPTION(EFormat, EAdvanced)

// The category a module must declare to be loaded (compared ignoring ASCII case).
inline constexpr std::string_view kLoaderCategory = "Varnex Loader 4.3";
// The read-only section of a loader module that holds its declaration text,
// "Category=<text>;Version=<a>.<b>.<c>.<d>".
inline constexpr std::string_view kLoaderSectionName = ".vexa_loader";

// In exactly one source file of a plug-in, at namespace scope:
//   VEXA_LOADER_MODULE("Varnex Loader 4.3", 1, 0, 0, 0)
// The text is kept (used) even though nothing refers to it.
#define VEXA_LOADER_TEXT_(value) #value
#define VEXA_LOADER_TEXT(value) VEXA_LOADER_TEXT_(value)
#define VEXA_LOADER_MODULE(category, major, minor, release, build)                   \
  extern "C" __attribute__((used, section(".vexa_loader"))) const char               \
      VexaLoaderModuleInfo[] = "Category=" category ";Version=" VEXA_LOADER_TEXT(    \
          major) "." VEXA_LOADER_TEXT(minor) "." VEXA_LOADER_TEXT(release) "."       \
          VEXA_LOADER_TEXT(build);

// Marks the three exported functions of a plug-in.
#define VEXA_LOADER_EXPORT extern "C" __attribute__((visibility("default")))

class TFormat : public TAdvPersistent {
  ADV_CLASS(TFormat)
  ADV_RAISES(EFormat)

  TFormat() = default;

  // Raises EFormat with operation "Error". Never returns.
  [[noreturn]] virtual void Error(std::string_view message) const;
  // "<Unspecified>": what a format stores in a text field it cannot fill.
  virtual std::string Unspecified() const;
  // `time` plus the offset (days).
  virtual double AdjustTime(double time) const { return time + m_timeOffset; }
  virtual void Begin() {}
  virtual void End() {}
  virtual void Hook1() {}
  virtual void Hook2() {}
  virtual void Hook3() {}
  virtual void Hook4() {}
  // One record into `hit`; see the file comment. Base: false.
  virtual bool Read(THit& hit) { return false; }
  // Calls Read.
  virtual bool ReadNext(THit& hit) { return Read(hit); }
  // More data is waiting to be read. Base: false.
  virtual bool HasMore() { return false; }
  // The class name without its leading "T" and trailing "Format".
  virtual std::string DisplayName() const;

  double TimeOffset() const { return m_timeOffset; }
  void SetTimeOffset(double days) { m_timeOffset = days; }

  void Assign(const TAdvObject& source) override;
  void Define(TAdvFiler& filer) override;

 protected:
  ~TFormat() override = default;

 private:
  double m_timeOffset = 0;  // days
};

// A named entry (the name is the key) that owns one format.
class TFormatHashable : public TAdvStringHashable {
  ADV_CLASS(TFormatHashable)

  TFormatHashable() = default;
  explicit TFormatHashable(std::string_view name) : TAdvStringHashable(name) {}

  TFormat* Format() const { return m_format.Get(); }
  // Takes over `format` (one reference).
  void SetFormat(TFormat* format) { m_format.Reset(format); }

 protected:
  ~TFormatHashable() override = default;

 private:
  TAdvRef<TFormat> m_format;
};

// One format per key (loaders key it by the input's path).
class TFormatHash : public TAdvStringHash {
  ADV_CLASS(TFormatHash)

  TFormatHash() = default;
  // The format stored under `name`, or null.
  TFormat* FormatByName(std::string_view name) const;
  // Stores `format` (one reference taken over) under `name`, replacing and
  // freeing an earlier one.
  void SetFormat(std::string_view name, TFormat* format);
  TAdvClass EntryClass() const override { return &TFormatHashable::ClassInfo; }

 protected:
  ~TFormatHash() override = default;
};

class TLoader : public TAdvPersistent {
  ADV_CLASS(TLoader)
  ADV_RAISES(ELoader)

  TLoader() = default;

  // Sets the format's offset from Timezone: at the first "+" or "-", the rest
  // read as a time of day ("08:00", "8", "8:30:15.5"). No sign: 0. Raises an
  // EAdvDateTime "'%s' is not a valid time" when the rest is not a time.
  virtual void ApplyTimezone(TFormat& format) const;
  // The machine's offset: "GMT" for none, else "+hh:mm" / "-hh:mm".
  virtual std::string SystemTimezone() const;
  // The system's short date format text.
  virtual std::string DefaultDateFormat() const;
  virtual void Hook1() {}
  virtual void Hook2() {}
  virtual void Hook3() {}
  // The format for this input, owned by the loader (valid until the loader
  // is released or hands out another format for the same input); null means
  // the input is not read.
  virtual TFormat* FormatFor(TInput& input) { return nullptr; }
  // What the class's descendants say about themselves. Loaders override the
  // virtual forms; ClassName-style statics are not available across modules.
  virtual std::string Name() const { return "Unknown"; }
  virtual std::string Description() const { return {}; }
  virtual int32_t Capabilities() const { return 2047; }
  // The loader reads inputs of `inputClass` (files, for the input wizard).
  virtual bool Supports(TAdvClass inputClass) const { return false; }

  const std::string& Timezone() const { return m_timezone; }
  void SetTimezone(const std::string& value) { m_timezone = value; }

  // Copies Timezone.
  void Assign(const TAdvObject& source) override;
  void Define(TAdvFiler& filer) override;

 protected:
  ~TLoader() override = default;

 private:
  std::string m_timezone;
};

// One registered loader class with its property-editor class (or null).
struct TLoaderClassPair {
  TAdvClass Loader = nullptr;
  TAdvClass Editor = nullptr;
};

// Loader classes sorted by their loaders' Name() ignoring ASCII case, the
// name "Unknown" first. The same name may appear twice (two modules); the
// later registration wins look-ups by name.
class TLoaderClasses : public TAdvObject {
  ADV_CLASS(TLoaderClasses)
  ADV_RAISES(ELoader)

  TLoaderClasses() = default;

  // Adds the pair unless that loader class (by identity) is in already;
  // returns whether it was added. The loader's name is taken from a
  // temporary instance.
  bool Add(TAdvClass loader, TAdvClass editor = nullptr);
  int Count() const { return int(m_entries.size()); }
  const TLoaderClassPair& Pair(int index) const { return m_entries.at(size_t(index)).Pair; }
  const std::string& NameAt(int index) const { return m_entries.at(size_t(index)).Name; }
  // The pair of `loader`, or null.
  const TLoaderClassPair* Find(TAdvClass loader) const;
  // The index of the class named `name` (the latest added of that name), or -1.
  int IndexOfName(std::string_view name) const;
  // Raises "Format '%s' not registered in loader library." (operation "Get").
  TAdvClass GetByName(std::string_view name) const;
  // The editor class registered with the loader's class (by name), or null.
  TAdvClass EditorFor(const TLoader& loader) const;

 protected:
  ~TLoaderClasses() override = default;

 private:
  struct TEntry {
    TLoaderClassPair Pair;
    std::string Name;
    uint64_t Sequence = 0;  // order of registration
  };
  std::vector<TEntry> m_entries;
  uint64_t m_sequence = 0;
};

// Signatures of the exports.
using TLoadersExport = TLoaderClasses* (*)();
using TOpenCloseExport = void (*)();
