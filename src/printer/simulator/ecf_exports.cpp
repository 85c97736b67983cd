// The vendor's C symbols, exported by the shared simulated printer so that a
// program binds it with dlopen exactly as it would bind the vendor's library.
#include "printer/simulator/ecf_simulator.h"

#define QX_ECF_EXPORT(name, params, args) \
  extern "C" __attribute__((visibility("default"))) int32_t name params { return ecfsim::name args; }
QX_ECF_FUNCTIONS(QX_ECF_EXPORT)
#undef QX_ECF_EXPORT
