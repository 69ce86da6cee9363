#include "core/AdvStreamClasses.h"

#include "core/AdvBuffers.h"
#include "core/AdvMemories.h"

std::vector<TAdvClass> CoreStreamClasses() {
  return {&TAdvBuffer::ClassInfo, &TAdvBuffers::ClassInfo, &TAdvMemory::ClassInfo};
}
