#include "xbase/tag_check.h"

#include <map>
#include <set>
#include <unordered_map>

namespace xbase {

std::vector<std::string> CheckTag(Table& table, const Table::Tag& tag, size_t max_faults) {
  std::vector<std::string> faults;
  const TagInfo& info = tag.info();
  const std::string name = "tag " + info.name;
  auto fault = [&](const std::string& text) {
    if (faults.size() < max_faults) faults.push_back(name + ": " + text);
  };
  std::string why;
  if (!table.CanComputeKeys(tag, &why)) {
    fault("chaves não podem ser calculadas (" + why + ")");
    return faults;
  }
  const uint32_t count = table.RecordCount();

  // What the tag holds, in walk order.
  std::unordered_map<uint32_t, std::string> held;
  std::string previous;
  bool first = true;
  for (auto c = tag.file->First(tag.index); c->Valid(); c->Next()) {
    const std::string key(c->key());
    const uint32_t r = c->recno();
    if (!first) {
      const int cmp = previous.compare(key);
      if (info.descending ? cmp < 0 : cmp > 0)
        fault("chaves fora de ordem no registro " + std::to_string(r));
    }
    first = false;
    previous = key;
    if (r == 0 || r > count) {
      fault("entrada aponta para o registro " + std::to_string(r) + ", que não existe");
      continue;
    }
    if (!held.emplace(r, key).second) fault("registro " + std::to_string(r) + " aparece mais de uma vez");
  }

  // What it should hold.
  std::set<std::string> unique_taken;
  for (uint32_t r = 1; r <= count; ++r) {
    table.Go(r);
    bool belongs = table.BelongsTo(tag);
    const std::string key = belongs ? table.KeyFor(tag) : std::string();
    if (belongs && (info.unique || info.candidate)) belongs = unique_taken.insert(key).second;
    const auto it = held.find(r);
    if (!belongs) {
      if (it != held.end()) fault("registro " + std::to_string(r) + " não deveria estar na tag");
      continue;
    }
    if (it == held.end()) {
      fault("registro " + std::to_string(r) + " falta na tag");
      continue;
    }
    if (it->second != key) {
      fault("registro " + std::to_string(r) + " tem chave desatualizada");
      continue;
    }
    bool found = false;
    for (auto c = tag.file->Seek(tag.index, key); c->Valid() && c->key() == key; c->Next()) {
      if (c->recno() == r) {
        found = true;
        break;
      }
    }
    if (!found) fault("a chave do registro " + std::to_string(r) + " não o encontra na busca");
  }
  return faults;
}

}  // namespace xbase
