#include "support/paths.h"

namespace pw::test {

const char* sourceDir() { return PENWICK_SOURCE_DIR; }
const char* penwickBinary() { return PENWICK_BINARY; }

}  // namespace pw::test
