// Two processes appending to and editing one table with three tags at once.
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <set>

#include "xbase/tag_check.h"
#include "xbase/table.h"

namespace xbase {
namespace {

namespace fs = std::filesystem;

constexpr int kAppendsPerWriter = 5000;

// One writer: appends its records and, every tenth, edits one it appended
// before. Returns the process exit status.
int Writer(const std::string& table, const std::string& index, char who) {
  try {
    OpenOptions opt;
    opt.index_files = {index};
    auto t = Table::Open(table, opt);
    std::vector<uint32_t> mine;
    for (int i = 0; i < kAppendsPerWriter; ++i) {
      t->Append();
      char id[16];
      std::snprintf(id, sizeof id, "%c%06d", who, i);
      t->SetString("ID", id);
      t->SetString("WHO", std::string(1, who));
      t->SetNumber("N", i);
      t->SetDate("D", JulianFromYmd(2026, 1, 1) + i % 365);
      t->Post();
      mine.push_back(t->RecNo());
      if (i % 10 == 9) {
        t->Go(mine[static_cast<size_t>(i / 2)]);
        t->Edit();
        t->SetNumber("N", -(i / 2));  // leaves the FOR N > 0 tag
        t->Post();
      }
    }
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "writer %c: %s\n", who, e.what());
    return 1;
  }
}

TEST(TableShared, TwoWritersLoseNothing) {
  const fs::path dir = fs::temp_directory_path() / ("xbase-shared-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  const std::string table = (dir / "PAR.DBF").string();
  const std::string index = (dir / "PAR.IDX.CDX").string();
  Table::Create(table, {{"ID", 'C', 8, 0, 0}, {"WHO", 'C', 1, 0, 0}, {"N", 'N', 8, 0, 0}, {"D", 'D', 8, 0, 0}});
  std::vector<TagInfo> tags(3);
  tags[0].name = "TID";
  tags[0].key_expression = "ID";
  tags[0].key_length = 8;
  tags[1].name = "TWHO";
  tags[1].key_expression = "WHO+DTOS(D)+STR(N,8)";
  tags[1].key_length = 17;
  tags[2].name = "TNUM";
  tags[2].key_expression = "N";
  tags[2].for_expression = "N > 0";
  tags[2].key_length = 8;
  CdxFile::Create(index, tags);

  std::vector<pid_t> children;
  for (char who : {'A', 'B'}) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) ::_exit(Writer(table, index, who));
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "writer failed, status " << status;
  }

  OpenOptions opt;
  opt.index_files = {index};
  auto t = Table::Open(table, opt);
  EXPECT_EQ(t->RecordCount(), 2u * kAppendsPerWriter);
  std::set<std::string> ids;
  int edited = 0;
  for (t->First(); !t->Eof(); t->Next()) {
    ids.insert(t->GetString("ID"));
    edited += *t->GetNumber("N") < 0 ? 1 : 0;
  }
  EXPECT_EQ(ids.size(), 2u * kAppendsPerWriter);
  EXPECT_EQ(edited, 2 * (kAppendsPerWriter / 10));
  ASSERT_EQ(t->tags().size(), 3u);
  for (const auto& tag : t->tags()) EXPECT_EQ(CheckTag(*t, tag), std::vector<std::string>()) << tag.info().name;
  t.reset();
  fs::remove_all(dir);
}

}  // namespace
}  // namespace xbase
