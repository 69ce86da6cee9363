// TEmail: a named message template (subject and body text), and TEmails,
// a list of them ordered by name. Stored as "Name", "Subject", "Body"; kept
// so that stored configurations that hold them still read.
//
// Thread safety: none; one thread at a time.
#pragma once

#include <string>

#include "core/AdvLists.h"

class TEmail : public TAdvNamed {
  ADV_CLASS(TEmail)

  void Define(TAdvFiler& filer) override;
  void Assign(const TAdvObject& source) override;

  const std::string& Subject() const { return m_subject; }
  void SetSubject(const std::string& subject) { m_subject = subject; }
  const std::string& Body() const { return m_body; }
  void SetBody(const std::string& body) { m_body = body; }

 private:
  std::string m_subject;
  std::string m_body;
};

class TEmails : public TAdvNamedList {
  ADV_CLASS(TEmails)

  TAdvClass ItemClass() const override { return &TEmail::ClassInfo; }
};
