// TAdvStrings: a list of texts, ordered (when Sorted) ignoring ASCII case
// unless CaseSensitive is set. The whole list reads and writes as one text
// joined by Separator ("\r\n" by default), and as a text file of one line per
// entry.
//
// Thread safety: none; one thread at a time (see TAdvItems).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/AdvItems.h"
#include "core/AdvSlots.h"

// Calls `add` for every piece of `text` between occurrences of `separator`
// (ordinal match); a final empty piece is skipped. An empty separator yields
// the whole text as one piece.
void AdvSplitText(std::string_view text, std::string_view separator,
                  TAdvFunctionRef<void(std::string_view piece)> add);

class TAdvStrings : public TAdvItems {
  ADV_CLASS(TAdvStrings)

  using TextCompare = TAdvFunctionRef<int(const std::string& a, const std::string& b)>;

  TAdvStrings() = default;

  const std::string& GetItem(int index) const;
  void SetItem(int index, std::string text);

  const std::string& Separator() const { return m_separator; }
  void SetSeparator(std::string separator) { m_separator = std::move(separator); }
  bool CaseSensitive() const { return m_caseSensitive; }
  // Changing the comparison re-sorts a sorted list.
  void SetCaseSensitive(bool caseSensitive);

  // Every entry joined by Separator, nothing after the last.
  std::string AsText() const;
  // Clears the list and adds every piece of `text` split at Separator.
  void SetAsText(std::string_view text);

  using TAdvItems::Sort;
  void Sort(TextCompare compare);

  // Ordinal or ASCII-case-insensitive by CaseSensitive.
  virtual int CompareEntries(std::string_view a, std::string_view b) const;
  int CompareByIndex(int a, int b) const override;
  void DefineEntry(TAdvFiler& filer, int index) override;
  void AssignEntry(const TAdvItems& source, int index) override;
  int Limit() const override { return 536870910; }
  size_t SizeInBytes() const override;

  // The persisted-object entry points with a filer class stay available.
  using TAdvPersistent::LoadFromFile;
  using TAdvPersistent::SaveToFile;
  // Writes one line per entry ("\n" endings), atomically: a temporary file
  // beside `fileName` renamed over it.
  void SaveToFile(const std::string& fileName) override;
  // Adds (with Add) one entry per line; "\r\n" and "\n" endings both read.
  void LoadFromFile(const std::string& fileName) override;
  // True when an equal text exists; `index` is its index, or where it would go.
  virtual bool Find(std::string_view text, int& index) const;
  virtual int IndexOf(std::string_view text) const;
  virtual bool Exists(std::string_view text) const { return IndexOf(text) >= 0; }
  // Index at which the text now stands (see Duplicates).
  virtual int Add(std::string text);
  virtual void AddAll(const TAdvStrings& strings);
  // Places the text at `index` (0..Count) without order or duplicate checks.
  virtual void Insert(int index, std::string text);
  // Deletes the entry Find locates; "'%s' not found in list" otherwise.
  virtual void DeleteByValue(std::string_view text);

 protected:
  ~TAdvStrings() override = default;

  void ResizeStorage(int capacity) override { m_items.Resize(capacity); }
  void MoveEntries(int from, int to, int count) override { m_items.Move(from, to, count); }
  void ClearEntries(int from, int count) override { m_items.Clear(from, count); }
  void ExchangeEntries(int a, int b) override { m_items.Swap(a, b); }
  void DisposeEntry(int index) override { m_items.Dispose(index); }
  size_t SlotSize() const override { return m_items.SlotSize(); }

 private:
  // Boxed: a sorted insert into a long list moves pointers, not texts.
  TAdvBoxedSlots<std::string> m_items;
  std::string m_separator = "\r\n";
  bool m_caseSensitive = false;
};
