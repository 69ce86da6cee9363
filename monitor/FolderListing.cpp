// Listing one folder of an input: which file each name holds now, and where
// reading goes on in each, so that every line is read exactly once while the
// writer appends, rotates by renaming, copies and truncates, or deletes.
//
// The rules, by the identity of a file (device and inode) and the
// fingerprint of its first bytes:
//  - A file keeps its position under whatever name it has: a rename carries
//    the position along, also across listings and restarts (the state of a
//    file that left the listing is kept for a while, and stored with the
//    folder, see TFolder::TDeparted).
//  - A file whose content was replaced (it shrank, or its first bytes are no
//    longer those read) is new content, read from 0; the old content's
//    position is kept as a departed state without identity.
//  - A file new to the folder that starts with the bytes of a state that was
//    read into is a copy of that content (copy and truncate): it goes on from
//    that state's position. When the original is still here, the original
//    skips what the copy holds, since the copy delivers it.
//  - A copy must appear whole (written elsewhere and renamed in, or
//    complete before the listing sees it): a copy listed while it is still
//    being written goes on from the size it had then.
//
// The decisions need a picture of the folder in which names, identities and
// first bytes belong together. A listing that runs while a writer renames
// files can see a name before the rename and its identity after it, and a
// writer that copies and truncates can truncate a file between its status
// and the reading of its head: a head that already shows the truncation,
// with a reading of the names taken before the copy came in, would have the
// new content read before the copy. So the heads are read between two
// readings of the folder that agree on every name and identity, and a head
// comes with the size its file had when it was read; since a writer puts a
// copy in place before it truncates the original, a truncation a head shows
// happened before the second reading, which then holds the copy. When the
// folder keeps changing, the listing leaves the tree as it was and the next
// pass tries again (files are only read when they are still what the tree
// says, see TFile::OpenInput).
#include <algorithm>
#include <cstring>

#include "classify/AdvMasks.h"
#include "core/AdvDates.h"
#include "core/AdvFiles.h"
#include "monitor/Inputs.h"
#include "platform/FileSystem.h"
#include "platform/Files.h"

namespace {

constexpr int kReadingAttempts = 5;
constexpr double kRecentSeconds = 2;

// One entry of a reading of the folder.
struct TListed {
  std::string Name;
  bool IsFolder = false;
  platform::TFileStatus Status;
  platform::TFileIdentity Identity;
  // The first bytes, read before any decision that needs them.
  bool NeedsHead = false;
  bool HeadKnown = false;
  int32_t HeadLength = 0;
  char Head[TFileFingerprint::kBytes];
  bool Placed = false;
};

// Reads the folder: sub-folders (with `recurse`) and the files that match,
// each with its status and identity; sorted by name.
bool ReadFolder(const std::string& folder, const TAdvMask& mask, bool recurse,
                std::vector<TListed>& listed, std::string& error) {
  std::vector<platform::TFolderEntry> entries;
  listed.clear();
  if (!platform::ListFolder(folder, entries, &error)) return false;
  for (const platform::TFolderEntry& entry : entries) {
    TListed item;
    item.Name = entry.Name;
    if (entry.IsFolder) {
      if (!recurse) continue;
      item.IsFolder = true;
      listed.push_back(std::move(item));
      continue;
    }
    if (!entry.IsFile || !mask.Matches(entry.Name)) continue;
    const std::string path = folder + entry.Name;
    // Gone or changed into a folder since the folder was read: the
    // comparison with the next reading decides.
    if (!platform::PathIdentity(path, item.Identity) || !platform::QueryFile(path, item.Status) ||
        item.Status.IsFolder)
      continue;
    listed.push_back(std::move(item));
  }
  std::sort(listed.begin(), listed.end(),
            [](const TListed& a, const TListed& b) { return a.Name < b.Name; });
  return true;
}

bool SameReading(const std::vector<TListed>& a, const std::vector<TListed>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i].Name != b[i].Name || a[i].IsFolder != b[i].IsFolder ||
        !(a[i].Identity == b[i].Identity))
      return false;
  return true;
}

// Reads the first bytes of the entry's file, and takes the size the file has
// now as the entry's: the head and the size the decisions use are seen
// together. False when the name no longer holds the file of the reading. A
// file that cannot be opened (its reading fails and is reported later) keeps
// HeadKnown false.
bool ReadHead(const std::string& folder, TListed& entry) {
  TAdvRef<TAdvFile> file = AdvNew<TAdvFile>();
  try {
    file->OpenFile(folder + entry.Name, 0, 3);
  } catch (const std::exception&) {
    return true;
  }
  try {
    if (!(file->Identity() == entry.Identity)) return false;
    const int64_t size = file->GetSize();
    entry.HeadLength = int32_t(std::min<int64_t>(size, TFileFingerprint::kBytes));
    file->Read(entry.Head, uint32_t(entry.HeadLength));
    entry.Status.Size = size;
    entry.HeadKnown = true;
    return true;
  } catch (const std::exception&) {
    entry.HeadLength = 0;
    return true;
  }
}

// The entry starts with the bytes the fingerprint was taken of.
bool StartsLike(const TListed& entry, const TFileFingerprint& print) {
  return entry.HeadKnown && print.Length > 0 && entry.HeadLength >= print.Length &&
         FingerprintHash(entry.Head, print.Length) == print.Hash;
}

bool SameFile(const TFile& file, const TListed& entry) {
  return file.Inode() != 0 && file.Inode() == entry.Identity.Inode &&
         file.Device() == entry.Identity.Device;
}

// The content a state was read from is gone from the entry's file: it
// shrank, or does not start with the bytes read.
bool ContentReplaced(const TFile& state, const TListed& entry) {
  if (entry.Status.Size < state.Count()) return true;
  return entry.HeadKnown && state.Fingerprint().Length > 0 &&
         !StartsLike(entry, state.Fingerprint());
}

TAdvRef<TFile> CopyOf(const TFile& file) {
  return TAdvRef<TFile>(static_cast<TFile*>(file.Clone()));
}

}  // namespace

void TFolder::ListEntries() {
  // A size and time unchanged since the last listing prove nothing for a
  // file written shortly before it looked: a write in the same tick of the
  // file system's clock (a truncation and a rewrite to the same size) leaves
  // both as they were. Such files have their heads read again.
  const double recent = Checked() - kRecentSeconds / 86400.0;
  SetChecked(AdvNow());
  TAdvRef<TAdvMask> mask = AdvNew<TAdvMask>(m_mask);

  // The first bytes of every file whose content must be compared (new under
  // its name, changed in size or time, or found changed by a read); false
  // when a name no longer holds the file of the reading.
  auto readHeads = [this, recent](std::vector<TListed>& entries) {
    for (TListed& entry : entries) {
      if (entry.IsFolder) continue;
      auto* child = AdvCast<TFile>(Inputs().Find(Name() + entry.Name));
      const double modified = LocalDateTimeFromUtc(entry.Status.LastWriteUtcMs);
      entry.NeedsHead = !child || !SameFile(*child, entry) || child->Suspect() ||
                        child->ListedSize() < 0 || entry.Status.Size != child->Count() ||
                        modified != child->Modified() || modified >= recent;
      if (entry.NeedsHead && !ReadHead(Name(), entry)) return false;
    }
    return true;
  };

  // A reading of the folder, with the heads, that the next reading agrees
  // with on names and identities.
  std::vector<TListed> entries, again;
  std::string error;
  if (!ReadFolder(Name(), *mask, m_recurse, entries, error)) Error("Scan", error);
  bool settled = false;
  for (int attempt = 0; attempt < kReadingAttempts && !settled; ++attempt) {
    const bool heads = readHeads(entries);
    if (!ReadFolder(Name(), *mask, m_recurse, again, error)) Error("Scan", error);
    settled = heads && SameReading(entries, again);
    if (!settled) entries.swap(again);
  }
  if (!settled) return;

  for (TDeparted& departed : m_departed) ++departed.Age;
  std::erase_if(m_departed, [](const TDeparted& d) { return d.Age > kDepartedListings; });
  auto depart = [this](TAdvRef<TFile> state, bool keepIdentity) {
    if (state->Index() <= 0) return;  // nothing was read of it
    if (!keepIdentity) state->SetIdentity(0, 0);
    m_departed.push_back({std::move(state), 0});
  };

  // Sub-folders list themselves.
  for (TListed& entry : entries) {
    if (!entry.IsFolder) continue;
    auto* folder =
        static_cast<TFolder*>(Force(Name() + entry.Name + platform::kPathDelimiter, ClassType()));
    if (folder->Inputs().Count() == 0 && folder->Checked() == 0) {
      folder->m_search = m_search;
      folder->m_recurse = m_recurse;
      folder->m_mask = m_mask;
    }
    folder->List();
  }

  // The files' states before this listing, each to be claimed once by the
  // entry that holds the same file now.
  struct TBefore {
    TAdvRef<TFile> State;
    bool Claimed = false;
  };
  std::vector<TBefore> before;
  for (int i = 0; i < Inputs().Count(); ++i)
    if (auto* file = AdvCast<TFile>(Inputs().Input(i))) before.push_back({CopyOf(*file)});
  // A state without identity (stored before identities were kept) belongs
  // to the file under its name.
  auto holds = [this](const TFile& state, const TListed& entry) {
    return SameFile(state, entry) || (state.Inode() == 0 && state.Name() == Name() + entry.Name);
  };

  std::vector<TFile*> placed;
  std::vector<std::string> seen;
  auto place = [&](TFile* file, TListed& entry) {
    file->SetIdentity(entry.Identity.Device, entry.Identity.Inode);
    file->SetCount(entry.Status.Size);
    file->SetListedSize(entry.Status.Size);
    file->SetModified(LocalDateTimeFromUtc(entry.Status.LastWriteUtcMs));
    file->SetEnabled(true);
    file->SetSuspect(false);
    // The content is known by the head this listing saw from now on (the
    // head starts like the fingerprint kept, or the content is new): an open
    // that finds other bytes there (copied away, truncated and written again
    // since this listing) waits for the next listing, which finds the copy,
    // instead of reading the new content first.
    if (entry.HeadKnown && entry.HeadLength > file->Fingerprint().Length)
      file->SetFingerprint({entry.HeadLength, FingerprintHash(entry.Head, entry.HeadLength)});
    entry.Placed = true;
    placed.push_back(file);
    seen.push_back(file->Name());
  };

  // Phase 1: files read before, under this name or another, whose content
  // is still what was read.
  for (TListed& entry : entries) {
    if (entry.IsFolder) continue;
    const std::string path = Name() + entry.Name;
    TAdvRef<TFile> state;
    for (TBefore& old : before)
      if (!old.Claimed && holds(*old.State, entry)) {
        old.Claimed = true;
        state = old.State;
        break;
      }
    if (!state)
      for (size_t i = 0; i < m_departed.size(); ++i)
        if (SameFile(*m_departed[i].State, entry)) {
          state = m_departed[i].State;
          m_departed.erase(m_departed.begin() + std::ptrdiff_t(i));
          break;
        }
    // A state nothing was read of proves nothing: an identity is reused
    // as soon as its file is deleted. Phase 2 looks at the content.
    if (!state || state->Index() == 0) continue;
    if (entry.NeedsHead && ContentReplaced(*state, entry)) {
      // Truncated, rewritten, or the identity reused by a new file.
      depart(state, false);
      continue;
    }
    auto* file = static_cast<TFile*>(Force(path, &TFile::ClassInfo));
    if (!SameFile(*file, entry)) file->TakePosition(*state);
    place(file, entry);
  }

  // States whose file no entry holds any more. They depart before phase 2,
  // so that a copy whose original left in this same interval (copied,
  // truncated and then renamed away, all since the last listing) still
  // goes on from where the original was read to.
  for (TBefore& old : before)
    if (!old.Claimed && old.State->Inode() != 0) depart(old.State, true);

  // Phase 2: content new to this folder, or a copy of content read before.
  for (TListed& entry : entries) {
    if (entry.IsFolder || entry.Placed) continue;
    const std::string path = Name() + entry.Name;
    TFile* live = nullptr;
    size_t pool = m_departed.size();
    for (TFile* file : placed)
      if (file->Index() > 0 && StartsLike(entry, file->Fingerprint())) {
        live = file;
        break;
      }
    if (!live)
      for (size_t i = 0; i < m_departed.size() && pool == m_departed.size(); ++i)
        if (m_departed[i].State->Index() > 0 &&
            StartsLike(entry, m_departed[i].State->Fingerprint()))
          pool = i;
    const TFile* source = live                       ? live
                          : pool < m_departed.size() ? m_departed[pool].State.Get()
                                                     : nullptr;
    auto* file = static_cast<TFile*>(Force(path, &TFile::ClassInfo));
    if (source) {
      // The copy holds the source's bytes up to its size: it goes on from
      // where the source was read to. A copy shorter than that (the writer
      // added to the original after it was copied) holds nothing unread.
      file->TakePosition(*source);
      if (file->Index() > entry.Status.Size) file->SetIndex(entry.Status.Size);
      if (live) {
        // The original is still here: what the copy holds is read through
        // the copy.
        if (live->Index() < entry.Status.Size) live->SetIndex(entry.Status.Size);
      } else {
        m_departed.erase(m_departed.begin() + std::ptrdiff_t(pool));
      }
    } else {
      file->StartOver();
    }
    place(file, entry);
  }

  // Prune files not placed, and sub-folders that are gone (all of them
  // without Recurse).
  for (int i = Inputs().Count() - 1; i >= 0; --i) {
    TInput* child = Inputs().Input(i);
    if (AdvCast<TFolder>(child)) {
      std::string name = child->Name().substr(Name().size());
      if (!name.empty()) name.pop_back();
      bool present = false;
      for (const TListed& entry : entries)
        if (entry.IsFolder && entry.Name == name) present = true;
      if (!present) Inputs().DeleteByIndex(i);
      continue;
    }
    if (std::find(seen.begin(), seen.end(), child->Name()) == seen.end()) Inputs().DeleteByIndex(i);
  }
}
