// Failures of the engine: a clear Portuguese text (UTF-8) that names the file,
// the table, the record or the field. The engine never reports a failure any
// other way, and never crashes on a damaged file.
#ifndef QX_XBASE_ERROR_H_
#define QX_XBASE_ERROR_H_

#include <stdexcept>
#include <string>

namespace xbase {

class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace xbase

#endif  // QX_XBASE_ERROR_H_
