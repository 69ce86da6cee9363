#include "mail/MailClasses.h"

#include "core/AdvFactories.h"
#include "mail/EmailSettings.h"
#include "mail/EmailTasks.h"
#include "mail/Emails.h"

void RegisterMailClasses() {
  AdvFactory().Register(&TEmailSettings::ClassInfo);
  AdvFactory().Register(&TEmailTask::ClassInfo);
  AdvFactory().Register(&TEmail::ClassInfo);
  AdvFactory().Register(&TEmails::ClassInfo);
}
