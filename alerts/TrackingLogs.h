// TTrackingLog: the permanent text record of what the monitor saw and
// raised, for use outside the program. One tab-separated line per accepted
// hit (activity) and one per announced alert, in daily files laid out in the
// W3C extended log style: three directive lines ("#Software", "#Version",
// "#Fields") at the start of a new file, then one line per event with eleven
// fields (date, time, x-user, c-ip, x-protocol, x-alert, x-destination,
// cs-uri, x-subject, bytes, time-taken).
//
// Files are named "Varnex Vexa Tracking Log yyyy-mm-dd.log" after the date
// of the line's own time (a late hit of an earlier day goes to that day's
// file), with " <user>" before ".log" in per-user mode, in the folder
// "TrackingLogLocation". A user text used in a file name is made safe first:
// path delimiters and control characters become "_", and so do leading dots,
// so a user name can neither leave the folder nor hide the file; the name is
// cut to the file system's limit. An empty location writes nothing (the
// lines would otherwise land in the file-system root).
//
// No line can be forged: tabs, line breaks and other control characters
// inside a field value become blanks, so every event is exactly one line of
// exactly eleven fields, whatever the log data holds.
//
// Speed: the engine writes a line for every accepted hit, so lines are
// collected in memory and written in large blocks; the file is opened only
// when the name of the lines changes (a new day, another user in per-user
// mode), and kept open otherwise. The collected lines reach the file when
// the block is full, when the file changes, on Flush (the engine flushes at
// the end of every processing cycle) and when the object is freed. A file
// that cannot be opened costs the lines that needed it; it is tried again on
// the next line for it, but no more than once every kRetryInterval
// milliseconds, so a missing folder does not cost a failed open per hit.
//
// Thread safety: none; the engine calls it on the main thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/AdvFiles.h"

class TAliases;
class TAlert;
class THit;
class THitIndicies;
class TSettings;

class TTrackingLog : public TAdvObject {
  ADV_CLASS(TTrackingLog)

  static constexpr const char* kFilePrefix = "Varnex Vexa Tracking Log ";
  static constexpr const char* kDefaultVersion = "2.2.2.1";
  static constexpr const char* kFieldsDirective =
      "#Fields: date\ttime\tx-user\tc-ip\tx-protocol\tx-alert\tx-destination\tcs-uri\t"
      "x-subject\tbytes\ttime-taken";
  // Collected bytes that make the block go to the file.
  static constexpr size_t kBlockSize = 64 * 1024;
  static constexpr uint32_t kRetryInterval = 1000;
  // The longest file name the file system takes.
  static constexpr size_t kMaxFileName = 255;

  TTrackingLog();

  // What the log reads; none of them owned. Without settings nothing is
  // written. The user-name table turns a hit's Source into the user text;
  // the department table serves the department filter; the hit store gives
  // an alert's latest hit. Each may be null (no alias, everybody in
  // "Miscellaneous", alert lines without a hit).
  void SetSettings(const TSettings* settings) { m_settings = settings; }
  void SetUserNames(TAliases* userNames) { m_userNames = userNames; }
  void SetDepartments(TAliases* departments) { m_departments = departments; }
  void SetHitStore(THitIndicies* store) { m_hitStore = store; }
  // The four-part version in the "#Software" directive.
  void SetVersionText(std::string version) { m_version = std::move(version); }

  // The activity line of a hit that passed its input's filters.
  void WriteHit(const THit& hit);
  // The alert line of an alert queue item: the alert's latest hit from the
  // hit store, or no hit (and the current time) when the alert has none.
  // Raises the hit store's error when that hit cannot be read.
  void WriteAlert(const TAlert& alert);
  // The alert line from its parts; `hit` may be null (then the time is now).
  void WriteAlertLine(std::string_view user, uint32_t address, std::string_view alertName,
                      const THit* hit);
  // The user or department filter of "TrackingLogFilterMode".
  bool PassesFilter(std::string_view name);

  // Writes the collected lines to the open file.
  void Flush();
  // Flushes and closes the open file.
  void Close();

  // The open file's name without its folder; empty when none is open.
  const std::string& FileName() const { return m_name; }
  // The file name (without folder) for a line of this time and user.
  std::string FileNameFor(double dateTime, std::string_view user) const;
  // A user text as it may stand in a file name (see the file comment).
  static std::string SafeFileNamePart(std::string_view user);

 protected:
  ~TTrackingLog() override;

 private:
  // The common writing step: picks the file, then collects the line.
  void WriteLine(std::string_view user, uint32_t address, const THit* hit,
                 std::string_view alertText, std::string_view protocolText, double dateTime);
  // Makes sure the file `name` is open; false when the line must be dropped.
  bool UseFile(const std::string& name);
  void BuildFileName(std::string& name, std::string_view date, std::string_view user) const;
  void OpenFile(const std::string& name);
  void AppendDate(int64_t day);
  void AppendField(std::string_view value);
  void AppendNumber(uint64_t value);
  void AppendTwoDigits(uint32_t value);
  void AppendClock(uint64_t milliseconds);

  const TSettings* m_settings = nullptr;
  TAliases* m_userNames = nullptr;
  TAliases* m_departments = nullptr;
  THitIndicies* m_hitStore = nullptr;
  std::string m_version = kDefaultVersion;

  TAdvRef<TAdvFile> m_file;  // open exactly while m_name is not empty
  std::string m_name;
  std::string m_buffer;  // lines collected for the open file
  std::string m_scratchName;
  std::string m_failedName;  // the name whose open failed last, and when
  uint32_t m_failedTick = 0;
  // The date text of one day, kept because consecutive lines share it.
  int64_t m_cachedDay = INT64_MIN;
  char m_cachedDate[10] = {};
};
