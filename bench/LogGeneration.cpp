#include "bench/LogGeneration.h"

#include <cstdio>
#include <ctime>

namespace {

constexpr const char* kUsers[] = {"alice",   "bob",   "carol", "dave",       "eve",
                                  "frank",   "grace", "heidi", "ivan",       "judy",
                                  "mallory", "oscar", "peggy", "john smith", "corp\\\\trent"};
constexpr const char* kHosts[] = {
    "www.example.test",  "news.example.test",    "cdn.images.test",     "mail.example.test",
    "shop.example.test", "video.stream.test",    "casino.blocked.test", "search.example.test",
    "api.service.test",  "downloads.vendor.test"};
constexpr const char* kPaths[] = {"/",
                                  "/index.html",
                                  "/news/today.html",
                                  "/img/logo.png",
                                  "/static/app.js",
                                  "/css/site.css",
                                  "/search",
                                  "/dl/setup.exe",
                                  "/video/clip.mp4",
                                  "/api/v1/items/1234",
                                  "/cart/checkout.aspx",
                                  "/docs/report%202026.pdf"};
constexpr const char* kQueries[] = {"q=red+car", "id=42&page=2", "q=%22cheap+flights%22",
                                    "lang=en",   "v=3",          "s=offers&sort=price"};
constexpr const char* kTypes[] = {
    "text/html", "image/png", "application/javascript", "text/css", "application/octet-stream",
    "video/mp4"};
constexpr const char* kAgents[] = {"Mozilla/5.0 (Windows NT 10.0; Win64; x64)",
                                   "Mozilla/5.0 (X11; Linux x86_64)", "curl/7.88.1"};

template <typename T, size_t N>
constexpr uint32_t CountOf(const T (&)[N]) {
  return uint32_t(N);
}

void AppendF(std::string& out, const char* format, auto... args) {
  char buffer[1024];
  const int n = std::snprintf(buffer, sizeof(buffer), format, args...);
  if (n > 0) out.append(buffer, size_t(n) < sizeof(buffer) ? size_t(n) : sizeof(buffer) - 1);
}

struct TRequest {
  uint32_t Client;
  const char* User;  // null for none
  const char* Host;
  const char* Path;
  const char* Query;  // null for none
  const char* Method;
  const char* Code;  // proxy result code
  uint32_t Status;
  uint32_t Bytes;
  uint32_t RequestBytes;
  uint32_t Elapsed;
  bool Tunnel;
  const char* Type;
  const char* Agent;
};

// Web servers log only simple user names: no blank, no domain part.
const char* PlainUser(const char* user) {
  if (!user) return "-";
  const std::string_view name(user);
  return name.find(' ') == name.npos && name.find('\\') == name.npos ? user : "-";
}

}  // namespace

bool LogKindByName(std::string_view name, TLogKind& kind) {
  if (name == "squid")
    kind = TLogKind::Squid;
  else if (name == "ncsa")
    kind = TLogKind::Ncsa;
  else if (name == "w3c-web")
    kind = TLogKind::W3cWeb;
  else if (name == "w3c-proxy")
    kind = TLogKind::W3cProxy;
  else
    return false;
  return true;
}

TLogGenerator::TLogGenerator(TLogKind kind, uint64_t seed)
    : m_kind(kind), m_state(seed * 0x9E3779B97F4A7C15ULL + 1) {}

uint32_t TLogGenerator::Next() {
  // xorshift64*: fast, and good enough for picking log contents.
  m_state ^= m_state >> 12;
  m_state ^= m_state << 25;
  m_state ^= m_state >> 27;
  return uint32_t((m_state * 0x2545F4914F6CDD1DULL) >> 32);
}

std::string TLogGenerator::Header() const {
  switch (m_kind) {
    case TLogKind::W3cWeb:
      return "\xEF\xBB\xBF#Software: web server\n#Version: 1.0\n#Date: 2026-12-09 00:00:00\n"
             "#Fields: date time s-ip cs-method cs-uri-stem cs-uri-query s-port cs-username c-ip "
             "cs(User-Agent) sc-status sc-substatus sc-win32-status sc-bytes cs-bytes time-taken\n";
    case TLogKind::W3cProxy:
      return "#Software: web proxy appliance\n#Version: 1.0\n#Date: 2026-12-09 00:00:00\n"
             "#Fields: date time time-taken c-ip cs-username s-action sc-status rs(Content-Type) "
             "cs-method cs-uri-scheme cs-host cs-uri-port cs-uri-path cs-uri-query sc-bytes "
             "cs-bytes cs(User-Agent) sc-filter-result\n";
    default:
      return {};
  }
}

void TLogGenerator::AppendLine(std::string& out, int64_t unixMilliseconds) {
  TRequest r{};
  r.Client = 0x0A000000u | (1 + Below(250)) << 8 | (1 + Below(250));
  r.User = Below(4) == 0 ? nullptr : kUsers[Below(CountOf(kUsers))];
  r.Host = kHosts[Below(CountOf(kHosts))];
  r.Path = kPaths[Below(CountOf(kPaths))];
  r.Query = Below(4) == 0 ? kQueries[Below(CountOf(kQueries))] : nullptr;
  r.Method = Below(10) == 0 ? "POST" : "GET";
  r.Type = kTypes[Below(CountOf(kTypes))];
  r.Agent = kAgents[Below(CountOf(kAgents))];
  r.Bytes = 200 + Below(Below(10) == 0 ? 5000000 : 60000);
  r.RequestBytes = 150 + Below(900);
  r.Elapsed = Below(Below(20) == 0 ? 30000 : 400);
  const uint32_t outcome = Below(100);
  if (outcome < 55) {
    r.Code = "TCP_MISS", r.Status = 200;
  } else if (outcome < 75) {
    r.Code = "TCP_HIT", r.Status = 200;
  } else if (outcome < 82) {
    r.Code = "TCP_REFRESH_UNMODIFIED", r.Status = 304;
  } else if (outcome < 88) {
    r.Code = "TCP_TUNNEL", r.Status = 200, r.Tunnel = true, r.Method = "CONNECT";
  } else if (outcome < 93) {
    r.Code = "TCP_DENIED", r.Status = 403, r.Bytes = 3435;
  } else if (outcome < 98) {
    r.Code = "TCP_MISS", r.Status = 404, r.Bytes = 604;
  } else {
    r.Code = "TCP_MISS_ABORTED", r.Status = 0, r.Bytes = 0;
  }
  if (m_kind == TLogKind::Ncsa || m_kind == TLogKind::W3cWeb) r.Tunnel = false;
  if (!r.Tunnel && r.Status != 0 && std::string_view(r.Method) == "CONNECT") r.Method = "GET";

  const uint32_t c = r.Client;
  const time_t seconds = time_t(unixMilliseconds / 1000);
  const int ms = int(unixMilliseconds % 1000);
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  switch (m_kind) {
    case TLogKind::Squid: {
      // The proxy writes names lower-cased, blanks unescaped, backslashes doubled.
      AppendF(out, "%lld.%03d %6u %u.%u.%u.%u %s/%03u %u %s ", (long long)seconds, ms, r.Elapsed,
              c >> 24, (c >> 16) & 255, (c >> 8) & 255, c & 255, r.Code, r.Status, r.Bytes,
              r.Method);
      if (r.Tunnel) {
        AppendF(out, "%s:443", r.Host);
      } else {
        AppendF(out, "http://%s%s%s%s", r.Host, r.Path, r.Query ? "?" : "", r.Query ? r.Query : "");
      }
      AppendF(out, " %s %s %s\n", r.User ? r.User : "-",
              r.Status == 403 ? "HIER_NONE/-" : "HIER_DIRECT/192.0.2.10", r.Type);
      break;
    }
    case TLogKind::Ncsa: {
      char when[64];
      std::strftime(when, sizeof(when), "%d/%b/%Y:%H:%M:%S +0000", &utc);
      AppendF(out, "%u.%u.%u.%u - %s [%s] \"%s %s%s%s HTTP/1.1\" %03u %u \"-\" \"%s\"\n", c >> 24,
              (c >> 16) & 255, (c >> 8) & 255, c & 255, PlainUser(r.User), when, r.Method, r.Path,
              r.Query ? "?" : "", r.Query ? r.Query : "", r.Status, r.Bytes, r.Agent);
      break;
    }
    case TLogKind::W3cWeb: {
      char when[64];
      std::strftime(when, sizeof(when), "%Y-%m-%d %H:%M:%S", &utc);
      std::string agent = r.Agent;
      for (char& ch : agent) {
        if (ch == ' ') ch = '+';
      }
      AppendF(out, "%s 10.0.0.5 %s %s %s %u %s %u.%u.%u.%u %s %u 0 0 %u %u %u\n", when, r.Method,
              r.Path, r.Query ? r.Query : "-", Below(3) == 0 ? 443u : 80u, PlainUser(r.User),
              c >> 24, (c >> 16) & 255, (c >> 8) & 255, c & 255, agent.c_str(), r.Status, r.Bytes,
              r.RequestBytes, r.Elapsed);
      break;
    }
    case TLogKind::W3cProxy: {
      char when[64];
      std::strftime(when, sizeof(when), "%Y-%m-%d %H:%M:%S", &utc);
      AppendF(out, "%s %u %u.%u.%u.%u %s%s%s %s %u %s %s %s %s %u %s %s %u %u \"%s\" %s\n", when,
              r.Elapsed, c >> 24, (c >> 16) & 255, (c >> 8) & 255, c & 255, r.User ? "\"" : "",
              r.User ? r.User : "-", r.User ? "\"" : "", r.Code, r.Status, r.Type, r.Method,
              r.Tunnel ? "tcp" : "http", r.Host, r.Tunnel ? 443u : 80u, r.Tunnel ? "/" : r.Path,
              r.Query ? r.Query : "-", r.Bytes, r.RequestBytes, r.Agent,
              r.Status == 403 ? "DENIED" : "OBSERVED");
      break;
    }
  }
}
