// TGenerator writes a list view as a plain-text report: a header the caller
// supplies, the view's visible columns and rows as a fixed-width table, and a
// closing signature. The application owns one for its whole run and uses it
// to put a view into the body of an e-mail.
//
// Use: set Path (and Title), then Open, Text(header), Table(view), Close.
// Close also belongs after a failure between Open and Close; it then keeps
// what was written so far. Missing folders of Path are created.
//
// Thread safety: one thread at a time.
#pragma once

#include <string>
#include <string_view>

#include "documents/AdvDocuments.h"
#include "documents/ListViewTables.h"

class TGenerator : public TAdvObject {
  ADV_CLASS(TGenerator)

  TGenerator();

  // The full path of the file to write.
  std::string Path;
  // Given to the document; plain text does not print it.
  std::string Title;
  // The signature lines written by Close.
  std::string ProductTitle = "Vexa 2.2";
  std::string WebAddress = "https://www.varnex.example/vexa/";
  std::string SupportAddress = "support@varnex.example";

  TAdvText& Document() const { return *m_document; }
  TWindowsVolume& Folder() const { return *m_folder; }

  // Creates the file anew (and its folders); raises the folder's errors.
  virtual void Open();
  // Writes the signature and finishes the file.
  virtual void Close();
  // Written as it is, without a line end.
  void Text(std::string_view text);
  void Table(const TListViewSource& view);

 protected:
  ~TGenerator() override = default;

 private:
  TAdvRef<TAdvText> m_document;
  TAdvRef<TWindowsVolume> m_folder;  // Mode 2 (create)
};
