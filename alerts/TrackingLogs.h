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
// collected in memory and written in large blocks, and files are kept open:
// up to kMaxOpenFiles of them, so that per-user mode with users taking turns
// does not reopen a file for every line. The collected lines reach their
// file when its block is full, on Flush (the engine flushes at the end of
// every processing cycle, so a line waits at most one cycle) and when the
// object is freed. Flush also closes the files no line went to since the
// flush before, so a file of a past day or of a user who went quiet is not
// held open. When more files are needed the least recently used one is
// written out and closed. Files are kept by folder and name, so a new
// "TrackingLogLocation" takes effect with the next line.
//
// A file that cannot be opened costs the lines that needed it; it is tried
// again on the next line for it, but no more than once every kRetryInterval
// milliseconds, so a missing folder does not cost a failed open per hit. A
// file that cannot be written is closed and its collected lines are lost;
// the next line for it opens it afresh.
//
// Thread safety: none; the engine calls it on the main thread.
// FormatActivityLine touches no log and may run on any thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

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
  static constexpr size_t kMaxOpenFiles = 32;
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
  // The same with the line made beforehand by FormatActivityLine, with the
  // settings' time separator and the user text of this log's user names.
  void WriteHitLine(const THit& hit, std::string_view line);

  // The date text of one day, kept because consecutive lines share it.
  struct TLineDate {
    int64_t Day = INT64_MIN;
    char Text[10] = {};
    // Sets the day of `dateTime` and the milliseconds into it; false for a
    // date no file can be named after.
    bool Set(double dateTime, uint32_t& ms);
    std::string_view View() const { return std::string_view(Text, sizeof(Text)); }
  };
  // Makes a hit's activity line as WriteHit would collect it, on any thread:
  // false (and `out` empty) when the hit has a date no file can be named
  // after.
  static bool FormatActivityLine(std::string& out, TLineDate& date, std::string_view separator,
                                 std::string_view user, const THit& hit);
  TAliases* UserNames() const { return m_userNames; }
  // The alert line of an alert queue item: the alert's latest hit from the
  // hit store, or no hit (and the current time) when the alert has none.
  // Raises the hit store's error when that hit cannot be read.
  void WriteAlert(const TAlert& alert);
  // The alert line from its parts; `hit` may be null (then the time is now).
  void WriteAlertLine(std::string_view user, uint32_t address, std::string_view alertName,
                      const THit* hit);
  // The user or department filter of "TrackingLogFilterMode".
  bool PassesFilter(std::string_view name);

  // Writes the collected lines to their files, and closes the files that
  // got no line since the flush before.
  void Flush();
  // Writes the collected lines and closes every file.
  void Close();

  // The name (without folder) of the file the last line went to; empty when
  // that line could not be written or after Close.
  std::string FileName() const { return m_current ? m_current->Name : std::string(); }
  // How many files are open now.
  size_t OpenFileCount() const { return m_files.size(); }
  // The file name (without folder) for a line of this time and user.
  std::string FileNameFor(double dateTime, std::string_view user) const;
  // A user text as it may stand in a file name (see the file comment).
  static std::string SafeFileNamePart(std::string_view user);

 protected:
  ~TTrackingLog() override;

 private:
  struct TOpenFile {
    std::string Folder;  // the location it was opened in
    std::string Name;    // without the folder
    TAdvRef<TAdvFile> File;
    std::string Buffer;  // lines not yet written
    uint64_t LastUse = 0;
    bool Used = true;  // a line came since the last Flush
  };

  // The common writing step: picks the file, then collects the line.
  void WriteLine(std::string_view user, uint32_t address, const THit* hit,
                 std::string_view alertText, std::string_view protocolText, double dateTime);
  // Appends one line to `out`.
  static void AppendLine(std::string& out, std::string_view date, uint32_t ms,
                         std::string_view separator, std::string_view user, uint32_t address,
                         const THit* hit, std::string_view alertText,
                         std::string_view protocolText);
  // Whether the hit gets an activity line (the setting and the filter).
  bool WantsActivityLine(const THit& hit);
  // The file for a line of this time and user, with m_date set to its day
  // and `ms` to the time into it; null when the line must be dropped (no
  // location, a date no file can be named after, see UseFile).
  TOpenFile* LineFile(double dateTime, std::string_view user, uint32_t& ms);
  // After a line was collected: the block goes out once it is full.
  void Collected(TOpenFile& file);
  // The open file for the name in the current location, opened when
  // needed; null when the line must be dropped.
  TOpenFile* UseFile(const std::string& name);
  std::unique_ptr<TOpenFile> OpenFile(const std::string& folder, const std::string& name);
  void BuildFileName(std::string& name, std::string_view date, std::string_view user) const;
  // Writes the file's collected lines; false (and nothing kept) on failure.
  static bool WriteOut(TOpenFile& file);
  // Writes out and closes the file at `index` of m_files.
  void CloseAt(size_t index);

  const TSettings* m_settings = nullptr;
  TAliases* m_userNames = nullptr;
  TAliases* m_departments = nullptr;
  THitIndicies* m_hitStore = nullptr;
  std::string m_version = kDefaultVersion;

  std::vector<std::unique_ptr<TOpenFile>> m_files;  // at most kMaxOpenFiles
  TOpenFile* m_current = nullptr;                   // the file of the last line, in m_files or null
  uint64_t m_uses = 0;
  std::string m_scratchName;
  std::string m_failedFolder, m_failedName;  // the file whose open failed last, and when
  uint32_t m_failedTick = 0;
  TLineDate m_date;
};
