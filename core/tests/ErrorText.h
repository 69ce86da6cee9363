// The full message of the EAdvanced an action raises, or "(no error)".
#pragma once

#include <functional>
#include <string>

#include "core/AdvObjects.h"

inline std::string MessageOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const EAdvanced& e) {
    return e.what();
  }
  return "(no error)";
}
