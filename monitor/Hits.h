// THit and TVexaHit: the hit record as an object, and what the program
// derives from it (URL, file type, match text for profiles, search terms,
// mail subject, top-level domain, date parts).
//
// The record itself is a THitData (HitData.h) held inside the object; its
// virtual table and reference count live outside it, so a loader plug-in can
// be handed Data() and fill it in place. Every hit the program makes is a
// TVexaHit, which adds the engine's two classification fields (department and
// file-type alias) to what is copied and stored; a plain THit uses the same
// record but leaves those two fields alone.
//
// Stored form: Define writes bare field sequences without begin and end
// markers, and reading a hit clears it first. A THit stores its 84-byte
// numeric block raw; a TVexaHit stores the field list of its record format
// (see TVexaHit::Define), which the hit store writes with the untagged
// binary filer.
//
// Texts written into the record are cut to 255 characters; no operation
// fails on an over-long value. Codes a plug-in leaves out of range (a
// protocol above 10, a status above 3) read as Unknown and as no status.
//
// Thread safety: none. A hit is filled by one thread and handed over whole
// (the input's ring does the hand-over).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/AdvPersistents.h"
#include "monitor/HitData.h"

// The protocol table: display name ("Web" ...), URL scheme ("http://" ...),
// the tracking log's short name ("http" ...). Out-of-range codes read as
// Unknown.
std::string_view HitProtocolName(uint8_t protocol);
std::string_view HitProtocolScheme(uint8_t protocol);
std::string_view HitProtocolShortName(uint8_t protocol);
// The code whose display name matches (ASCII case ignored); false for none.
bool HitProtocolByName(std::string_view name, uint8_t& protocol);
// Web, File Transfer, Socks, Secure Web and Gopher carry a path and a query.
bool IsWebLikeProtocol(uint8_t protocol);

// "Successful", "Failed", "Blocked", "Cached"; empty for other codes.
std::string_view HitStatusName(uint8_t status);
// The yes/no label pairs shown where a choice is offered.
enum class THitStatusChoice : uint8_t { Failed, Blocked, Cached };
// Failed: "Failed"/"Successful"; Blocked: "Blocked"/"Not blocked";
// Cached: "Cached"/"Not cached".
std::string_view HitStatusLabel(THitStatusChoice choice, bool value);

// "%d.%d.%d.%d" of an address, most significant byte first.
std::string DottedAddress(uint32_t address);

class THit : public TAdvPersistent {
  ADV_CLASS(THit)

  // Room MatchText needs: two texts and the terminating NUL.
  static constexpr size_t kMatchTextSize = 2 * THitText::kCapacity + 1;

  // A new hit is all zero (Protocol Web, Position 0, texts empty), the state
  // a record read back from the hit store starts from; Clear gives the
  // cleared state.
  THit();

  // The record a loader fills in.
  THitData& Data() { return m_data; }
  const THitData& Data() const { return m_data; }

  std::string_view Source() const { return m_data.Source.View(); }
  void SetSource(std::string_view value) { m_data.Source.Set(value); }
  std::string_view Destination() const { return m_data.Destination.View(); }
  void SetDestination(std::string_view value) { m_data.Destination.Set(value); }
  std::string_view Resource() const { return m_data.Resource.View(); }
  void SetResource(std::string_view value) { m_data.Resource.Set(value); }
  std::string_view Query() const { return m_data.Query.View(); }
  void SetQuery(std::string_view value) { m_data.Query.Set(value); }
  std::string_view ExtraText1() const { return m_data.ExtraText1.View(); }
  void SetExtraText1(std::string_view value) { m_data.ExtraText1.Set(value); }
  std::string_view ExtraText2() const { return m_data.ExtraText2.View(); }
  void SetExtraText2(std::string_view value) { m_data.ExtraText2.Set(value); }
  std::string_view ExtraText3() const { return m_data.ExtraText3.View(); }
  void SetExtraText3(std::string_view value) { m_data.ExtraText3.Set(value); }
  std::string_view Profile() const { return m_data.Profile.View(); }
  void SetProfile(std::string_view value) { m_data.Profile.Set(value); }

  uint8_t Protocol() const { return m_data.Protocol; }
  void SetProtocol(uint8_t value) { m_data.Protocol = value; }
  uint8_t Status() const { return m_data.Status; }
  void SetStatus(uint8_t value) { m_data.Status = value; }
  double Initiated() const { return m_data.Initiated; }
  void SetInitiated(double value) { m_data.Initiated = value; }
  uint32_t Reference() const { return m_data.Reference; }
  void SetReference(uint32_t value) { m_data.Reference = value; }
  int64_t Position() const { return m_data.Position; }
  void SetPosition(int64_t value) { m_data.Position = value; }

  // Operations in slot order.

  // Resets every field of the THit part: texts empty, numbers 0, Protocol
  // Unknown, Position and Tag1/Tag2 -1. Department and FileType stay.
  virtual void Clear();
  // Writes the lower-case text profile keywords are matched against into
  // `buffer` (at least kMatchTextSize bytes), NUL-terminated: the host for
  // every protocol but Mail, then the path for web-like protocols and the
  // subject for Mail. Only A..Z change case.
  virtual void MatchText(char* buffer) const;
  // Splits a URL into Destination, Resource and Query, cutting the writable
  // NUL-terminated `url` up in place. Raises "Parameter not assigned" for a
  // null pointer.
  virtual void ApplyURL(char* url);
  // Whole days of Initiated (truncated) when it is above 0, else 0.
  virtual int32_t Day() const;
  virtual int32_t Year() const;
  // 0 for January .. 11 for December.
  virtual int32_t Month() const;
  // Whole weeks since the Sunday on or before 1 January of the year.
  virtual int32_t Week() const;
  // 0 for Sunday .. 6 for Saturday: (Day + 6) mod 7.
  virtual int32_t DayOfWeek() const;
  virtual int32_t Hour() const;
  // Initiated in minutes, seconds, milliseconds, rounded half to even.
  virtual int64_t MinuteStamp() const;
  virtual int64_t SecondStamp() const;
  virtual int64_t MillisecondStamp() const;
  // ".eml" for Mail, ".nws" for News; for web-like protocols the extension
  // of Resource with its dot, "/" for a folder, else empty.
  virtual std::string FileType() const;
  // The mail subject (Resource) without leading blanks, ":", ">" and
  // "RE"/"FW" prefixes.
  virtual std::string Subject() const;
  // The last run of letters of Destination when a "." precedes it ("com").
  virtual std::string Domain() const;
  // The value of the first known search parameter in Query, decoded.
  virtual std::string SearchTerms() const;
  // SourceSize + DestinationSize without wrapping.
  virtual uint64_t Size() const;
  // The browsable address: scheme, host and (web-like) path.
  virtual std::string URL() const;
  virtual std::string_view Scheme() const;
  // Reference is non-zero or Position is known.
  virtual bool HasReference() const;

  // Status is Failed or Blocked (a cached hit has not failed).
  bool Failed() const { return m_data.Status == kStatusFailed || m_data.Status == kStatusBlocked; }

  // A copy of `url` cut up as ApplyURL does.
  void ApplyURL(const std::string& url);
  // MatchText as a text.
  std::string MatchText() const;

  // Copies the seven texts Source..Profile, ExtraText3, both addresses, the
  // numeric block, Tag2 and Tag3. Reference is never copied.
  void Assign(const TAdvObject& source) override;
  // The numeric block as one raw block.
  void Define(TAdvFiler& filer) override;
  // Clear, then Define: no begin and end markers.
  void Load(TAdvFiler& filer) override;
  // Define alone.
  void Save(TAdvFiler& filer) override;
  size_t SizeInBytes() const override { return sizeof(*this); }

 protected:
  ~THit() override = default;

  THitData m_data;
};

class TVexaHit : public THit {
  ADV_CLASS(TVexaHit)

  TVexaHit() = default;

  std::string_view Department() const { return m_data.Department.View(); }
  void SetDepartment(std::string_view value) { m_data.Department.Set(value); }
  // The engine's file-type alias (FileType() is the raw extension).
  std::string_view FileTypeAlias() const { return m_data.FileType.View(); }
  void SetFileTypeAlias(std::string_view value) { m_data.FileType.Set(value); }

  // The serial of the enricher that named the hit (see HitEnrichers.h); 0
  // while it is unnamed. Not stored.
  uint64_t EnrichedBy() const { return m_enrichedBy; }
  void SetEnrichedBy(uint64_t serial) { m_enrichedBy = serial; }
  // Before naming: a hit already named goes back to the text as read
  // (Source, Destination, and Profile when the loader gave none), what naming
  // replaces is kept for the next time, and the activity line is emptied.
  void BeginNaming();
  // The hit's tracking-log activity line, made with its naming (see
  // HitEnrichers.h); empty when none was made. Not stored.
  const std::string& ActivityLine() const { return m_activityLine; }
  std::string& ActivityLineBuffer() { return m_activityLine; }

  // THit's copy plus Department and FileType (and the naming mark when the
  // source is a TVexaHit).
  void Assign(const TAdvObject& source) override;
  // The stored form: Protocol, Initiated, Source, StoredSourceAddress,
  // SourcePort, Destination, StoredDestinationAddress, DestinationPort,
  // Resource, Query, ExtraText1, ExtraText2, Profile, SourceSize,
  // DestinationSize, TimeTaken, Status, Position, Department, FileType.
  void Define(TAdvFiler& filer) override;

 protected:
  ~TVexaHit() override = default;

 private:
  void WriteUntagged(TAdvFiler& filer) const;

  uint64_t m_enrichedBy = 0;
  THitText m_readSource{};
  THitText m_readDestination{};
  bool m_readWithoutProfile = false;
  std::string m_activityLine;
};
