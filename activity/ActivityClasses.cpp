#include "activity/ActivityClasses.h"

#include "activity/Sessions.h"
#include "activity/Sites.h"
#include "activity/Users.h"

std::vector<TAdvClass> ActivityClasses() {
  return {
      &TSite::ClassInfo,     &TSites::ClassInfo, &TSession::ClassInfo,
      &TSessions::ClassInfo, &TUser::ClassInfo,  &TUsers::ClassInfo,
  };
}
