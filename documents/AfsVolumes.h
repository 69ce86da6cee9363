// The folder object documents write through: a volume is a root folder, and
// files are opened on it by names relative to that root.
//
// TAfsVolume is the interface (its Name is the root, ending in a path
// delimiter); TWindowsVolume is the one for the local file system. Mode caps
// every open: 0 read, 1 read and write, 2 create. A relative name may use "/"
// or "\" between its folders; both mean a sub-folder of the root.
//
// Opening a file with mode 2 starts an atomic save: the bytes go to a
// temporary file beside the target, and only CloseFile puts the finished file
// in place of the old one. A file that is never closed (an error on the way,
// or DiscardFile) leaves the old file untouched, so a reader never meets a
// half-written document. Modes 0 and 1 open the file itself.
//
// A handle belongs to the volume that opened it and is valid until CloseFile
// or DiscardFile. TAfsStream is a seekable stream over one handle;
// TAfsFile is a named file on a volume that owns such a stream.
//
// Errors are EAfs: "Could not open volume.", "Could not create folder <root>",
// "Failed to open file \"<path>\".", "AFS volume not assigned." (operation
// "Open"), and the position errors of GetPosition and SetPosition.
//
// Used by one thread at a time; the volume must outlive its open handles.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/AdvFiles.h"
#include "core/AdvHashes.h"
#include "core/AdvStreams.h"

ADV_EXCEPTION(EAfs, EAdvanced)

// An open file of a volume; opaque to everyone but the volume.
using TAfsHandle = TAdvFile*;

class TAfsVolume : public TAdvStringHashable {
  ADV_CLASS(TAfsVolume)
  ADV_RAISES(EAfs)

  enum : int { kModeRead = 0, kModeReadWrite = 1, kModeCreate = 2 };
  enum : int { kShareNone = 0, kShareRead = 1, kShareReadWrite = 2 };

  int Mode() const { return m_mode; }
  void SetMode(int mode) { m_mode = mode; }
  // The root folder; a path delimiter is added when missing.
  const std::string& Root() const { return Name(); }
  void SetRoot(std::string_view root);

  // Makes sure the root exists (see TWindowsVolume).
  virtual void OpenFolder() {}
  virtual void CloseFolder() {}

  // The effective mode is the lower of `mode` and Mode.
  virtual TAfsHandle OpenFile(std::string_view name, int mode, int share) = 0;
  // Finishes a file: a mode-2 file replaces the target now.
  virtual void CloseFile(TAfsHandle handle) = 0;
  // Lets go of a file without keeping what was written to a mode-2 file.
  virtual void DiscardFile(TAfsHandle handle) = 0;
  virtual void Read(TAfsHandle handle, void* buffer, uint32_t count) = 0;
  virtual void Write(TAfsHandle handle, const void* buffer, uint32_t count) = 0;
  // 0 when the system cannot tell.
  virtual int64_t FileSize(TAfsHandle handle) = 0;
  virtual int64_t GetPosition(TAfsHandle handle) = 0;
  virtual void SetPosition(TAfsHandle handle, int64_t position) = 0;
  virtual bool FileExists(std::string_view name) = 0;
  virtual void DeleteFile(std::string_view name) = 0;

  // Root + name with "\" turned into the path delimiter.
  std::string FullPath(std::string_view name) const;

 protected:
  ~TAfsVolume() override = default;

 private:
  int m_mode = kModeRead;
};

class TWindowsVolume : public TAfsVolume {
  ADV_CLASS(TWindowsVolume)

  TWindowsVolume() = default;
  TWindowsVolume(std::string_view root, int mode) {
    SetRoot(root);
    SetMode(mode);
  }

  // A missing root raises "Could not open volume." under mode 0; otherwise it
  // is created with every missing parent ("Could not create folder <root>").
  void OpenFolder() override;
  // Creates the file's own folder first when the effective mode writes.
  TAfsHandle OpenFile(std::string_view name, int mode, int share) override;
  void CloseFile(TAfsHandle handle) override;
  void DiscardFile(TAfsHandle handle) override;
  void Read(TAfsHandle handle, void* buffer, uint32_t count) override;
  void Write(TAfsHandle handle, const void* buffer, uint32_t count) override;
  int64_t FileSize(TAfsHandle handle) override;
  int64_t GetPosition(TAfsHandle handle) override;
  void SetPosition(TAfsHandle handle, int64_t position) override;
  bool FileExists(std::string_view name) override;
  void DeleteFile(std::string_view name) override;

 protected:
  ~TWindowsVolume() override = default;
};

// A seekable stream over one open handle; neither is owned.
class TAfsStream : public TAdvAccessStream {
  ADV_CLASS(TAfsStream)
  ADV_RAISES(EAfs)

  TAfsStream() = default;
  TAfsStream(TAfsVolume* volume, TAfsHandle handle) : m_volume(volume), m_handle(handle) {}

  void Read(void* buffer, uint32_t count) override;
  void Write(const void* buffer, uint32_t count) override;
  int64_t Readable() override;
  int64_t Writeable() override { return INT32_MAX; }
  int64_t GetPosition() override;
  void SetPosition(int64_t position) override;
  int64_t GetSize() override;

 protected:
  ~TAfsStream() override = default;

 private:
  TAfsVolume& Volume(const char* operation) const;

  TAfsVolume* m_volume = nullptr;
  TAfsHandle m_handle = nullptr;
};

// A named file on a volume (held, not owned) with the stream over it, which
// the file owns while it is open.
class TAfsFile : public TAdvObject {
  ADV_CLASS(TAfsFile)
  ADV_RAISES(EAfs)

  TAfsFile() = default;
  TAfsFile(TAfsVolume* volume, std::string_view name) : m_volume(volume), m_name(name) {}

  const std::string& Name() const { return m_name; }
  void SetName(std::string_view name) { m_name = name; }
  TAfsVolume* Volume() const { return m_volume; }
  void SetVolume(TAfsVolume* volume) { m_volume = volume; }

  // Raises "AFS volume not assigned." without a volume.
  void Open(int mode, int share);
  // Finishes the file (see TAfsVolume::CloseFile); nothing when not open.
  void Close();
  // Drops the file without keeping a mode-2 file's new contents.
  void Discard();
  bool IsOpen() const { return m_handle != nullptr; }
  // The open file's stream; null while closed.
  TAfsStream* Stream() const { return m_stream.Get(); }

 protected:
  ~TAfsFile() override;

 private:
  TAfsVolume* m_volume = nullptr;  // not owned
  std::string m_name;
  TAfsHandle m_handle = nullptr;  // owned by m_volume until closed
  TAdvRef<TAfsStream> m_stream;
};
