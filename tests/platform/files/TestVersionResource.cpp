// The test program's own version block, embedded the way the build embeds the game's, so
// that reading /proc/self/exe meets a block whose every value the tests know.
#include "tests/platform/files/TestVersionResource.h"

namespace {

[[gnu::section(".vxversion"), gnu::used]] constexpr auto embeddedBlock =
    BuildVersionBlock<VersionBlockSize(TestVersionStrings)>(TestVersionNumbers, TestVersionStrings);

} // namespace
