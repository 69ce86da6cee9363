// TAdvWindow: a hidden endpoint that represents one running program to the
// other programs of the product family, and receives their notifications.
//
// On this system an endpoint is a local datagram socket in a per-user folder
// named after the window class ($XDG_RUNTIME_DIR/<class name>), so every
// program of the family finds the others by listing that folder (see
// platform/LocalMessages.h). Notifications are delivered asynchronously:
// the owner waits on Handle() (or polls DispatchMessages from its main
// loop), and each datagram received becomes one HandleMessage call on the
// thread that dispatches.
//
// Thread safety: one thread (the main thread) creates, dispatches and
// destroys the window.
#pragma once

#include <cstdint>
#include <string>

#include "core/AdvObjects.h"
#include "platform/LocalMessages.h"

// A message: its number, two parameters and the handler's result (0 on
// entry; a handler that leaves 0 lets the default handling run, which is
// nothing here).
struct TAdvMessage {
  uint32_t Number = 0;
  int64_t WParam = 0;
  int64_t LParam = 0;
  int64_t Result = 0;
};

// The first message number free for programs' own use.
inline constexpr uint32_t kUserMessage = 1024;

class TAdvWindow : public TAdvObject {
  ADV_CLASS(TAdvWindow)

  // The class name starts as the object's class name.
  TAdvWindow();

  const std::string& WindowClassName() const { return m_windowClass; }
  void SetWindowClassName(std::string name) { m_windowClass = std::move(name); }
  // The folder the class's endpoints live in; by default the runtime folder
  // followed by the class name (blanks and path characters made "-").
  std::string MessageFolder() const;
  void SetMessageFolder(std::string folder) { m_folder = std::move(folder); }

  // Operations in slot order.
  // Called for every message received; nothing in the base.
  virtual void HandleMessage(TAdvMessage& message) {}
  // Whether another program's window of this class is running.
  virtual bool FindExisting();
  // Binds the endpoint; raises "Cannot create the window: ..." on failure.
  virtual void CreateWindow();
  virtual void DestroyWindow();
  // A hidden window has nothing to show: both do nothing here.
  virtual void BringToFront() {}
  virtual void Show(int mode) {}
  // Send handles the message at once on the calling thread; Post queues it
  // to this window, handled at a later dispatch.
  virtual int64_t Send(TAdvMessage& message);
  int64_t Send(uint32_t number, int64_t wparam = 0, int64_t lparam = 0);
  virtual bool Post(const TAdvMessage& message);
  bool Post(uint32_t number, int64_t wparam = 0, int64_t lparam = 0);
  virtual bool HasWindow() const { return m_messenger.IsOpen(); }

  // The descriptor that becomes readable when messages wait (-1 without a
  // window).
  int Handle() const { return m_messenger.Handle(); }
  // Handles every message waiting, waiting up to `timeoutMs` for the first
  // (0: only what is there). Returns the number handled. Datagrams that are
  // not messages of this format are dropped.
  int DispatchMessages(int timeoutMs = 0);

 protected:
  void BeforeDestruction() override { DestroyWindow(); }
  ~TAdvWindow() override = default;

  // Sends a message to every other window of the class; the number reached.
  int BroadcastToClass(uint32_t number, int64_t wparam = 0, int64_t lparam = 0);

 private:
  std::string m_windowClass;
  std::string m_folder;  // empty: the default
  platform::TLocalMessenger m_messenger;
};
