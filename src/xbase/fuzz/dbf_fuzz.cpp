// libFuzzer target: a DBF file's header and records, as Table reads them.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "xbase/table.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = "/tmp/dbf_fuzz_" + std::to_string(::getpid()) + ".DBF";
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  try {
    xbase::OpenOptions opt;
    opt.read_only = true;
    auto t = xbase::Table::Open(path, opt);
    const uint32_t n = t->RecordCount();
    for (uint32_t r = 1; r <= n && r <= 2000; ++r) {
      t->Go(r);
      for (const auto& field : t->fields()) {
        try {
          (void)t->GetString(field.name);
          (void)t->GetNumber(field.name);
        } catch (const xbase::Error&) {
        }
      }
    }
    if (!t->fields().empty()) {
      t->SetFilter("!EMPTY(" + t->fields().front().name + ")");
      for (t->First(); !t->Eof(); t->Next()) {
      }
    }
  } catch (const xbase::Error&) {
  }
  return 0;
}
