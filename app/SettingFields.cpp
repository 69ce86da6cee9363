#include "app/SettingFields.h"

#include <charconv>
#include <cstdint>
#include <limits>

#include "app/Settings.h"
#include "core/AdvAscii.h"

ADV_EXCEPTION_IMPL(ESettingField, EAdvanced)

namespace {

// The nested object whose scalar fields are offered with a prefix.
constexpr std::string_view kEmails = "Emails";

// A filer that walks Define as a writer would, never touching a stream: it
// lists the scalar fields, or reads or writes the one named. Writing goes
// through the references Define hands over, which are the members.
class TFieldVisitor : public TAdvFiler {
  ADV_CLASS(TFieldVisitor)
  ADV_RAISES(ESettingField)

  enum class TMode { List, Get, Set };

  TFieldVisitor() = default;
  TFieldVisitor(TMode mode, std::string_view name, std::string_view value)
      : m_mode(mode), m_name(name), m_value(value) {}

  std::vector<TSettingField> Fields;
  bool Found = false;
  TSettingField Result;
  // The value as it reads once set.
  std::string Canonical;

  void DefineBoolean(bool& value) override {
    Visit(TAdvFilerKind::Boolean, value ? "true" : "false", [&](std::string_view text) {
      if (SameTextAscii(text, "true") || text == "1" || SameTextAscii(text, "yes") ||
          SameTextAscii(text, "on"))
        value = true;
      else if (SameTextAscii(text, "false") || text == "0" || SameTextAscii(text, "no") ||
               SameTextAscii(text, "off"))
        value = false;
      else
        Refuse("true or false");
    });
    Rendered(value ? "true" : "false");
  }
  void DefineInteger(int32_t& value) override { Number(TAdvFilerKind::Integer, value); }
  void DefineInteger64(int64_t& value) override { Number(TAdvFilerKind::Integer64, value); }
  void DefineCardinal(uint32_t& value) override { Number(TAdvFilerKind::Integer, value); }
  void DefineInteger16(int16_t& value) override { Number(TAdvFilerKind::Integer16, value); }
  void DefineInteger8(int8_t& value) override { Number(TAdvFilerKind::Integer8, value); }
  void DefineEnumerated(uint8_t& value) override { Number(TAdvFilerKind::Enumerated, value); }
  void DefineString(std::string& value) override {
    Visit(TAdvFilerKind::String, value, [&](std::string_view text) { value = text; });
    Rendered(value);
  }
  void DefineShortString(std::string& value) override {
    Visit(TAdvFilerKind::ShortString, value, [&](std::string_view text) {
      if (text.size() > 255) Refuse("at most 255 characters");
      value = text;
    });
    Rendered(value);
  }
  void DefineReal(double& value) override {
    char buffer[64];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    Visit(TAdvFilerKind::Real, std::string(buffer, end), [&](std::string_view text) {
      double parsed = 0;
      const auto result = std::from_chars(text.data(), text.data() + text.size(), parsed);
      if (result.ec != std::errc() || result.ptr != text.data() + text.size()) Refuse("a number");
      value = parsed;
    });
    const auto rendered = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    Rendered(std::string(buffer, rendered));
  }
  void DefineObject(TAdvObject*& reference, TAdvClass expected) override {
    const std::string name = TakeFieldName();
    if (!m_prefix.empty() || !SameTextAscii(name, kEmails) || !reference) return;
    auto* nested = AdvCast<TAdvPersistent>(reference);
    if (!nested) return;
    m_prefix = std::string(kEmails) + ".";
    nested->Define(*this);
    m_prefix.clear();
  }

 private:
  template <class T>
  void Number(TAdvFilerKind kind, T& value) {
    Visit(kind, std::to_string(value), [&](std::string_view text) {
      T parsed{};
      const auto result = std::from_chars(text.data(), text.data() + text.size(), parsed);
      if (result.ec != std::errc() || result.ptr != text.data() + text.size())
        Refuse("a whole number from " + std::to_string(std::numeric_limits<T>::min()) + " to " +
               std::to_string(std::numeric_limits<T>::max()));
      value = parsed;
    });
    Rendered(std::to_string(value));
  }

  template <class F>
  void Visit(TAdvFilerKind kind, const std::string& current, F&& assign) {
    const std::string name = m_prefix + TakeFieldName();
    if (name.empty() || name == m_prefix) return;
    if (m_mode == TMode::List) {
      Fields.push_back({name, kind, current});
      return;
    }
    if (!SameTextAscii(name, m_name) || Found) return;
    Found = true;
    Result = {name, kind, current};
    if (m_mode == TMode::Set) {
      m_field = name;
      assign(m_value);
      m_assigned = true;
    }
  }

  // After a Visit that assigned, records how the new value reads.
  void Rendered(const std::string& text) {
    if (m_assigned) Canonical = text;
    m_assigned = false;
  }

  [[noreturn]] void Refuse(const std::string& expected) const {
    Error("Set", "Setting '" + m_field + "' takes " + expected + ", not '" + m_value + "'");
  }

  TMode m_mode = TMode::List;
  std::string m_name;
  std::string m_value;
  std::string m_prefix;
  std::string m_field;
  bool m_assigned = false;
};

ADV_CLASS_IMPL(TFieldVisitor, TAdvFiler)

// Range rules the kinds alone do not carry.
void CheckRange(const TSettingField& field, std::string_view value) {
  int64_t number = 0;
  const auto parsed = std::from_chars(value.data(), value.data() + value.size(), number);
  const bool isNumber = parsed.ec == std::errc() && parsed.ptr == value.data() + value.size();
  const auto refuse = [&](const std::string& expected) {
    throw ESettingField(
        nullptr,
        "Setting '" + field.Name + "' takes " + expected + ", not '" + std::string(value) + "'",
        "Set");
  };
  if (SameTextAscii(field.Name, "Emails.Port") && (!isNumber || number < 1 || number > 65535))
    refuse("a port number from 1 to 65535");
  if (SameTextAscii(field.Name, "Size") && (!isNumber || number < 0 || number >= kSizeUnitCount))
    refuse("a unit from 0 to " + std::to_string(kSizeUnitCount - 1));
  if (SameTextAscii(field.Name, "Duration") &&
      (!isNumber || number < 0 || number >= kDurationUnitCount))
    refuse("a unit from 0 to " + std::to_string(kDurationUnitCount - 1));
}

}  // namespace

std::vector<TSettingField> ListSettingFields(TSettings& settings) {
  TAdvRef<TFieldVisitor> visitor(new TFieldVisitor(TFieldVisitor::TMode::List, {}, {}));
  settings.Define(*visitor);
  return visitor->Fields;
}

bool GetSettingField(TSettings& settings, std::string_view name, TSettingField& field) {
  TAdvRef<TFieldVisitor> visitor(new TFieldVisitor(TFieldVisitor::TMode::Get, name, {}));
  settings.Define(*visitor);
  if (!visitor->Found) return false;
  field = visitor->Result;
  return true;
}

void SetSettingField(TSettings& settings, std::string_view name, std::string_view value) {
  TSettingField current;
  if (!GetSettingField(settings, name, current))
    throw ESettingField(nullptr, "Unknown setting '" + std::string(name) + "'", "Set");
  CheckRange(current, value);
  // Changes land in a copy first, so a refused value leaves nothing behind.
  TAdvRef<TSettings> copy = AdvNew<TSettings>();
  copy->Assign(settings);
  TAdvRef<TFieldVisitor> visitor(new TFieldVisitor(TFieldVisitor::TMode::Set, name, value));
  copy->Define(*visitor);
  // Define may hand over a temporary for a derived value (the colours): a
  // change that does not read back did not land.
  TSettingField after;
  GetSettingField(*copy, name, after);
  if (after.Value != visitor->Canonical)
    throw ESettingField(nullptr, "Setting '" + current.Name + "' cannot be set here", "Set");
  settings.Assign(*copy);
}
