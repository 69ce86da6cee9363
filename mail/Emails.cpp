#include "mail/Emails.h"

#include "core/AdvFilers.h"

ADV_CLASS_IMPL(TEmail, TAdvNamed)
ADV_CLASS_IMPL(TEmails, TAdvNamedList)

void TEmail::Define(TAdvFiler& filer) {
  TAdvNamed::Define(filer);
  filer.Field("Subject").DefineString(m_subject);
  filer.Field("Body").DefineString(m_body);
}

void TEmail::Assign(const TAdvObject& source) {
  TAdvNamed::Assign(source);
  const auto& other = static_cast<const TEmail&>(source);
  m_subject = other.m_subject;
  m_body = other.m_body;
}
