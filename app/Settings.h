// TSettings: every user preference of the application, the display units
// with the number, size and duration formatters every view and e-mail uses,
// the purge cut-off, and the remembered layout of windows, list columns,
// guide panels and status-window groups.
//
// One instance exists; the application object makes it at start-up, reads
// it from the settings file and writes it back with the configuration. On its
// own a TSettings is stored as XML. Fields are stored in a fixed order; the
// fields after "Emails" were added over time, and reading takes each of them
// only when the next stored value has the expected kind, so a file written
// before a field existed still loads with that field at its default.
//
// The "Emails" object is the mail unit's TEmailSettings, made through the
// class factory by that name; until the mail unit registers its class the
// field holds none (and is written as nil).
//
// Thread safety: user-interface thread only; the engine's processing runs on
// that thread too.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/Palettes.h"
#include "app/SettingsLists.h"
#include "app/SettingsViews.h"
#include "core/AdvFormats.h"
#include "core/AdvPersistents.h"
#include "core/AdvStringMatches.h"
#include "core/AdvStrings.h"

// Unit for byte counts ("Size").
constexpr uint8_t kSizeBytes = 0;
constexpr uint8_t kSizeKilobytes = 1;
constexpr uint8_t kSizeMegabytes = 2;
constexpr uint8_t kSizeGigabytes = 3;
constexpr uint8_t kSizeUnitCount = 4;

// Unit for elapsed times ("Duration").
constexpr uint8_t kDurationClock = 0;  // H:M:S
constexpr uint8_t kDurationHours = 1;
constexpr uint8_t kDurationMinutes = 2;
constexpr uint8_t kDurationSeconds = 3;
constexpr uint8_t kDurationMilliseconds = 4;
constexpr uint8_t kDurationUnitCount = 5;

// Display names for the options dialog (long) and for column captions and
// values (short); a unit out of range reads as the default unit.
std::string_view SizeUnitLongName(uint8_t unit);
std::string_view SizeUnitShortName(uint8_t unit);
// 1, 1024, 1048576, 1073741824.
int64_t SizeUnitDivisor(uint8_t unit);
std::string_view DurationUnitLongName(uint8_t unit);
std::string_view DurationUnitShortName(uint8_t unit);
// Milliseconds per unit; 0 for H:M:S, which is written as a clock.
int64_t DurationUnitDivisor(uint8_t unit);

// "PurgeMode".
constexpr uint8_t kPurgeByAge = 0;        // older than "PurgeAge"
constexpr uint8_t kPurgeBeforeToday = 1;  // older than the start of the current day

// "TrackingLogFilterMode".
constexpr uint8_t kTrackAll = 0;
constexpr uint8_t kTrackListedUsers = 1;
constexpr uint8_t kTrackListedDepartments = 2;

// The keys of "Sounds": the three alert priorities (0 Low, 1 Medium, 2 High)
// and input issues.
constexpr const char* kSoundKeyLow = "Low Priority Alert";
constexpr const char* kSoundKeyMedium = "Medium Priority Alert";
constexpr const char* kSoundKeyHigh = "High Priority Alert";
constexpr const char* kSoundKeyInputIssue = "Input Issue Alert";

// The settings file in the settings folder.
constexpr const char* kSettingsFileName = "Vexa22.Settings";
// The product-family word, the default "Loader".
constexpr const char* kDefaultLoaderName = "Varnex";

class TSettings : public TAdvPersistent {
  ADV_CLASS(TSettings)

  // Every field at its default (SetDefaults).
  TSettings();

  // Puts every field to its default; the palette keeps its colours.
  virtual void SetDefaults();

  // --- Status window and notification icon
  bool Flash() const { return m_flash; }
  void SetFlash(bool value) { m_flash = value; }
  bool ShowStatus() const { return m_showStatus; }
  void SetShowStatus(bool value) { m_showStatus = value; }
  bool ShowActive() const { return m_showActive; }
  void SetShowActive(bool value) { m_showActive = value; }
  bool ShowIdle() const { return m_showIdle; }
  void SetShowIdle(bool value) { m_showIdle = value; }
  bool SortRecent() const { return m_sortRecent; }
  void SetSortRecent(bool value) { m_sortRecent = value; }
  bool StatusOnTop() const { return m_statusOnTop; }
  void SetStatusOnTop(bool value) { m_statusOnTop = value; }
  bool StatusVisible() const { return m_statusVisible; }
  void SetStatusVisible(bool value) { m_statusVisible = value; }
  // Seconds of mouse inactivity before the status window closes; 0 never.
  uint32_t AutoHide() const { return m_autoHide; }
  void SetAutoHide(uint32_t value) { m_autoHide = value; }
  bool ShowAlertIP() const { return m_showAlertIP; }
  void SetShowAlertIP(bool value) { m_showAlertIP = value; }

  // --- Units; a stored value out of range reads as the default unit
  uint8_t SizeUnit() const { return m_size; }
  void SetSizeUnit(uint8_t unit) { m_size = unit < kSizeUnitCount ? unit : kSizeKilobytes; }
  uint8_t DurationUnit() const { return m_duration; }
  void SetDurationUnit(uint8_t unit) {
    m_duration = unit < kDurationUnitCount ? unit : kDurationClock;
  }

  // --- Activity and retention
  // Session threshold in seconds.
  int64_t Threshold() const { return m_threshold; }
  void SetThreshold(int64_t seconds) { m_threshold = seconds; }
  // Milliseconds of data kept when PurgeMode is kPurgeByAge.
  int64_t PurgeAge() const { return m_purgeAge; }
  void SetPurgeAge(int64_t milliseconds) { m_purgeAge = milliseconds; }
  uint8_t PurgeMode() const { return m_purgeMode; }
  void SetPurgeMode(uint8_t mode) { m_purgeMode = mode; }
  uint32_t FailedInputRetryTime() const { return m_failedInputRetryTime; }
  void SetFailedInputRetryTime(uint32_t seconds) { m_failedInputRetryTime = seconds; }

  // --- Configuration window, options, summary window
  const std::string& Loader() const { return m_loader; }
  void SetLoader(const std::string& name) { m_loader = name; }
  bool Sidebar() const { return m_sidebar; }
  void SetSidebar(bool value) { m_sidebar = value; }
  int32_t Option() const { return m_option; }
  void SetOption(int32_t page) { m_option = page; }
  bool ShowBars() const { return m_showBars; }
  void SetShowBars(bool value) { m_showBars = value; }
  bool CheckUpdatesOnStart() const { return m_checkUpdatesOnStart; }
  void SetCheckUpdatesOnStart(bool value) { m_checkUpdatesOnStart = value; }
  bool SyncData() const { return m_syncData; }
  void SetSyncData(bool value) { m_syncData = value; }
  const std::string& Font() const { return m_font; }
  void SetFont(const std::string& name) { m_font = name; }
  // The font a new window takes: Font when it is installed, otherwise the
  // first installed of "Verdana", "Tahoma" and "MS Sans Serif"; Font again
  // when none is (the toolkit then falls back on its own).
  std::string FontToUse(TAdvFunctionRef<bool(const std::string& name)> installed) const;

  // --- Sounds
  bool PlaySound() const { return m_playSound; }
  void SetPlaySound(bool value) { m_playSound = value; }
  // Sound file by key (see the kSoundKey names).
  TAdvStringMatch& Sounds() const { return *m_sounds; }
  // The value stored for alert priority 0..2 (Low, Medium, High); empty for
  // another priority or a missing key.
  std::string SoundForPriority(int priority) const;
  // The value stored for input issues; empty when missing.
  std::string InputIssueSound() const;

  // --- Mail: the mail unit's settings object, or null (see the file comment)
  TAdvPersistent* Emails() const { return m_emails.Get(); }

  // --- Tracking log
  uint8_t TrackingLogFilterMode() const { return m_trackingLogFilterMode; }
  void SetTrackingLogFilterMode(uint8_t mode) { m_trackingLogFilterMode = mode; }
  TAdvStrings& TrackingLogFilterCriteria() const { return *m_trackingLogFilterCriteria; }
  bool TrackingLogActivity() const { return m_trackingLogActivity; }
  void SetTrackingLogActivity(bool value) { m_trackingLogActivity = value; }
  bool TrackingLogAlerts() const { return m_trackingLogAlerts; }
  void SetTrackingLogAlerts(bool value) { m_trackingLogAlerts = value; }
  const std::string& TrackingLogLocation() const { return m_trackingLogLocation; }
  void SetTrackingLogLocation(const std::string& folder) { m_trackingLogLocation = folder; }
  bool TrackingLogPerUser() const { return m_trackingLogPerUser; }
  void SetTrackingLogPerUser(bool value) { m_trackingLogPerUser = value; }

  // --- Remembered layout
  TVexaPositions& Positions() const { return *m_positions; }
  TVexaGrids& Grids() const { return *m_grids; }
  // Configuration views' guide panels by view name.
  TVexaDocks& Docks() const { return *m_docks; }
  // Status-window groups by name; GuideHidden means collapsed.
  TVexaDocks& Alerts() const { return *m_alerts; }

  // The entry of this name, added empty when missing.
  TVexaPosition* PositionByName(std::string_view name) { return m_positions->ByName(name); }
  TVexaGrid* GridByName(std::string_view name) { return m_grids->ByName(name); }
  static TVexaDock* DockByName(std::string_view name, TVexaDocks& docks) {
    return docks.ByName(name);
  }

  // Puts the window where it was stored under `name`, kept on the desktop;
  // a name without an entry leaves the window as designed.
  void RestorePosition(TLayoutWindow& window, std::string_view name);
  // Records the window's state; its normal bounds only when not maximised,
  // so a maximised window keeps its last normal bounds.
  void StorePosition(const TLayoutWindow& window, std::string_view name);
  // Applies the column widths and the sort column stored under `name`.
  void RestoreGrid(TLayoutListView& view, std::string_view name);
  // Records the view's column widths and its sort column under `name`.
  void StoreGrid(const TLayoutListView& view, std::string_view name);
  // Records whether a status-window group is collapsed.
  void StoreGroupCollapsed(std::string_view group, bool expanded);

  // --- Formatting, by the units above and the format settings
  // Separators the formatters use; the program's fixed defaults at first.
  const TAdvFormatSettings& FormatSettings() const { return m_format; }
  void SetFormatSettings(const TAdvFormatSettings& format) { m_format = format; }

  // A count with thousands separators and no decimals.
  std::string FormatCount(int64_t count) const;
  // Milliseconds in the Duration unit: hours with 3 decimals, minutes with
  // 2, seconds with 1, milliseconds with none, or the clock form
  // "hh:mm:ss" (hours not limited) where anything under a second reads
  // "< 00:00:01".
  std::string FormatElapsed(int64_t milliseconds) const;
  std::string FormatElapsedSeconds(int64_t seconds) const;
  // FormatElapsedSeconds and, unless the unit is H:M:S, a blank and the
  // short unit.
  std::string FormatElapsedSecondsWithUnit(int64_t seconds) const;
  // Bytes in the Size unit with as many decimals as the unit's number.
  std::string FormatSize(int64_t bytes) const;
  // FormatSize, a blank and the short unit.
  std::string FormatSizeWithUnit(int64_t bytes) const;
  // "<caption> (<short duration unit>)", e.g. "Elapsed (H:M:S)".
  std::string ElapsedCaption(std::string_view caption) const;
  // "<caption> (<short size unit>)", e.g. "Size (KB)".
  std::string SizeCaption(std::string_view caption) const;

  // --- Purge cut-off at `now` (a local date-time; the program's clock when
  // not given). By age: now less PurgeAge; before today: today's midnight;
  // any other mode: the zero date (nothing purged).
  double PurgeCutoff() const;
  double PurgeCutoff(double now) const;
  // The same instant in whole seconds on the date-time scale.
  int64_t PurgeCutoffSeconds() const;
  int64_t PurgeCutoffSeconds(double now) const;

  // Copies every value and owned list (not the palette, not the format
  // settings).
  void Assign(const TAdvObject& source) override;
  // The fields in their stored order; see the file comment for reading.
  void Define(TAdvFiler& filer) override;
  // Reading replaces the palette's colours only once the whole object was
  // read, so a damaged file leaves the palette as it was.
  void Load(TAdvFiler& filer) override;

  // On its own a TSettings is stored as XML.
  using TAdvPersistent::LoadFromFile;
  using TAdvPersistent::SaveToFile;
  void SaveToFile(const std::string& fileName) override;
  void LoadFromFile(const std::string& fileName) override;

 protected:
  ~TSettings() override = default;

 private:
  void DefineOptionalFields(TAdvFiler& filer);
  void DefineColour(TAdvFiler& filer, const char* name, uint32_t& colour);

  bool m_flash;
  bool m_showStatus;
  bool m_showActive;
  bool m_showIdle;
  bool m_sortRecent;
  bool m_statusOnTop;
  bool m_statusVisible;
  uint32_t m_autoHide;
  uint8_t m_size;
  uint8_t m_duration;
  int64_t m_threshold;
  TAdvRef<TVexaPositions> m_positions;  // the owned parts are never null
  std::string m_loader;
  bool m_sidebar;
  int32_t m_option;
  bool m_playSound;
  TAdvRef<TAdvStringMatch> m_sounds;
  TAdvRef<TVexaGrids> m_grids;
  int64_t m_purgeAge;
  bool m_syncData;
  TAdvRef<TAdvPersistent> m_emails;  // null until the mail unit's class is registered
  std::string m_font;
  TAdvRef<TVexaDocks> m_docks;
  TAdvRef<TVexaDocks> m_alerts;
  bool m_checkUpdatesOnStart;
  bool m_showBars;
  bool m_showAlertIP;
  uint8_t m_purgeMode;
  uint8_t m_trackingLogFilterMode;
  TAdvRef<TAdvStrings> m_trackingLogFilterCriteria;
  bool m_trackingLogActivity;
  bool m_trackingLogAlerts;
  std::string m_trackingLogLocation;
  bool m_trackingLogPerUser;
  uint32_t m_failedInputRetryTime;

  // Colours read from a file, given to the palette when reading ends.
  TVexaPalette m_readPalette;
  bool m_paletteRead = false;
  TAdvFormatSettings m_format = DefaultFormatSettings();
};

// A sound value as a file name: one beginning with "Sounds\" lies in the
// "Sounds" folder of the application's folder; any other is used unchanged.
std::string ResolveSoundFile(std::string_view value, const std::string& applicationFolder);

// Reads a file holding a TSettings on its own into a scratch object and,
// when the whole file loaded, copies it into `settings` (and its colours
// into the palette). A missing file changes nothing and is no error; a
// damaged one changes nothing, is kept aside as "<file>.bad", and its error
// text is returned. Empty means success.
std::string LoadSettingsFile(TSettings& settings, const std::string& fileName);
// Writes the settings atomically as XML.
void SaveSettingsFile(TSettings& settings, const std::string& fileName);

// The persistable classes of the settings, for the class factory.
std::vector<TAdvClass> AppSettingsClasses();
