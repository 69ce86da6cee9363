// Handing a URL slice to THit::ApplyURL, which cuts up a writable
// NUL-terminated text in place, without allocating: the slice is copied into
// a buffer on the stack. A URL longer than the buffer is cut; the fields it
// fills hold 255 characters each, so only a query behind a path of several
// kilobytes is lost.
//
// Thread safety: uses only the caller's stack and hit.
#pragma once

#include <cstring>
#include <string_view>

#include "monitor/Hits.h"

constexpr size_t kUrlBufferSize = 8192;

inline void ApplyUrlText(THit& hit, std::string_view url) {
  char buffer[kUrlBufferSize];
  const size_t n = url.size() < kUrlBufferSize - 1 ? url.size() : kUrlBufferSize - 1;
  std::memcpy(buffer, url.data(), n);
  buffer[n] = '\0';
  hit.ApplyURL(buffer);
}

// The same for a URL in two pieces (a host and a path with its query), joined
// with nothing between them.
inline void ApplyUrlParts(THit& hit, std::string_view host, std::string_view path,
                          std::string_view query) {
  char buffer[kUrlBufferSize];
  size_t n = 0;
  auto append = [&](std::string_view piece) {
    const size_t room = kUrlBufferSize - 1 - n;
    const size_t take = piece.size() < room ? piece.size() : room;
    if (take > 0) std::memcpy(buffer + n, piece.data(), take);
    n += take;
  };
  append(host);
  append(path);
  if (!query.empty()) {
    append("?");
    append(query);
  }
  buffer[n] = '\0';
  hit.ApplyURL(buffer);
}
