// Location of the reference shop files written by an independent xBase engine.
// They live outside the repository; tests that need them skip where absent.
#ifndef QX_TESTSUPPORT_FIXTURES_H_
#define QX_TESTSUPPORT_FIXTURES_H_

#include <cstdlib>
#include <filesystem>
#include <string>

namespace qxtest {

// QX_FIXTURES in the environment wins over the folder beside the checkout.
inline std::filesystem::path FixturesDir() {
  if (const char* env = std::getenv("QX_FIXTURES"); env != nullptr && *env != '\0') return env;
  return QX_FIXTURES_DIR;
}

inline bool HaveFixtures() { return std::filesystem::is_directory(FixturesDir() / "shop-small"); }

}  // namespace qxtest

// Use at the top of a test that reads the fixtures.
#define QX_REQUIRE_FIXTURES()                                                       \
  do {                                                                              \
    if (!qxtest::HaveFixtures())                                                    \
      GTEST_SKIP() << "reference fixtures not found at " << qxtest::FixturesDir()   \
                   << " (set QX_FIXTURES)";                                         \
  } while (0)

#endif  // QX_TESTSUPPORT_FIXTURES_H_
