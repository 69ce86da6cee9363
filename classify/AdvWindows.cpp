#include "classify/AdvWindows.h"

#include <cstring>

#include "platform/Folders.h"

ADV_CLASS_IMPL(TAdvWindow, TAdvObject)

namespace {

// A message on the wire: a marker, the number and both parameters, little
// or big endian as the machine has it (sender and receiver share it).
constexpr char kMarker[4] = {'V', 'X', 'M', '1'};
constexpr size_t kWireSize = 4 + 4 + 8 + 8;

std::string Encode(const TAdvMessage& message) {
  std::string wire(kWireSize, '\0');
  std::memcpy(wire.data(), kMarker, 4);
  std::memcpy(wire.data() + 4, &message.Number, 4);
  std::memcpy(wire.data() + 8, &message.WParam, 8);
  std::memcpy(wire.data() + 16, &message.LParam, 8);
  return wire;
}

bool Decode(const std::string& wire, TAdvMessage& message) {
  if (wire.size() != kWireSize || std::memcmp(wire.data(), kMarker, 4) != 0) return false;
  message = TAdvMessage();
  std::memcpy(&message.Number, wire.data() + 4, 4);
  std::memcpy(&message.WParam, wire.data() + 8, 8);
  std::memcpy(&message.LParam, wire.data() + 16, 8);
  return true;
}

}  // namespace

TAdvWindow::TAdvWindow() : m_windowClass(ClassName()) {}

std::string TAdvWindow::MessageFolder() const {
  if (!m_folder.empty()) return m_folder;
  std::string name = m_windowClass;
  for (char& c : name)
    if (c == ' ' || c == '/' || c == '\\' || uint8_t(c) < 32) c = '-';
  return platform::RuntimeFolder() + "/" + name;
}

bool TAdvWindow::FindExisting() {
  if (m_messenger.IsOpen()) return m_messenger.AnyPeer();
  platform::TLocalMessenger probe;
  return probe.Open(MessageFolder()) && probe.AnyPeer();
}

void TAdvWindow::CreateWindow() {
  std::string error;
  if (!m_messenger.Open(MessageFolder(), &error))
    Error("CreateWindow", "Cannot create the window: " + error);
}

void TAdvWindow::DestroyWindow() {
  m_messenger.Close();
}

int64_t TAdvWindow::Send(TAdvMessage& message) {
  message.Result = 0;
  HandleMessage(message);
  return message.Result;
}

int64_t TAdvWindow::Send(uint32_t number, int64_t wparam, int64_t lparam) {
  TAdvMessage message{number, wparam, lparam, 0};
  return Send(message);
}

bool TAdvWindow::Post(const TAdvMessage& message) {
  const std::string wire = Encode(message);
  return m_messenger.SendToSelf(wire.data(), wire.size());
}

bool TAdvWindow::Post(uint32_t number, int64_t wparam, int64_t lparam) {
  return Post(TAdvMessage{number, wparam, lparam, 0});
}

int TAdvWindow::DispatchMessages(int timeoutMs) {
  int handled = 0;
  std::string wire;
  int wait = timeoutMs;
  while (m_messenger.Receive(wire, wait)) {
    wait = 0;
    TAdvMessage message;
    if (!Decode(wire, message)) continue;
    HandleMessage(message);
    ++handled;
  }
  return handled;
}

int TAdvWindow::BroadcastToClass(uint32_t number, int64_t wparam, int64_t lparam) {
  const std::string wire = Encode(TAdvMessage{number, wparam, lparam, 0});
  return m_messenger.Broadcast(wire.data(), wire.size());
}
