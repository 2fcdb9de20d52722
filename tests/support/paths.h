// Where the tests find the source tree (data/, examples/) and the built program. Kept out of the
// compile flags of the test files so that their objects do not depend on the checkout's location.
#pragma once

namespace pw::test {

const char* sourceDir();
const char* penwickBinary();

}  // namespace pw::test
