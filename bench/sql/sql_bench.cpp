// The shop's three statements on a generated shop of 200 000 coupons, through
// the xbase virtual tables and, beside them, on the same rows in native
// SQLite tables with B-tree indexes on the joined and filtered columns.
//
// The shop is generated once into $QX_BENCH_SHOP (default: a folder under the
// system's temporary directory) with the reference fixture's index files
// (same tag names and keys) and reused by later runs.
//
// Google Benchmark runs each statement; a summary of medians with the ratio
// follows.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QDate>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "shopdb/catalogue.h"
#include "shopdb/query_texts.h"
#include "shopdb/sql_handle.h"
#include "sql/connection.h"
#include "sql/test_shop.h"
#include "xbase/table.h"

namespace {

namespace fs = std::filesystem;

constexpr int kCoupons = 200000;
constexpr int kPrinters = 2;
constexpr int kProducts = 5000;
constexpr int kClients = 2000;
constexpr int kSellers = 20;
constexpr int kGroups = 20;
constexpr int kDays = 400;
const QDate kLastDay(2026, 11, 30);

using sqltest::Field;
using sqltest::Index;

std::string Num(long v, int width) {
  std::string s = std::to_string(v);
  return std::string(width > int(s.size()) ? width - s.size() : 0, '0') + s;
}

fs::path ShopDir() {
  if (const char* env = std::getenv("QX_BENCH_SHOP"); env && *env) return env;
  return fs::temp_directory_path() / "qx_sql_bench_shop_v1";
}

// Writes one table with our engine, then its index files by reindex: one
// bulk build per tag instead of 600 000 single inserts.
template <typename FillRow>
void WriteTable(const fs::path& dir, const std::string& name, const std::vector<Field>& fields, int rows,
                const std::vector<Index>& indexes, FillRow fill) {
  const std::string path = (dir / (name + ".DBF")).string();
  xbase::Table::Create(path, sqltest::FieldInfos(fields));
  {
    auto table = xbase::Table::Open(path, {});
    std::mt19937 rng(static_cast<unsigned>(std::hash<std::string>{}(name)));
    for (int r = 0; r < rows; ++r) {
      table->Append();
      fill(*table, r);
      table->Post();
      if (rng() % 500 == 0) table->Delete();  // about 0.2 % deleted, as in the shop
    }
  }
  for (const auto& index : indexes) {
    xbase::TagInfo tag;
    tag.name = index.file;
    tag.key_expression = index.key;
    tag.key_length = sqltest::KeyLength(fields, index.key);
    const std::string cdx = (dir / (index.file + ".CDX")).string();
    xbase::CdxFile::Create(cdx, {tag});
    xbase::OpenOptions options;
    options.index_files = {cdx};
    auto table = xbase::Table::Open(path, options);
    table->Reindex(table->tags().front());
  }
}

struct Coupon {
  std::string number;
  QDate day;
};

void GenerateShop(const fs::path& dir) {
  const fs::path stamp = dir / "complete";
  if (fs::exists(stamp)) return;
  std::fprintf(stderr, "sql_bench: gerando a loja em %s (uma vez)...\n", dir.string().c_str());
  fs::remove_all(dir);
  fs::create_directories(dir);
  const auto started = std::chrono::steady_clock::now();
  std::mt19937 rng(42);
  WriteTable(dir, "SIGRUPO", {{"CODIGO_GRU", 'C', 4, 0}, {"DESC_GRU", 'C', 30, 0}}, kGroups, {},
             [&](xbase::Table& t, int r) {
               t.SetString("CODIGO_GRU", Num(r + 1, 4));
               t.SetString("DESC_GRU", "GRUPO " + std::to_string(r + 1));
             });
  WriteTable(dir, "VENDEDOR",
             {{"CODIGO_VEN", 'C', 4, 0}, {"NOME_VEN", 'C', 40, 0}, {"USUARIO_FP", 'C', 20, 0}, {"SENHA_FP", 'C', 20, 0}},
             kSellers, {{"SICODVEN", "CODIGO_VEN"}, {"SINOMVEN", "NOME_VEN"}}, [&](xbase::Table& t, int r) {
               t.SetString("CODIGO_VEN", Num(r + 1, 4));
               t.SetString("NOME_VEN", "VENDEDOR " + std::to_string(r + 1));
               t.SetString("USUARIO_FP", "usr" + Num(r + 1, 5));
               t.SetString("SENHA_FP", "tst" + Num(r * 7919 % 1000000, 6));
             });
  WriteTable(dir, "CLIENTES",
             {{"CODIGO_CLI", 'C', 6, 0}, {"NOME_CLI", 'C', 40, 0}, {"CPF_CLI", 'C', 14, 0}, {"CIDADE_CLI", 'C', 30, 0}},
             kClients, {{"SICODCLI", "CODIGO_CLI"}}, [&](xbase::Table& t, int r) {
               t.SetString("CODIGO_CLI", Num(r + 1, 6));
               t.SetString("NOME_CLI", "CLIENTE " + std::to_string(r + 1));
               const std::string d = Num((r + 1) * 104729L % 100000000000L, 11);
               t.SetString("CPF_CLI", d.substr(0, 3) + "." + d.substr(3, 3) + "." + d.substr(6, 3) + "-" + d.substr(9));
               t.SetString("CIDADE_CLI", "BELO HORIZONTE");
             });
  WriteTable(dir, "ITEM",
             {{"CODITEM", 'C', 14, 0},   {"DESCRICAO", 'C', 50, 0}, {"QTDE_COMP", 'N', 6, 0}, {"VENDANORM", 'N', 12, 2},
              {"GRUPO", 'C', 4, 0},      {"STATUS_ITM", 'C', 1, 0}, {"UNIDADE", 'C', 3, 0},   {"CDTRIBI", 'C', 3, 0},
              {"CODTRIBUT", 'C', 3, 0},  {"DESCNUM", 'C', 10, 0},   {"SALATUAL", 'N', 12, 3}, {"COD_NCM", 'C', 8, 0},
              {"CODORIG", 'C', 10, 0}},
             kProducts, {{"CODITEM", "CODITEM"}, {"SIDESCIT", "DESCRICAO"}, {"SIORIGIT", "CODORIG"}},
             [&](xbase::Table& t, int r) {
               t.SetString("CODITEM", "789" + Num(r + 1, 10));
               t.SetString("DESCRICAO", "PRODUTO " + std::to_string(r * 31 % kProducts));
               t.SetNumber("QTDE_COMP", 10 + r % 50);
               t.SetNumber("VENDANORM", 1.5 + r % 100);
               t.SetString("GRUPO", Num(r % kGroups + 1, 4));
               t.SetString("STATUS_ITM", "A");
               t.SetString("UNIDADE", "CX");
               t.SetString("CODORIG", Num(r, 10));
             });
  // Coupon numbers count per printer, so a number joins the items of both.
  std::vector<int> items_per_coupon(kCoupons);
  for (auto& n : items_per_coupon) n = 1 + static_cast<int>(rng() % 5);  // 3 on average
  WriteTable(dir, "ECFMOVIM",
             {{"CUPOM", 'C', 6, 0},     {"DATA", 'D', 8, 0},       {"IMPRESSORA", 'C', 3, 0}, {"VENDEDOR", 'C', 4, 0},
              {"CLIENTE", 'C', 6, 0},   {"COD_DSUS", 'C', 19, 0},  {"SOLICIT", 'C', 6, 0},    {"CRM_ECF", 'C', 7, 0},
              {"UF_CRM", 'C', 20, 0},   {"CPFCGC_CLI", 'C', 14, 0}, {"NOME_CLI", 'C', 40, 0}, {"TOTAL", 'N', 12, 2}},
             kCoupons,
             {{"ECFCODMO", "CUPOM+IMPRESSORA"}, {"ECFDATMO", "DTOS(DATA)+CUPOM"}, {"ECFNUMMO", "COD_DSUS"}},
             [&](xbase::Table& t, int r) {
               const int printer = r % kPrinters;
               const int number = r / kPrinters + 1;
               const QDate day = kLastDay.addDays(-(kDays - 1) + static_cast<qint64>(r) * kDays / kCoupons);
               t.SetString("CUPOM", Num(number, 6));
               t.SetDate("DATA", static_cast<xbase::JulianDay>(day.toJulianDay()));
               t.SetString("IMPRESSORA", Num(printer + 1, 3));
               t.SetString("VENDEDOR", Num(r % kSellers + 1, 4));
               t.SetString("CLIENTE", Num(r * 7 % kClients + 1, 6));
               if (r % 50 == 0) t.SetString("SOLICIT", Num(r / 50 + 1, 6));
               t.SetNumber("TOTAL", 10 + r % 200);
             });
  long item_rows = 0;
  for (int n : items_per_coupon) item_rows += n;
  std::vector<int> coupon_of_row;
  coupon_of_row.reserve(item_rows);
  for (int c = 0; c < kCoupons; ++c)
    for (int k = 0; k < items_per_coupon[c]; ++k) coupon_of_row.push_back(c);
  WriteTable(dir, "SIPROECF",
             {{"CUPOM_PRO", 'C', 6, 0}, {"CODPRO_PRO", 'C', 14, 0}, {"QTDE", 'N', 10, 3}, {"VALOR_PRO", 'N', 12, 2}},
             static_cast<int>(item_rows), {{"SIPROCUP", "CUPOM_PRO"}}, [&](xbase::Table& t, int r) {
               const int c = coupon_of_row[r];
               t.SetString("CUPOM_PRO", Num(c / kPrinters + 1, 6));
               t.SetString("CODPRO_PRO", "789" + Num((r * 7 + c) % kProducts + 1, 10));
               t.SetNumber("QTDE", 1 + r % 3);
               t.SetNumber("VALOR_PRO", 2.5 + r % 40);
             });
  std::ofstream(stamp) << "ok\n";
  std::fprintf(stderr, "sql_bench: loja gerada em %.0f s (%ld itens de cupom)\n",
               std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count(), item_rows);
}

// The same rows, copied into native SQLite tables with B-tree indexes.
sqlite3* NativeCopy(sql::Connection& source) {
  sqlite3* db = nullptr;
  sqlite3_open(":memory:", &db);
  const char* tables[] = {"SIGRUPO", "VENDEDOR", "CLIENTES", "ITEM", "ECFMOVIM", "SIPROECF"};
  for (const char* table : tables) {
    sql::Statement st = source.Prepare(std::string("SELECT * FROM ") + table);
    std::string create = std::string("CREATE TABLE ") + table + "(";
    std::string insert = std::string("INSERT INTO ") + table + " VALUES(";
    for (int i = 0; i < st.ColumnCount(); ++i) {
      create += (i ? ", " : "") + st.ColumnName(i);
      insert += i ? ", ?" : "?";
    }
    sqlite3_exec(db, (create + ")").c_str(), nullptr, nullptr, nullptr);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* ins = nullptr;
    sqlite3_prepare_v2(db, (insert + ")").c_str(), -1, &ins, nullptr);
    while (st.Step()) {
      for (int i = 0; i < st.ColumnCount(); ++i) {
        switch (st.ColumnType(i)) {
          case sql::ValueType::kNull:
            sqlite3_bind_null(ins, i + 1);
            break;
          case sql::ValueType::kInteger:
            sqlite3_bind_int64(ins, i + 1, st.ColumnInt64(i));
            break;
          case sql::ValueType::kReal:
            sqlite3_bind_double(ins, i + 1, st.ColumnDouble(i));
            break;
          default:
            sqlite3_bind_text(ins, i + 1, st.ColumnText(i).c_str(), -1, SQLITE_TRANSIENT);
        }
      }
      sqlite3_step(ins);
      sqlite3_reset(ins);
    }
    sqlite3_finalize(ins);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  }
  const char* indexes[] = {
      "CREATE INDEX i1 ON SIPROECF(CUPOM_PRO)", "CREATE INDEX i2 ON ECFMOVIM(CUPOM, IMPRESSORA)",
      "CREATE INDEX i3 ON ECFMOVIM(DATA, CUPOM)", "CREATE INDEX i4 ON CLIENTES(CODIGO_CLI)",
      "CREATE INDEX i5 ON VENDEDOR(CODIGO_VEN)", "CREATE INDEX i6 ON ITEM(CODITEM)",
      "CREATE INDEX i7 ON ITEM(GRUPO)", "CREATE INDEX i8 ON SIGRUPO(CODIGO_GRU)", "ANALYZE"};
  for (const char* s : indexes) sqlite3_exec(db, s, nullptr, nullptr, nullptr);
  return db;
}

struct Bench {
  sql::Connection* shop = nullptr;
  sqlite3* native = nullptr;
  std::vector<Coupon> coupons;  // sample of existing coupons with their day
};
Bench g;

// Runs one statement to its end, reading every column as text; the row count.
int RunXbase(const std::string& text) {
  sql::Statement st = g.shop->Prepare(text);
  int rows = 0;
  size_t bytes = 0;
  while (st.Step()) {
    ++rows;
    for (int i = 0; i < st.ColumnCount(); ++i) bytes += st.ColumnText(i).size();
  }
  benchmark::DoNotOptimize(bytes);
  return rows;
}

int RunNative(const std::string& text) {
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v2(g.native, text.c_str(), -1, &st, nullptr) != SQLITE_OK) {
    std::fprintf(stderr, "native: %s\n", sqlite3_errmsg(g.native));
    std::abort();
  }
  int rows = 0;
  size_t bytes = 0;
  while (sqlite3_step(st) == SQLITE_ROW) {
    ++rows;
    for (int i = 0; i < sqlite3_column_count(st); ++i) {
      const unsigned char* t = sqlite3_column_text(st, i);
      bytes += t ? std::char_traits<char>::length(reinterpret_cast<const char*>(t)) : 0;
    }
  }
  sqlite3_finalize(st);
  benchmark::DoNotOptimize(bytes);
  return rows;
}

std::string CouponText(size_t i) {
  const Coupon& c = g.coupons[i % g.coupons.size()];
  return shopdb::couponLookupText(c.day, QString::fromStdString(c.number)).toStdString();
}

const std::string& NextText() {
  static const std::string text = shopdb::kNextRequestNumberText.toStdString();
  return text;
}
const std::string& ItemText() {
  static const std::string text = shopdb::itemSearchText().toStdString();
  return text;
}

using Runner = int (*)(const std::string&);

void BM_CouponLookup(benchmark::State& state, Runner run) {
  size_t i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(run(CouponText(i++)));
}
void BM_NextRequestNumber(benchmark::State& state, Runner run) {
  for (auto _ : state) benchmark::DoNotOptimize(run(NextText()));
}
void BM_ItemSearch(benchmark::State& state, Runner run) {
  for (auto _ : state) benchmark::DoNotOptimize(run(ItemText()));
}

template <typename F>
double MedianMs(int runs, F f) {
  std::vector<double> ms;
  for (int i = 0; i < runs; ++i) {
    const auto t0 = std::chrono::steady_clock::now();
    f(i);
    ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
  }
  std::nth_element(ms.begin(), ms.begin() + ms.size() / 2, ms.end());
  return ms[ms.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const fs::path dir = ShopDir();
  GenerateShop(dir);
  sql::Connection shop(dir.string());
  for (const auto& entry : shopdb::sqlIndexFiles()) {
    std::vector<std::string> files;
    for (const auto& index : entry.indexes) files.push_back(index.toStdString());
    shop.SetIndexFiles(entry.table.toStdString(), files);
  }
  g.shop = &shop;
  g.native = NativeCopy(shop);
  {
    // Coupons spread over the whole table, with their day.
    sql::Statement st = shop.Prepare("SELECT CUPOM, DATA FROM ECFMOVIM WHERE rowid % 997 = 1");
    while (st.Step()) {
      const std::string day = st.ColumnText(1);
      g.coupons.push_back({st.ColumnText(0), QDate::fromString(QString::fromStdString(day), "dd/MM/yyyy")});
    }
  }
  // Both engines must agree before their speed means anything.
  for (size_t i = 0; i < 20; ++i) {
    const int a = RunXbase(CouponText(i)), b = RunNative(CouponText(i));
    if (a != b || a == 0) {
      std::fprintf(stderr, "sql_bench: resultados diferentes para %s: %d x %d\n", CouponText(i).c_str(), a, b);
      return 1;
    }
  }
  if (RunXbase(ItemText()) != RunNative(ItemText())) {
    std::fprintf(stderr, "sql_bench: busca de itens difere\n");
    return 1;
  }

  benchmark::RegisterBenchmark("CouponLookup/xbase", BM_CouponLookup, &RunXbase);
  benchmark::RegisterBenchmark("CouponLookup/native", BM_CouponLookup, &RunNative);
  benchmark::RegisterBenchmark("NextRequestNumber/xbase", BM_NextRequestNumber, &RunXbase)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("NextRequestNumber/native", BM_NextRequestNumber, &RunNative)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("ItemSearch/xbase", BM_ItemSearch, &RunXbase)->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("ItemSearch/native", BM_ItemSearch, &RunNative)->Unit(benchmark::kMillisecond);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();

  // The main window's path: the SQL handle, QString values, the fields it reads.
  shopdb::SqlHandle handle;
  handle.setDirectory(QString::fromStdString(dir.string()));
  auto handle_lookup = [&](int i) {
    const Coupon& c = g.coupons[static_cast<size_t>(i) % g.coupons.size()];
    handle.close();
    handle.setText(shopdb::couponLookupText(c.day, QString::fromStdString(c.number)));
    handle.open();
    qsizetype n = 0;
    for (handle.first(); !handle.eof(); handle.next())
      n += handle.fieldAsString("COD_DSUS").size() + handle.fieldAsString("CODPRO_PRO").size() +
           handle.fieldAsString("QTDE").size();
    n += handle.fieldAsString("CPF_CLI").size() + handle.fieldAsString("SENHA_FP").size() +
         handle.fieldAsString("USUARIO_FP").size();
    benchmark::DoNotOptimize(n);
  };

  struct Line {
    const char* name;
    int runs;
    std::function<void(int)> xbase, native;
  } lines[] = {
      {"coupon lookup", 201, [](int i) { RunXbase(CouponText(i)); }, [](int i) { RunNative(CouponText(i)); }},
      {"coupon lookup, handle", 201, handle_lookup, [](int i) { RunNative(CouponText(i)); }},
      {"next request number", 21, [](int) { RunXbase(NextText()); }, [](int) { RunNative(NextText()); }},
      {"item search", 21, [](int) { RunXbase(ItemText()); }, [](int) { RunNative(ItemText()); }},
  };
  std::printf("\nMedians on %d coupons (%s):\n", kCoupons, dir.string().c_str());
  std::printf("%-22s %12s %12s %8s\n", "statement", "xbase ms", "native ms", "ratio");
  for (auto& l : lines) {
    const double x = MedianMs(l.runs, l.xbase), n = MedianMs(l.runs, l.native);
    std::printf("%-22s %12.3f %12.3f %8.2f\n", l.name, x, n, x / n);
  }
  sqlite3_close(g.native);
  return 0;
}
