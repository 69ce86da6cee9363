// Operating-system files as streams, and the atomic save that every
// configuration and state file goes through.
//
// TAdvFile is a seekable stream over one open file. Every failure raises an
// EAdvFile that names the file; its text ends with the system's description
// of the error in brackets. Read returns exactly the bytes asked for or
// raises, and then leaves the position where it was.
//
// Open modes: 0 read (must exist), 1 write (created, contents kept), 2 read
// and write (created, contents kept), 3 read and write (emptied or created),
// 4 read and write (must not exist). Share values: 0 none, 1 others may read,
// 2 others may write, 3 both. An open that another open's sharing refuses
// fails at once; see platform/Files.h for how sharing works on this system.
// Log files are opened with mode 0 share 3, which never holds a lock, so the
// program never stalls the process writing the log.
//
// TAdvAtomicFile writes a replacement for a file: the bytes go to
// "<name>.tmp" in the same folder (mode 3 share 0, so a second saver of the
// same file is refused rather than interleaved), and Commit flushes it to the
// device, renames it over the old name and syncs the folder. Until Commit the
// old file is untouched; Abandon (or destruction without Commit) deletes the
// temporary file.
//
// Used by one thread at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/AdvStreams.h"
#include "platform/Files.h"

class TAdvFile : public TAdvAccessStream {
  ADV_CLASS(TAdvFile)

  static constexpr uint32_t kNormalAttributes = 128;

  TAdvFile() = default;
  explicit TAdvFile(const std::string& fileName) : m_fileName(fileName) {}
  // Opens at once.
  TAdvFile(const std::string& fileName, uint32_t attributes, int share, int mode);

  [[noreturn]] void Error(std::string_view operation, std::string_view message) const override;

  // Exactly `count` bytes; at the end of the file "Attempted to read past end
  // of file". A failed read restores the position.
  void Read(void* buffer, uint32_t count) override;
  void Write(const void* buffer, uint32_t count) override;
  // Size − position.
  int64_t Readable() override;
  int64_t Writeable() override { return INT32_MAX; }

  int64_t GetPosition() override;
  void SetPosition(int64_t position) override;
  int64_t GetSize() override;
  // Sets the end of the file; the position becomes the smaller of the old
  // position and `size`.
  void SetSize(int64_t size) override;

  // A regular file (not a folder) of this object's name exists.
  virtual bool Exists();
  virtual void SeekToEnd();
  // Closes the handle if open; also run on destruction.
  virtual void CloseFile();
  // Closes, then deletes the file by name; a file that is already gone is
  // not an error.
  virtual void DeleteFile();
  // Writes the file's buffers through to the device.
  virtual void FlushFile();
  // Moves the position by `offset` bytes.
  virtual void Skip(int64_t offset);
  // Locks a byte range without waiting; raises when another handle holds it.
  virtual void Lock(int64_t offset, int64_t count);
  virtual void Unlock(int64_t offset, int64_t count);

  // Closes any open handle first; on failure the object stays closed.
  void OpenFile(const std::string& fileName, int mode, int share,
                uint32_t attributes = kNormalAttributes);
  // The last-write time as a date-time (days since 1899-12-30, local time).
  double ModifiedTime();
  // The device and inode of the open file: tells a replaced file from the
  // one that was open before.
  platform::TFileIdentity Identity();
  // Closes first.
  void SetFileName(const std::string& fileName);
  const std::string& FileName() const { return m_fileName; }
  bool IsOpen() const { return m_handle != platform::kInvalidFileHandle; }

 protected:
  ~TAdvFile() override;
  // Raises with the text followed by " [" + the system's last error + "]".
  [[noreturn]] void SystemError(std::string_view operation, const std::string& text) const;

  platform::TFileHandle m_handle = platform::kInvalidFileHandle;
  std::string m_fileName;
};

class TAdvAtomicFile : public TAdvFile {
  ADV_CLASS(TAdvAtomicFile)

  TAdvAtomicFile() = default;
  // Begins at once.
  explicit TAdvAtomicFile(const std::string& targetName) { Begin(targetName); }

  // Opens "<target>.tmp" for writing (emptied). The temporary file takes the
  // target's permissions when the target exists.
  void Begin(const std::string& targetName);
  // Flushes the temporary file to the device, renames it over the target and
  // syncs the folder. On failure the target is untouched and the temporary
  // file deleted.
  void Commit();
  // Closes and deletes the temporary file; the target is untouched.
  void Abandon();

  const std::string& TargetName() const { return m_targetName; }
  static std::string TemporaryNameFor(const std::string& targetName) { return targetName + ".tmp"; }

 protected:
  ~TAdvAtomicFile() override;

 private:
  std::string m_targetName;  // empty when no save is in progress
};

// Saves `fileName` atomically: `writer` writes the whole content to the given
// stream (a cache over the temporary file, `cacheCapacity` bytes), and the
// file is replaced only when the writer returns. When the writer or the
// commit raises, the old file is left as it was and the error passes on.
void AdvSaveFileAtomically(const std::string& fileName,
                           const std::function<void(TAdvStream&)>& writer,
                           uint32_t cacheCapacity = 65536);

// Moves a file that failed to load aside as "<fileName>.bad" (replacing an
// older one), so defaults saved later never overwrite the bad data. Returns
// the new name, or an empty text when there was no file or it could not be
// moved.
std::string AdvKeepFileAsBad(const std::string& fileName);
