// xbase-tool COMMAND TABLE.DBF [-i INDEX.CDX]... ARGS
//
// Looks into and repairs a shop's DBF tables and CDX indexes. Text on the
// terminal is UTF-8; the files hold Windows-1252. Exit status: 0 done,
// 1 a fault found (check) or nothing found (seek), 2 a usage error or a
// failure (the message says which).
#include <QByteArray>
#include <QString>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "xbase/cdx_index.h"
#include "xbase/dbf_format.h"
#include "xbase/tag_check.h"
#include "xbase/table.h"

namespace {

const char kUsage[] =
    "uso: xbase-tool COMANDO TABELA.DBF [-i INDICE.CDX]... ARGUMENTOS\n"
    "  info                         cabeçalho, campos e tags\n"
    "  dump [--tag TAG] [--csv]     registros (na ordem da tag)\n"
    "  seek --tag TAG VALOR         registros cuja chave começa com VALOR\n"
    "  check                        confere todas as tags abertas\n"
    "  reindex [--tag TAG]          reconstrói as tags a partir das expressões\n"
    "  set RECNO CAMPO=VALOR...     altera um registro\n"
    "  append CAMPO=VALOR...        inclui um registro\n"
    "  delete RECNO | recall RECNO  marca / desmarca a exclusão\n"
    "Datas como dd/mm/aaaa, números com ponto ou vírgula.\n";

struct UsageError {
  std::string text;
};

std::string Utf8(std::string_view ansi) {
  return platform::fromAnsi(QByteArrayView(ansi.data(), static_cast<qsizetype>(ansi.size()))).toStdString();
}
std::string Ansi(const std::string& utf8) { return platform::toAnsi(QString::fromStdString(utf8)).toStdString(); }

uint32_t ParseRecno(const std::string& s) {
  char* end = nullptr;
  const unsigned long v = std::strtoul(s.c_str(), &end, 10);
  if (s.empty() || *end != '\0' || v == 0 || v > 0xFFFFFFFFul) throw UsageError{"número de registro inválido: " + s};
  return static_cast<uint32_t>(v);
}

std::string Csv(const std::string& v) {
  if (v.find_first_of(",\"\n\r") == std::string::npos) return v;
  std::string out = "\"";
  for (char c : v) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

void PrintRecord(xbase::Table& t, bool csv) {
  std::string line = std::to_string(t.RecNo());
  line += csv ? "," : " | ";
  line += t.Deleted() ? "*" : "";
  for (const auto& f : t.fields()) {
    const std::string v = Utf8(t.GetString(f.name));
    line += csv ? "," + Csv(v) : " | " + v;
  }
  std::cout << line << '\n';
}

void PrintHeaderLine(const xbase::Table& t, bool csv) {
  std::string line = csv ? "RECNO,DEL" : "RECNO | DEL";
  for (const auto& f : t.fields()) line += (csv ? "," : " | ") + f.name;
  std::cout << line << '\n';
}

const xbase::Table::Tag& RequireTag(const xbase::Table& t, const std::string& name) {
  const xbase::Table::Tag* tag = t.FindTag(name);
  if (tag == nullptr) throw xbase::Error("tag " + name + " não encontrada nos índices abertos");
  return *tag;
}

void SetFields(xbase::Table& t, const std::vector<std::string>& assignments) {
  if (assignments.empty()) throw UsageError{"informe CAMPO=VALOR"};
  for (const std::string& a : assignments) {
    const auto eq = a.find('=');
    if (eq == std::string::npos || eq == 0) throw UsageError{"esperado CAMPO=VALOR: " + a};
    t.SetFromText(a.substr(0, eq), Ansi(a.substr(eq + 1)));
  }
}

int Info(xbase::Table& t) {
  std::FILE* f = std::fopen(t.path().c_str(), "rb");
  if (f == nullptr) throw xbase::Error("Tabela " + t.path() + ": não pode ser lida");
  std::string head(65536, '\0');
  const size_t n = std::fread(head.data(), 1, head.size(), f);
  std::fseek(f, 0, SEEK_END);
  const long size = std::ftell(f);
  std::fclose(f);
  head.resize(n);
  const xbase::DbfHeader h = xbase::ParseDbfHeader(head, static_cast<uint64_t>(size), t.path());
  std::printf("tabela: %s\n", t.path().c_str());
  std::printf("versão: 0x%02X\n", h.version);
  std::printf("última alteração: %02d/%02d/%04d\n", h.update_day, h.update_month, h.update_year);
  std::printf("registros: %u\n", t.RecordCount());
  std::printf("cabeçalho: %u bytes; registro: %u bytes; flags 0x%02X; código de página %u\n", h.header_length,
              h.record_length, h.flags, h.codepage);
  std::printf("campos:\n");
  for (const auto& fi : t.fields())
    std::printf("  %-10s %c %3d %2d\n", fi.name.c_str(), fi.type, fi.length, fi.decimals);
  if (!t.tags().empty()) std::printf("tags:\n");
  for (const auto& tag : t.tags()) {
    const auto& i = tag.info();
    std::string flags;
    if (i.unique) flags += " unique";
    if (i.candidate) flags += " candidate";
    if (i.descending) flags += " descending";
    if (!i.machine_collation) flags += " collation-não-binária";
    std::printf("  %-10s %s: %s%s%s (chave %d, tipo %c)%s\n", i.name.c_str(),
                tag.file->path().substr(tag.file->path().find_last_of('/') + 1).c_str(), i.key_expression.c_str(),
                i.for_expression.empty() ? "" : " FOR ", i.for_expression.c_str(), i.key_length, t.KeyType(tag),
                flags.c_str());
  }
  return 0;
}

int Run(int argc, char** argv) {
  if (argc < 3) throw UsageError{"faltam argumentos"};
  const std::string command = argv[1];
  const std::string table_path = argv[2];
  xbase::OpenOptions options;
  std::vector<std::string> args;
  for (int i = 3; i < argc; ++i) {
    if (std::strcmp(argv[i], "-i") == 0) {
      if (i + 1 >= argc) throw UsageError{"-i precisa do nome do índice"};
      options.index_files.push_back(argv[++i]);
    } else {
      args.push_back(argv[i]);
    }
  }
  auto take_option = [&](const char* name) -> std::optional<std::string> {
    for (size_t i = 0; i < args.size(); ++i) {
      if (args[i] != name) continue;
      if (i + 1 >= args.size()) throw UsageError{std::string(name) + " precisa de um valor"};
      std::string v = args[i + 1];
      args.erase(args.begin() + static_cast<long>(i), args.begin() + static_cast<long>(i) + 2);
      return v;
    }
    return std::nullopt;
  };
  auto take_flag = [&](const char* name) {
    for (size_t i = 0; i < args.size(); ++i)
      if (args[i] == name) {
        args.erase(args.begin() + static_cast<long>(i));
        return true;
      }
    return false;
  };
  const bool reads_only = command == "info" || command == "dump" || command == "seek" || command == "check";
  options.read_only = reads_only;
  auto t = xbase::Table::Open(table_path, options);

  if (command == "info") {
    if (!args.empty()) throw UsageError{"info não leva argumentos"};
    return Info(*t);
  }
  if (command == "dump") {
    const auto tag_name = take_option("--tag");
    const bool csv = take_flag("--csv");
    if (!args.empty()) throw UsageError{"argumento inesperado: " + args[0]};
    PrintHeaderLine(*t, csv);
    if (tag_name) {
      const auto& tag = RequireTag(*t, *tag_name);
      std::vector<uint32_t> order;
      for (auto c = tag.file->First(tag.index); c->Valid(); c->Next()) order.push_back(c->recno());
      for (uint32_t r : order) {
        t->Go(r);
        if (!t->Eof()) PrintRecord(*t, csv);
      }
    } else {
      for (uint32_t r = 1; r <= t->RecordCount(); ++r) {
        t->Go(r);
        PrintRecord(*t, csv);
      }
    }
    return 0;
  }
  if (command == "seek") {
    const auto tag_name = take_option("--tag");
    if (!tag_name || args.size() != 1) throw UsageError{"uso: seek --tag TAG VALOR"};
    const auto& tag = RequireTag(*t, *tag_name);
    std::string key;
    switch (t->KeyType(tag)) {
      case 'N': {
        std::string v = args[0];
        for (char& c : v)
          if (c == ',') c = '.';
        char* end = nullptr;
        const double d = std::strtod(v.c_str(), &end);
        if (v.empty() || *end != '\0') throw UsageError{"número inválido: " + args[0]};
        key = xbase::EncodeNumericKey(d);
        break;
      }
      case 'D': {
        const xbase::JulianDay d = xbase::ParseBritishDate(args[0]);
        if (d < 0) throw UsageError{"data inválida: " + args[0]};
        key = xbase::EncodeDateKey(d);
        break;
      }
      case 'C': key = Ansi(args[0]); break;
      default: throw xbase::Error("as chaves da tag " + tag.info().name + " não podem ser calculadas");
    }
    const auto found = t->SeekPrefix(tag, key);
    PrintHeaderLine(*t, false);
    for (uint32_t r : found) {
      t->Go(r);
      PrintRecord(*t, false);
    }
    if (found.empty()) {
      std::cerr << "nenhum registro encontrado\n";
      return 1;
    }
    return 0;
  }
  if (command == "check") {
    if (!args.empty()) throw UsageError{"check não leva argumentos"};
    if (t->tags().empty()) throw UsageError{"nenhum índice aberto (use -i INDICE.CDX)"};
    int faults = 0;
    for (const auto& tag : t->tags()) {
      const auto found = xbase::CheckTag(*t, tag);
      if (found.empty()) {
        std::cout << "tag " << tag.info().name << ": ok\n";
      } else {
        ++faults;
        for (const auto& f : found) std::cout << Utf8(f) << '\n';
      }
    }
    return faults == 0 ? 0 : 1;
  }
  if (command == "reindex") {
    const auto tag_name = take_option("--tag");
    if (!args.empty()) throw UsageError{"argumento inesperado: " + args[0]};
    if (t->tags().empty()) throw UsageError{"nenhum índice aberto (use -i INDICE.CDX)"};
    const xbase::Table::Tag* only = tag_name ? &RequireTag(*t, *tag_name) : nullptr;
    for (const auto& tag : t->tags()) {
      if (only != nullptr && (tag.file != only->file || tag.index != only->index)) continue;
      t->Reindex(tag);
      std::cout << "tag " << tag.info().name << ": reconstruída\n";
    }
    return 0;
  }
  if (command == "set") {
    if (args.empty()) throw UsageError{"uso: set RECNO CAMPO=VALOR..."};
    const uint32_t r = ParseRecno(args[0]);
    t->Go(r);
    if (t->Eof()) throw xbase::Error("registro " + args[0] + " não existe");
    t->Edit();
    SetFields(*t, std::vector<std::string>(args.begin() + 1, args.end()));
    t->Post();
    return 0;
  }
  if (command == "append") {
    t->Append();
    SetFields(*t, args);
    t->Post();
    std::cout << t->RecNo() << '\n';
    return 0;
  }
  if (command == "delete" || command == "recall") {
    if (args.size() != 1) throw UsageError{"uso: " + command + " RECNO"};
    const uint32_t r = ParseRecno(args[0]);
    t->Go(r);
    if (t->Eof()) throw xbase::Error("registro " + args[0] + " não existe");
    if (command == "delete") t->Delete();
    else t->Recall();
    return 0;
  }
  throw UsageError{"comando desconhecido: " + command};
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(argc, argv);
  } catch (const UsageError& e) {
    std::cerr << "xbase-tool: " << e.text << "\n" << kUsage;
    return 2;
  } catch (const std::exception& e) {
    std::cerr << "xbase-tool: " << e.what() << '\n';
    return 2;
  }
}
