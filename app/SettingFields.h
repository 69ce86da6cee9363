// Reading and changing single settings by their stored names, for the
// headless program's "setting get NAME" and "setting set NAME VALUE".
//
// The names and kinds come from the settings' own Define, so every scalar
// setting is reachable under the name it is stored with ("Threshold",
// "TrackingLogActivity" ...), and the mail settings under "Emails." followed
// by theirs ("Emails.Server", "Emails.Port" ...). Lists and window layouts
// are not scalars and are not offered. Names ignore ASCII case.
//
// Values are written as text: booleans "true"/"false" (also accepted: 1/0,
// yes/no, on/off), numbers in decimal. A value that does not fit the field's
// kind and range is refused with a clear message and changes nothing.
//
// Thread safety: whoever owns the settings object.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/AdvFilers.h"

class TSettings;

ADV_EXCEPTION(ESettingField, EAdvanced)

struct TSettingField {
  std::string Name;
  TAdvFilerKind Kind = TAdvFilerKind::Unknown;
  std::string Value;
};

// Every scalar setting in stored order.
std::vector<TSettingField> ListSettingFields(TSettings& settings);
// False when no scalar setting has that name.
bool GetSettingField(TSettings& settings, std::string_view name, TSettingField& field);
// Raises ESettingField for an unknown name or a value that does not fit.
void SetSettingField(TSettings& settings, std::string_view name, std::string_view value);
