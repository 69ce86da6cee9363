#include "monitor/HitFilters.h"

#include "core/AdvFactories.h"
#include "core/AdvFilers.h"
#include "core/AdvXMLFilers.h"
#include "monitor/Hits.h"

ADV_EXCEPTION_IMPL(EFilter, EAdvanced)
ADV_CLASS_IMPL(TFilter, TAdvNamed)
ADV_CLASS_IMPL(TSuccessFilter, TFilter)
ADV_CLASS_IMPL(TCategoryFilter, TFilter)
ADV_CLASS_IMPL(TProfileFilter, TCategoryFilter)
ADV_CLASS_IMPL(TDepartmentFilter, TCategoryFilter)
ADV_CLASS_IMPL(TProtocolFilter, TCategoryFilter)
ADV_CLASS_IMPL(TFilters, TAdvNamedList)

namespace {

constexpr std::string_view kCategorySeparator = ", ";

// Unsorted (the user's order is kept), ASCII case ignored, one copy of each
// name.
TAdvRef<TAdvStrings> NewCategoryList() {
  TAdvRef<TAdvStrings> list = AdvNew<TAdvStrings>();
  list->SetDuplicates(TAdvDuplicates::Ignore);
  list->SetCaseSensitive(false);
  list->SetSeparator(std::string(kCategorySeparator));
  return list;
}

// A list read from a file is a plain string list with the stored settings;
// the filter's rules (case, duplicates, separator) are put back by copying
// its names into a fresh list.
TAdvRef<TAdvStrings> Normalised(const TAdvStrings* loaded) {
  TAdvRef<TAdvStrings> list = NewCategoryList();
  if (loaded)
    for (int i = 0; i < loaded->Count(); ++i) list->Add(loaded->GetItem(i));
  return list;
}

}  // namespace

// ---------------------------------------------------------------------------
// TFilter

bool TFilter::Passes(const THit&) const {
  return true;
}

bool TFilter::IsActive() const {
  return m_enabled;
}

bool TFilter::Contains(std::string_view) const {
  return false;
}

void TFilter::Define(TAdvFiler& filer) {
  TAdvNamed::Define(filer);
  filer.Field("Enabled").DefineBoolean(m_enabled);
}

void TFilter::Assign(const TAdvObject& source) {
  TAdvNamed::Assign(source);
  m_enabled = static_cast<const TFilter&>(source).m_enabled;
}

bool TSuccessFilter::Passes(const THit& hit) const {
  return !hit.Failed();
}

// ---------------------------------------------------------------------------
// TCategoryFilter

TCategoryFilter::TCategoryFilter() : m_includes(NewCategoryList()), m_excludes(NewCategoryList()) {}

std::string TCategoryFilter::CategoryOf(const THit&) const {
  return {};
}

bool TCategoryFilter::Passes(const THit& hit) const {
  return Contains(CategoryOf(hit));
}

bool TCategoryFilter::IsActive() const {
  return m_includes->Count() > 0 && m_excludes->Count() > 0;
}

bool TCategoryFilter::Contains(std::string_view name) const {
  return m_includes->Exists(name);
}

void TCategoryFilter::Define(TAdvFiler& filer) {
  TFilter::Define(filer);
  filer.Field("Includes").DefineObjectRef(m_includes);
  filer.Field("Excludes").DefineObjectRef(m_excludes);
  if (filer.IsReader()) {
    // Also covers a list stored as nil.
    m_includes = Normalised(m_includes.Get());
    m_excludes = Normalised(m_excludes.Get());
  }
}

void TCategoryFilter::Assign(const TAdvObject& source) {
  TFilter::Assign(source);
  const auto& other = static_cast<const TCategoryFilter&>(source);
  m_includes = Normalised(other.m_includes.Get());
  m_excludes = Normalised(other.m_excludes.Get());
}

std::string TProfileFilter::CategoryOf(const THit& hit) const {
  return std::string(hit.Profile());
}

std::string TDepartmentFilter::CategoryOf(const THit& hit) const {
  // Every hit's record has the department field; the engine fills it.
  return std::string(hit.Data().Department.View());
}

std::string TProtocolFilter::CategoryOf(const THit& hit) const {
  return std::string(HitProtocolName(hit.Protocol()));
}

// ---------------------------------------------------------------------------
// TFilters

bool TFilters::Passes(const THit& hit) const {
  for (int i = 0; i < Count(); ++i)
    if (!Filter(i)->Passes(hit)) return false;
  return true;
}

void TFilters::Replace(int index, TFilter* filter) {
  if (!filter) Error("Replace", "Filter not assigned");
  if (!ExistsByIndex(index))
    Error("Replace", "Index " + std::to_string(index) + " out of bounds (0.." +
                         std::to_string(Count() - 1) + ")");
  TAdvObject* old = GetItem(index);
  SetItem(index, filter);
  TAdvObject::Release(old);
}

void TFilters::Build(std::initializer_list<TFilter*> candidates) {
  Clear();
  for (TFilter* candidate : candidates) {
    if (!candidate || !candidate->Enabled() || !candidate->IsActive()) continue;
    candidate->Retain();
    try {
      Add(candidate);
    } catch (...) {
      candidate->Release();
      throw;
    }
  }
}

void TFilters::Load(TAdvFiler& filer) {
  TAdvNamedList::Load(filer);
  for (int i = Count() - 1; i >= 0; --i)
    if (!GetItem(i)) DeleteByIndex(i);
}

void TFilters::SaveToFile(const std::string& fileName) {
  TAdvPersistent::SaveToFile(fileName, &TAdvXMLWriter::ClassInfo);
}

void TFilters::LoadFromFile(const std::string& fileName) {
  TAdvPersistent::LoadFromFile(fileName, &TAdvXMLReader::ClassInfo);
}

void RegisterFilterClasses() {
  AdvFactory().RegisterAll({&TFilter::ClassInfo, &TSuccessFilter::ClassInfo,
                            &TCategoryFilter::ClassInfo, &TProfileFilter::ClassInfo,
                            &TDepartmentFilter::ClassInfo, &TProtocolFilter::ClassInfo,
                            &TFilters::ClassInfo});
}
