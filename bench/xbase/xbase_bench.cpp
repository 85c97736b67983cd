// Throughput of the table engine on generated tables (1 000 000 records by
// default; XBASE_BENCH_RECORDS changes it). The generated table and its
// indexes are kept in the temp directory, keyed by size, and copied for the
// benchmarks that write.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>

#include "xbase/dbf_format.h"
#include "xbase/table.h"

namespace {

namespace fs = std::filesystem;
using xbase::FieldInfo;
using xbase::Table;
using xbase::TagInfo;

uint32_t Records() {
  const char* env = std::getenv("XBASE_BENCH_RECORDS");
  const long v = env ? std::atol(env) : 1000000;
  return v > 0 ? static_cast<uint32_t>(v) : 1000000u;
}

const std::vector<FieldInfo> kFields = {
    {"ID", 'C', 10, 0, 0},    {"NOME", 'C', 30, 0, 0}, {"GRUPO", 'C', 4, 0, 0},
    {"VALOR", 'N', 12, 2, 0}, {"DATA", 'D', 8, 0, 0},  {"QTDE", 'N', 8, 0, 0},
};

TagInfo MakeTag(const char* name, const char* expr, int len) {
  TagInfo t;
  t.name = name;
  t.key_expression = expr;
  t.key_length = len;
  return t;
}

std::vector<TagInfo> FiveTags() {
  return {MakeTag("TID", "ID", 10), MakeTag("TNOME", "NOME", 30), MakeTag("TGRP", "GRUPO+DTOS(DATA)", 12),
          MakeTag("TVAL", "VALOR", 8), MakeTag("TDATA", "DTOS(DATA)+ID", 18)};
}
std::vector<TagInfo> ThreeTags() {
  auto all = FiveTags();
  return {all[0], all[1], all[3]};
}

std::string Id(uint32_t i) {
  char b[16];
  std::snprintf(b, sizeof b, "%010u", i * 7919u % 10000019u);
  return b;
}

// One record's bytes, deterministic in i.
std::string Record(const xbase::DbfHeader& h, uint32_t i) {
  std::string r(h.record_length, ' ');
  auto put = [&](int f, const std::string& v) {
    const FieldInfo& fi = h.all_fields[static_cast<size_t>(f)];
    r.replace(static_cast<size_t>(1 + fi.offset), std::min<size_t>(v.size(), size_t(fi.length)), v, 0,
              std::min<size_t>(v.size(), size_t(fi.length)));
  };
  static const char* const kNames[] = {"DIPIRONA", "AMOXICILINA", "LOSARTANA", "METFORMINA", "SINVASTATINA"};
  put(0, Id(i));
  put(1, std::string(kNames[i % 5]) + " " + std::to_string(i % 9973));
  put(2, std::to_string(1000 + i % 40));
  put(3, *xbase::EncodeNumericText((i % 100000) / 100.0, 12, 2));
  put(4, xbase::EncodeDateText(xbase::JulianFromYmd(2020, 1, 1) + static_cast<int>(i % 2000)));
  put(5, *xbase::EncodeNumericText(i % 50, 8, 0));
  return r;
}

// The cached table directory for this size, generated on first use.
fs::path Generated() {
  const uint32_t n = Records();
  const fs::path dir = fs::temp_directory_path() / ("xbase-bench-" + std::to_string(n));
  if (fs::exists(dir / "ready")) return dir;
  fs::remove_all(dir);
  fs::create_directories(dir);
  std::fprintf(stderr, "generating %u records in %s ...\n", n, dir.c_str());
  xbase::DbfHeader h = xbase::MakeDbfHeader(kFields, "BENCH.DBF");
  h.record_count = n;
  h.update_year = 2026;
  std::string bytes = xbase::EncodeDbfHeader(h);
  {
    std::FILE* f = std::fopen((dir / "BENCH.DBF").c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    for (uint32_t i = 1; i <= n; ++i) {
      const std::string r = Record(h, i);
      std::fwrite(r.data(), 1, r.size(), f);
    }
    std::fputc(0x1A, f);
    std::fclose(f);
  }
  xbase::CdxFile::Create((dir / "A5.CDX").string(), FiveTags());
  xbase::CdxFile::Create((dir / "E3.CDX").string(), ThreeTags());
  xbase::OpenOptions opt;
  opt.index_files = {"A5", "E3"};
  auto t = Table::Open((dir / "BENCH.DBF").string(), opt);
  for (const auto& tag : t->tags()) t->Reindex(tag);
  t.reset();
  std::FILE* ready = std::fopen((dir / "ready").c_str(), "w");
  std::fclose(ready);
  return dir;
}

// A writable copy of the generated files, fresh for each benchmark run.
fs::path ScratchCopy() {
  const fs::path from = Generated();
  const fs::path to = fs::temp_directory_path() / ("xbase-bench-work-" + std::to_string(::getpid()));
  fs::remove_all(to);
  fs::create_directories(to);
  for (const char* f : {"BENCH.DBF", "A5.CDX", "E3.CDX"}) fs::copy_file(from / f, to / f);
  return to;
}

void Rate(benchmark::State& state, int64_t records) {
  state.counters["records/s"] = benchmark::Counter(static_cast<double>(records), benchmark::Counter::kIsRate);
}

void BM_FullScan(benchmark::State& state) {
  xbase::OpenOptions opt;
  opt.read_only = true;
  auto t = Table::Open((Generated() / "BENCH.DBF").string(), opt);
  int64_t total = 0;
  for (auto _ : state) {
    double sum = 0;
    for (t->First(); !t->Eof(); t->Next()) {
      sum += *t->GetNumber("VALOR");
      ++total;
    }
    benchmark::DoNotOptimize(sum);
  }
  Rate(state, total);
}

void BM_Seek(benchmark::State& state) {
  xbase::OpenOptions opt;
  opt.read_only = true;
  opt.index_files = {"A5"};
  auto t = Table::Open((Generated() / "BENCH.DBF").string(), opt);
  const Table::Tag* tag = t->FindTag("TID");
  std::mt19937 rng(42);
  std::uniform_int_distribution<uint32_t> pick(1, Records());
  int64_t found = 0, total = 0;
  for (auto _ : state) {
    found += static_cast<int64_t>(t->SeekPrefix(*tag, Id(pick(rng))).size());
    ++total;
  }
  if (found != total) state.SkipWithError("a generated key was not found");
  Rate(state, total);
}

// A lookup as the shop's code makes it: seek a key, go to each record found
// and read a field. The argument bounds the records looked up (0: all of
// them), as a shop keeps looking up its day's items.
void BM_SeekAndGo(benchmark::State& state) {
  xbase::OpenOptions opt;
  opt.index_files = {"A5"};
  auto t = Table::Open((Generated() / "BENCH.DBF").string(), opt);
  const Table::Tag* tag = t->FindTag("TID");
  std::mt19937 rng(42);
  const uint32_t span = state.range(0) > 0 ? std::min<uint32_t>(Records(), uint32_t(state.range(0))) : Records();
  std::uniform_int_distribution<uint32_t> pick(1, span);
  int64_t found = 0, total = 0;
  for (auto _ : state) {
    const std::string id = Id(pick(rng));
    for (uint32_t r : t->SeekPrefix(*tag, id)) {
      t->Go(r);
      found += t->GetString("ID") == id ? 1 : 0;
    }
    ++total;
  }
  if (found != total) state.SkipWithError("a generated key was not found");
  Rate(state, total);
}

void BM_EditThreeTags(benchmark::State& state) {
  const fs::path dir = ScratchCopy();
  xbase::OpenOptions opt;
  opt.index_files = {"E3"};
  auto t = Table::Open((dir / "BENCH.DBF").string(), opt);
  std::mt19937 rng(7);
  std::uniform_int_distribution<uint32_t> pick(1, Records());
  int64_t total = 0;
  for (auto _ : state) {
    const uint32_t r = pick(rng);
    t->Go(r);
    t->Edit();
    t->SetString("NOME", "EDITADO " + std::to_string(total));
    t->SetNumber("VALOR", static_cast<double>(total % 1000));
    t->Post();
    ++total;
  }
  Rate(state, total);
  t.reset();
  fs::remove_all(dir);
}

void BM_AppendFiveTags(benchmark::State& state) {
  const fs::path dir = ScratchCopy();
  xbase::OpenOptions opt;
  opt.index_files = {"A5"};
  auto t = Table::Open((dir / "BENCH.DBF").string(), opt);
  int64_t total = 0;
  for (auto _ : state) {
    const uint32_t i = Records() + static_cast<uint32_t>(total) + 1;
    t->Append();
    t->SetString("ID", Id(i));
    t->SetString("NOME", "NOVO " + std::to_string(i));
    t->SetString("GRUPO", "9999");
    t->SetNumber("VALOR", i % 1000);
    t->SetDate("DATA", xbase::JulianFromYmd(2026, 12, 11));
    t->Post();
    ++total;
  }
  Rate(state, total);
  t.reset();
  fs::remove_all(dir);
}

BENCHMARK(BM_FullScan)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Seek)->UseRealTime();
BENCHMARK(BM_SeekAndGo)->Arg(0)->Arg(1000)->UseRealTime();
BENCHMARK(BM_EditThreeTags)->UseRealTime();
BENCHMARK(BM_AppendFiveTags)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
