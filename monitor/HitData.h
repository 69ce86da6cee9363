// The memory layout of one hit: what a loader plug-in fills in.
//
// A hit is one entry of a monitored log: one web request, one mail message,
// one file transfer, one name lookup. Loader plug-ins write straight into this
// record, so its offsets and widths are part of the plug-in binary interface
// and never change: little-endian, no padding beyond the reserved ranges
// listed, 2672 bytes. Bytes 0..7 are an opaque header that belongs to the
// host; a plug-in leaves them alone. Every offset is checked at compile time
// below.
//
// Texts are length-prefixed single-byte strings (THitText): a length byte
// 0..255 and room for 255 characters. A plug-in may leave any byte in the
// length: every length fits the room, so reading a text never leaves the
// record.
//
// Thread safety: a plain record; whoever holds the hit object decides.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

// Protocol codes (THitData::Protocol).
enum THitProtocol : uint8_t {
  kProtocolWeb = 0,
  kProtocolMail = 1,
  kProtocolTelnet = 2,
  kProtocolFileTransfer = 3,
  kProtocolSocks = 4,
  kProtocolStreamingMedia = 5,
  kProtocolSecureWeb = 6,
  kProtocolDomainNameLookup = 7,
  kProtocolGopher = 8,
  kProtocolNews = 9,
  kProtocolUnknown = 10,
};
constexpr uint8_t kProtocolCount = 11;

// Outcome codes (THitData::Status).
enum THitStatus : uint8_t {
  kStatusSuccessful = 0,
  kStatusFailed = 1,
  kStatusBlocked = 2,
  kStatusCached = 3,
};
constexpr uint8_t kStatusCount = 4;

#pragma pack(push, 1)

// A length byte and up to 255 single-byte characters.
struct THitText {
  static constexpr size_t kCapacity = 255;

  uint8_t Length;
  char Text[kCapacity];

  std::string_view View() const { return std::string_view(Text, Length); }
  std::string Str() const { return std::string(Text, Length); }
  bool Empty() const { return Length == 0; }
  // Keeps the first 255 bytes of a longer value.
  void Set(std::string_view value) {
    const size_t n = value.size() < kCapacity ? value.size() : kCapacity;
    // The value may be this text itself (a look-up that left it unchanged).
    if (n > 0 && value.data() != Text) std::memmove(Text, value.data(), n);
    Length = uint8_t(n);
  }
  void Clear() { Length = 0; }
};

struct THitData {
  uint8_t Header[8];       // the host's; opaque to plug-ins
  THitText Source;         // requester as logged: user name or client address
  THitText Destination;    // site; for Mail the recipient, for News the newsgroup
  THitText Resource;       // path (web-like protocols), subject (Mail)
  THitText Query;          // URL query without the "?"
  THitText ExtraText1;     // loader-defined
  THitText ExtraText2;     // loader-defined
  THitText Profile;        // content category
  uint32_t Reference;      // loader-defined; non-zero refers back to the source record
  THitText ExtraText3;     // loader-defined; copied and sorted, never stored
  uint32_t SourceAddress;  // IPv4, first octet most significant; 0 = unknown
  uint32_t DestinationAddress;
  // The numeric block: Protocol .. Tag1, 84 bytes, cleared, copied and
  // stored (by a plain THit) as one.
  uint8_t Protocol;  // THitProtocol; any other value counts as Unknown
  uint8_t Status;    // THitStatus
  uint8_t Reserved1[6];
  double Initiated;  // local date-time: days since 1899-12-30
  uint32_t StoredSourceAddress;
  uint32_t StoredDestinationAddress;
  uint32_t SourceSize;       // incoming bytes
  uint32_t DestinationSize;  // outgoing bytes
  uint16_t SourcePort;
  uint16_t DestinationPort;
  uint32_t TimeTaken;  // in the loader's unit
  uint8_t Reserved2[28];
  int64_t Position;  // offset of the source record in its input; -1 = unknown
  uint8_t Reserved3[4];
  int32_t Tag1;  // loader-defined, never read by the host
  // End of the numeric block.
  int32_t Tag2;
  int32_t Tag3;
  // The engine's classification (TVexaHit).
  THitText Department;
  THitText FileType;
};

#pragma pack(pop)

// Where the numeric block starts and how long it is.
constexpr size_t kHitNumericOffset = 2068;
constexpr size_t kHitNumericSize = 84;
// The part of the record a plain THit uses; TVexaHit uses all of it.
constexpr size_t kHitBaseSize = 2160;
constexpr size_t kVexaHitSize = 2672;

static_assert(sizeof(THitText) == 256);
static_assert(offsetof(THitData, Source) == 8);
static_assert(offsetof(THitData, Destination) == 264);
static_assert(offsetof(THitData, Resource) == 520);
static_assert(offsetof(THitData, Query) == 776);
static_assert(offsetof(THitData, ExtraText1) == 1032);
static_assert(offsetof(THitData, ExtraText2) == 1288);
static_assert(offsetof(THitData, Profile) == 1544);
static_assert(offsetof(THitData, Reference) == 1800);
static_assert(offsetof(THitData, ExtraText3) == 1804);
static_assert(offsetof(THitData, SourceAddress) == 2060);
static_assert(offsetof(THitData, DestinationAddress) == 2064);
static_assert(offsetof(THitData, Protocol) == kHitNumericOffset);
static_assert(offsetof(THitData, Status) == 2069);
static_assert(offsetof(THitData, Reserved1) == 2070);
static_assert(offsetof(THitData, Initiated) == 2076);
static_assert(offsetof(THitData, StoredSourceAddress) == 2084);
static_assert(offsetof(THitData, StoredDestinationAddress) == 2088);
static_assert(offsetof(THitData, SourceSize) == 2092);
static_assert(offsetof(THitData, DestinationSize) == 2096);
static_assert(offsetof(THitData, SourcePort) == 2100);
static_assert(offsetof(THitData, DestinationPort) == 2102);
static_assert(offsetof(THitData, TimeTaken) == 2104);
static_assert(offsetof(THitData, Reserved2) == 2108);
static_assert(offsetof(THitData, Position) == 2136);
static_assert(offsetof(THitData, Reserved3) == 2144);
static_assert(offsetof(THitData, Tag1) == 2148);
static_assert(offsetof(THitData, Tag2) == kHitNumericOffset + kHitNumericSize);
static_assert(offsetof(THitData, Tag3) == 2156);
static_assert(offsetof(THitData, Department) == kHitBaseSize);
static_assert(offsetof(THitData, FileType) == 2416);
static_assert(sizeof(THitData) == kVexaHitSize);
