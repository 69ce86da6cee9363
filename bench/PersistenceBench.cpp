// Saving and loading a list of 100 000 persistent objects in the XML and the
// tagged binary formats, through files, as configuration and state files are.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "core/AdvBinaryFilers.h"
#include "core/AdvFactories.h"
#include "core/AdvLists.h"
#include "core/AdvXMLFilers.h"

namespace {

class TBenchRecord : public TAdvNamed {
  ADV_CLASS(TBenchRecord)
  int32_t Hits = 0;
  double When = 0;
  bool Enabled = true;
  std::string Comment;
  void Define(TAdvFiler& filer) override {
    TAdvNamed::Define(filer);
    filer.Field("Hits").DefineInteger(Hits);
    filer.Field("When").DefineReal(When);
    filer.Field("Enabled").DefineBoolean(Enabled);
    filer.Field("Comment").DefineString(Comment);
  }
};
ADV_CLASS_IMPL(TBenchRecord, TAdvNamed)

constexpr int kObjects = 100000;

TAdvRef<TAdvList> MakeList() {
  auto list = AdvNew<TAdvList>();
  for (int i = 0; i < kObjects; ++i) {
    auto* record = new TBenchRecord();
    record->SetName("user" + std::to_string(i) + ".example.com");
    record->Hits = i;
    record->When = 46000.5 + i / 86400.0;
    record->Comment = "a <comment> & more";
    list->Add(record);
  }
  return list;
}

std::string FileName(const char* kind) {
  return (std::filesystem::temp_directory_path() / (std::string("vexa-bench-") + kind)).string();
}

void Setup() {
  RegisterCoreClasses();
  AdvFactory().Register(&TBenchRecord::ClassInfo);
}

void Save(benchmark::State& state, TAdvClass writer, const char* kind) {
  Setup();
  auto list = MakeList();
  const std::string name = FileName(kind);
  for (auto _ : state) list->SaveToFile(name, writer);
  state.counters["objects/s"] =
      benchmark::Counter(double(kObjects) * state.iterations(), benchmark::Counter::kIsRate);
  state.counters["bytes"] = double(std::filesystem::file_size(name));
}

void Load(benchmark::State& state, TAdvClass writer, TAdvClass reader, const char* kind) {
  Setup();
  const std::string name = FileName(kind);
  MakeList()->SaveToFile(name, writer);
  for (auto _ : state) {
    auto list = AdvNew<TAdvList>();
    list->LoadFromFile(name, reader);
    if (list->Count() != kObjects) state.SkipWithError("wrong count");
  }
  state.counters["objects/s"] =
      benchmark::Counter(double(kObjects) * state.iterations(), benchmark::Counter::kIsRate);
  std::remove(name.c_str());
}

void BM_SaveXml(benchmark::State& s) { Save(s, &TAdvXMLWriter::ClassInfo, "xml"); }
void BM_LoadXml(benchmark::State& s) {
  Load(s, &TAdvXMLWriter::ClassInfo, &TAdvXMLReader::ClassInfo, "xml");
}
void BM_SaveBinary(benchmark::State& s) { Save(s, &TAdvWriter::ClassInfo, "bin"); }
void BM_LoadBinary(benchmark::State& s) {
  Load(s, &TAdvWriter::ClassInfo, &TAdvReader::ClassInfo, "bin");
}

BENCHMARK(BM_SaveXml)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadXml)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveBinary)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadBinary)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
