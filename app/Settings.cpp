#include "app/Settings.h"

#include "core/AdvFactories.h"
#include "core/AdvFilers.h"
#include "core/AdvPaths.h"
#include "core/AdvXMLFilers.h"

ADV_CLASS_IMPL(TSettings, TAdvPersistent)

namespace {

// The status window first opens in the top right corner of the desktop.
constexpr int32_t kPopupWidth = 180;
constexpr int32_t kPopupHeight = 280;

// The mail unit's settings object, when its class is registered.
TAdvRef<TAdvPersistent> NewEmailSettings() {
  TAdvClass cls = AdvFactory().Lookup("TEmailSettings");
  if (!cls || !cls->Factory) return nullptr;
  return AdvCreate<TAdvPersistent>(cls);
}

// Reading an owned part: a nil in the file leaves a fresh empty one, since
// the settings rely on every part existing.
template <class T>
void DefineOwned(TAdvFiler& filer, const char* name, TAdvRef<T>& part) {
  filer.Field(name).DefineObjectRef(part);
  if (!part) part = AdvNew<T>();
}

void AddDefaultSounds(TAdvStringMatch& sounds) {
  sounds.Clear();
  sounds.Add(kSoundKeyLow, "Sounds\\Low.wav");
  sounds.Add(kSoundKeyMedium, "Sounds\\Medium.wav");
  sounds.Add(kSoundKeyHigh, "Sounds\\High.wav");
  sounds.Add(kSoundKeyInputIssue, "Sounds\\High.wav");
}

}  // namespace

TSettings::TSettings()
    : m_positions(AdvNew<TVexaPositions>()),
      m_sounds(AdvNew<TAdvStringMatch>()),
      m_grids(AdvNew<TVexaGrids>()),
      m_docks(AdvNew<TVexaDocks>()),
      m_alerts(AdvNew<TVexaDocks>()),
      m_trackingLogFilterCriteria(AdvNew<TAdvStrings>()) {
  SetDefaults();
}

void TSettings::SetDefaults() {
  m_flash = true;
  m_showStatus = true;
  m_showActive = true;
  m_showIdle = true;
  m_sortRecent = true;
  m_statusOnTop = false;
  m_statusVisible = true;
  m_autoHide = 0;
  m_size = kSizeKilobytes;
  m_duration = kDurationClock;
  m_threshold = 300;

  m_positions->Clear();
  const TScreenArea desktop = DesktopArea();
  TVexaPosition* popup = m_positions->ByName("Popup");
  popup->Width = kPopupWidth;
  popup->Height = kPopupHeight;
  popup->Left = desktop.Width - kPopupWidth;
  popup->Top = desktop.Top;

  m_loader = kDefaultLoaderName;
  m_sidebar = true;
  m_option = 0;
  m_playSound = true;
  AddDefaultSounds(*m_sounds);
  m_grids->Clear();
  m_purgeAge = 86400000;
  m_syncData = false;
  m_emails = NewEmailSettings();
  m_font = "Tahoma";
  m_docks->Clear();
  m_alerts->Clear();
  m_checkUpdatesOnStart = true;
  m_showBars = false;
  m_showAlertIP = false;
  m_purgeMode = kPurgeByAge;
  m_trackingLogFilterMode = kTrackAll;
  m_trackingLogFilterCriteria->Clear();
  m_trackingLogActivity = false;
  m_trackingLogAlerts = false;
  m_trackingLogLocation.clear();
  m_trackingLogPerUser = false;
  m_failedInputRetryTime = 60;
}

std::string TSettings::SoundForPriority(int priority) const {
  static const char* const kKeys[] = {kSoundKeyLow, kSoundKeyMedium, kSoundKeyHigh};
  if (priority < 0 || priority > 2) return {};
  const int index = m_sounds->IndexByKey(kKeys[priority]);
  return index < 0 ? std::string() : m_sounds->GetValue(index);
}

std::string TSettings::FontToUse(TAdvFunctionRef<bool(const std::string& name)> installed) const {
  if (installed(m_font)) return m_font;
  for (const char* fallback : {"Verdana", "Tahoma", "MS Sans Serif"})
    if (installed(fallback)) return fallback;
  return m_font;
}

std::string TSettings::InputIssueSound() const {
  const int index = m_sounds->IndexByKey(kSoundKeyInputIssue);
  return index < 0 ? std::string() : m_sounds->GetValue(index);
}

void TSettings::Assign(const TAdvObject& source) {
  TAdvPersistent::Assign(source);
  const auto& other = static_cast<const TSettings&>(source);
  if (&other == this) return;
  m_flash = other.m_flash;
  m_showStatus = other.m_showStatus;
  m_showActive = other.m_showActive;
  m_showIdle = other.m_showIdle;
  m_sortRecent = other.m_sortRecent;
  m_statusOnTop = other.m_statusOnTop;
  m_statusVisible = other.m_statusVisible;
  m_autoHide = other.m_autoHide;
  m_size = other.m_size;
  m_duration = other.m_duration;
  m_threshold = other.m_threshold;
  m_positions->Assign(*other.m_positions);
  m_loader = other.m_loader;
  m_sidebar = other.m_sidebar;
  m_option = other.m_option;
  m_playSound = other.m_playSound;
  m_sounds->Assign(*other.m_sounds);
  m_grids->Assign(*other.m_grids);
  m_purgeAge = other.m_purgeAge;
  m_syncData = other.m_syncData;
  m_emails.Reset(other.m_emails ? static_cast<TAdvPersistent*>(other.m_emails->Clone()) : nullptr);
  m_font = other.m_font;
  m_docks->Assign(*other.m_docks);
  m_alerts->Assign(*other.m_alerts);
  m_checkUpdatesOnStart = other.m_checkUpdatesOnStart;
  m_showBars = other.m_showBars;
  m_showAlertIP = other.m_showAlertIP;
  m_purgeMode = other.m_purgeMode;
  m_trackingLogFilterMode = other.m_trackingLogFilterMode;
  m_trackingLogFilterCriteria->Assign(*other.m_trackingLogFilterCriteria);
  m_trackingLogActivity = other.m_trackingLogActivity;
  m_trackingLogAlerts = other.m_trackingLogAlerts;
  m_trackingLogLocation = other.m_trackingLogLocation;
  m_trackingLogPerUser = other.m_trackingLogPerUser;
  m_failedInputRetryTime = other.m_failedInputRetryTime;
}

// ---------------------------------------------------------------------------
// Persistence

void TSettings::Define(TAdvFiler& filer) {
  TAdvPersistent::Define(filer);
  // Always present, in every file ever written.
  filer.Field("Flash").DefineBoolean(m_flash);
  filer.Field("ShowStatus").DefineBoolean(m_showStatus);
  filer.Field("ShowActive").DefineBoolean(m_showActive);
  filer.Field("ShowIdle").DefineBoolean(m_showIdle);
  filer.Field("SortRecent").DefineBoolean(m_sortRecent);
  filer.Field("StatusOnTop").DefineBoolean(m_statusOnTop);
  filer.Field("StatusVisible").DefineBoolean(m_statusVisible);
  filer.Field("AutoHide").DefineCardinal(m_autoHide);
  filer.Field("Size").DefineEnumerated(m_size);
  filer.Field("Duration").DefineEnumerated(m_duration);
  filer.Field("Threshold").DefineInteger64(m_threshold);
  DefineOwned(filer, "Positions", m_positions);
  filer.Field("Loader").DefineString(m_loader);
  filer.Field("Sidebar").DefineBoolean(m_sidebar);
  filer.Field("Option").DefineInteger(m_option);
  filer.Field("PlaySound").DefineBoolean(m_playSound);
  DefineOwned(filer, "Sounds", m_sounds);
  DefineOwned(filer, "Grids", m_grids);
  filer.Field("PurgeAge").DefineInteger64(m_purgeAge);
  filer.Field("SyncData").DefineBoolean(m_syncData);
  filer.Field("Emails").DefineObjectRef(m_emails);
  if (filer.IsReader()) {
    // A unit out of range would index past the unit tables.
    SetSizeUnit(m_size);
    SetDurationUnit(m_duration);
  }
  DefineOptionalFields(filer);
}

void TSettings::DefineColour(TAdvFiler& filer, const char* name, uint32_t& colour) {
  if (filer.IsReader()) {
    // Older versions wrote the colours in the narrowest integer kind.
    switch (filer.Peek()) {
      case TAdvFilerKind::Integer16: {
        int16_t value = 0;
        filer.Field(name).DefineInteger16(value);
        colour = uint16_t(value);
        return;
      }
      case TAdvFilerKind::Integer8: {
        int8_t value = 0;
        filer.Field(name).DefineInteger8(value);
        colour = uint8_t(value);
        return;
      }
      default:
        break;
    }
  }
  filer.Field(name).DefineCardinal(colour);
}

// Fields added after the first version: each group is read only when the
// next stored value has its kind, so older files keep the defaults here.
void TSettings::DefineOptionalFields(TAdvFiler& filer) {
  if (!filer.HasOptional(TAdvFilerKind::String)) return;
  filer.Field("Font").DefineString(m_font);

  const TAdvFilerKind next = filer.IsReader() ? filer.Peek() : TAdvFilerKind::Integer;
  if (next == TAdvFilerKind::Integer || next == TAdvFilerKind::Integer16 ||
      next == TAdvFilerKind::Integer8) {
    TVexaPalette colours = filer.IsReader() ? m_readPalette : AppPalette();
    DefineColour(filer, "ColourDark", colours.Dark);
    DefineColour(filer, "ColourPale", colours.Pale);
    DefineColour(filer, "ColourNormal", colours.Normal);
    DefineColour(filer, "ColourTaskpadBack", colours.TaskpadBack);
    DefineColour(filer, "ColourTaskpadHeader", colours.TaskpadHeader);
    if (filer.IsReader()) {
      m_readPalette = colours;
      m_paletteRead = true;
    }
  }

  if (filer.HasOptional(TAdvFilerKind::Object)) DefineOwned(filer, "Docks", m_docks);
  if (filer.HasOptional(TAdvFilerKind::Object)) DefineOwned(filer, "Alerts", m_alerts);
  if (filer.HasOptional(TAdvFilerKind::Boolean))
    filer.Field("CheckUpdatesOnStart").DefineBoolean(m_checkUpdatesOnStart);
  if (filer.HasOptional(TAdvFilerKind::Boolean)) filer.Field("ShowBars").DefineBoolean(m_showBars);
  if (filer.HasOptional(TAdvFilerKind::Boolean))
    filer.Field("ShowAlertIP").DefineBoolean(m_showAlertIP);
  if (filer.HasOptional(TAdvFilerKind::Enumerated))
    filer.Field("PurgeMode").DefineEnumerated(m_purgeMode);
  if (filer.HasOptional(TAdvFilerKind::Enumerated)) {
    filer.Field("TrackingLogFilterMode").DefineEnumerated(m_trackingLogFilterMode);
    DefineOwned(filer, "TrackingLogFilterCriteria", m_trackingLogFilterCriteria);
    filer.Field("TrackingLogActivity").DefineBoolean(m_trackingLogActivity);
    filer.Field("TrackingLogAlerts").DefineBoolean(m_trackingLogAlerts);
    filer.Field("TrackingLogLocation").DefineString(m_trackingLogLocation);
    filer.Field("TrackingLogPerUser").DefineBoolean(m_trackingLogPerUser);
  }
  if (filer.HasOptional(TAdvFilerKind::Integer))
    filer.Field("FailedInputRetryTime").DefineCardinal(m_failedInputRetryTime);
}

void TSettings::Load(TAdvFiler& filer) {
  m_paletteRead = false;
  m_readPalette = AppPalette();
  TAdvPersistent::Load(filer);
  if (m_paletteRead) AppPalette() = m_readPalette;
  m_paletteRead = false;
}

void TSettings::SaveToFile(const std::string& fileName) {
  SaveToFile(fileName, &TAdvXMLWriter::ClassInfo);
}

void TSettings::LoadFromFile(const std::string& fileName) {
  LoadFromFile(fileName, &TAdvXMLReader::ClassInfo);
}

// ---------------------------------------------------------------------------

std::string ResolveSoundFile(std::string_view value, const std::string& applicationFolder) {
  constexpr std::string_view kPrefix = "Sounds\\";
  if (value.substr(0, kPrefix.size()) != kPrefix) return std::string(value);
  std::string path = IncludeTrailingDelimiter(applicationFolder) + "Sounds";
  path += kPathDelimiter;
  for (char c : value.substr(kPrefix.size())) path += c == '\\' ? kPathDelimiter : c;
  return path;
}

std::string LoadSettingsFile(TSettings& settings, const std::string& fileName) {
  if (!FileExists(fileName)) return {};
  TAdvRef<TSettings> scratch = AdvNew<TSettings>();
  std::string error = AdvLoadKeepingBad(*scratch, fileName, &TAdvXMLReader::ClassInfo);
  if (error.empty()) settings.Assign(*scratch);
  return error;
}

void SaveSettingsFile(TSettings& settings, const std::string& fileName) {
  settings.SaveToFile(fileName, &TAdvXMLWriter::ClassInfo);
}

std::vector<TAdvClass> AppSettingsClasses() {
  return {
      &TSettings::ClassInfo,   &TVexaPosition::ClassInfo, &TVexaPositions::ClassInfo,
      &TVexaColumn::ClassInfo, &TVexaColumns::ClassInfo,  &TVexaGrid::ClassInfo,
      &TVexaGrids::ClassInfo,  &TVexaDock::ClassInfo,     &TVexaDocks::ClassInfo,
  };
}
