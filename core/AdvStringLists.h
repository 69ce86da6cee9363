// TAdvStringList: an owning object list where every entry also carries a
// text; the list orders and searches by the text (ASCII case ignored unless
// CaseSensitive). Ownership of the objects is as in TAdvList; the object of
// an entry may be null.
//
// Thread safety: none; one thread at a time (see TAdvItems).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/AdvLists.h"

class TAdvStringList : public TAdvList {
  ADV_CLASS(TAdvStringList)

  TAdvStringList() = default;

  const std::string& GetString(int index) const;
  void SetString(int index, std::string text);

  const std::string& Separator() const { return m_separator; }
  void SetSeparator(std::string separator) { m_separator = std::move(separator); }
  bool CaseSensitive() const { return m_caseSensitive; }
  void SetCaseSensitive(bool caseSensitive);
  // The texts joined by Separator; assigning clears and adds each piece
  // with a null object.
  std::string AsText() const;
  void SetAsText(std::string_view text);

  virtual int CompareStrings(std::string_view a, std::string_view b) const;
  int CompareByIndex(int a, int b) const override;
  void DefineEntry(TAdvFiler& filer, int index) override;
  void AssignEntry(const TAdvItems& source, int index) override;
  size_t SizeInBytes() const override;

  // By identity (the list is ordered by text, not by object).
  int IndexOf(TAdvObject* object) const override;
  // Adds the object with an empty text.
  int Add(TAdvObject* object) override;
  void Insert(int index, TAdvObject* object) override { InsertString(index, {}, object); }

  virtual bool FindString(std::string_view text, int& index) const;
  virtual int IndexOfString(std::string_view text) const;
  virtual bool ExistsString(std::string_view text) const { return IndexOfString(text) >= 0; }
  // Takes ownership of `object`; index at which the entry now stands.
  virtual int AddString(std::string text, TAdvObject* object = nullptr);
  virtual void InsertString(int index, std::string text, TAdvObject* object = nullptr);
  // Deletes the entry with this text; "'%s' not found in list" otherwise.
  virtual void DeleteByValue(std::string_view text);

 protected:
  ~TAdvStringList() override;

  void ResizeStorage(int capacity) override;
  void MoveEntries(int from, int to, int count) override;
  void ClearEntries(int from, int count) override;
  void ExchangeEntries(int a, int b) override;
  void DisposeEntry(int index) override;
  size_t SlotSize() const override { return TAdvList::SlotSize() + m_strings.SlotSize(); }

 private:
  TAdvBoxedSlots<std::string> m_strings;  // parallel to the objects
  std::string m_separator = "\r\n";
  bool m_caseSensitive = false;
};
