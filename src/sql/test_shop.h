// Test and benchmark helper: writes small DBF tables with their CDX index
// files through the xbase engine, so the SQL layer is exercised on files our
// own writer made. Header only; not part of the library's interface.
#ifndef QX_SQL_TEST_SHOP_H_
#define QX_SQL_TEST_SHOP_H_

#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include "xbase/cdx_index.h"
#include "xbase/table.h"

namespace sqltest {

struct Field {
  std::string name;
  char type;
  int length;
  int decimals = 0;
};

struct Index {
  std::string file;  // also the tag's name
  std::string key;   // xBase key expression over the fields
};

struct Row {
  std::vector<std::string> values;  // as typed: C as is, N "1.5", D "dd/mm/yyyy", L "T"/"F"
  bool deleted = false;
};

// Width of a key expression made of fields joined by "+" and DTOS(field).
inline int KeyLength(const std::vector<Field>& fields, const std::string& key) {
  int total = 0;
  size_t start = 0;
  while (start <= key.size()) {
    size_t end = key.find('+', start);
    if (end == std::string::npos) end = key.size();
    std::string part = key.substr(start, end - start);
    std::string upper;
    for (char c : part)
      if (c != ' ') upper.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
    if (upper.rfind("DTOS(", 0) == 0) {
      total += 8;
    } else {
      for (const auto& f : fields) {
        std::string name;
        for (char c : f.name) name.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
        if (name == upper) total += (f.type == 'N' || f.type == 'F' || f.type == 'D') && end == key.size() && start == 0 ? 8 : f.length;
      }
    }
    start = end + 1;
  }
  return total;
}

inline std::vector<xbase::FieldInfo> FieldInfos(const std::vector<Field>& fields) {
  std::vector<xbase::FieldInfo> infos;
  for (const auto& f : fields) {
    xbase::FieldInfo info;
    info.name = f.name;
    info.type = f.type;
    info.length = f.length;
    info.decimals = f.decimals;
    infos.push_back(info);
  }
  return infos;
}

// Creates dir/name.DBF with the index files, then appends the rows (the open
// indexes are maintained by every append) and marks the deleted ones.
inline void MakeTable(const std::filesystem::path& dir, const std::string& name, const std::vector<Field>& fields,
                      const std::vector<Row>& rows, const std::vector<Index>& indexes = {}) {
  const std::string path = (dir / (name + ".DBF")).string();
  xbase::Table::Create(path, FieldInfos(fields));
  xbase::OpenOptions options;
  for (const auto& index : indexes) {
    xbase::TagInfo tag;
    tag.name = index.file;
    tag.key_expression = index.key;
    tag.key_length = KeyLength(fields, index.key);
    const std::string file = (dir / (index.file + ".CDX")).string();
    xbase::CdxFile::Create(file, {tag});
    options.index_files.push_back(file);
  }
  auto table = xbase::Table::Open(path, options);
  for (const auto& row : rows) {
    table->Append();
    for (size_t i = 0; i < row.values.size() && i < fields.size(); ++i)
      if (!row.values[i].empty()) table->SetFromText(fields[i].name, row.values[i]);
    table->Post();
    if (row.deleted) table->Delete();
  }
}

}  // namespace sqltest

#endif  // QX_SQL_TEST_SHOP_H_
