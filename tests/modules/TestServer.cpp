// A library with a registration entry, for the toolkit's RegisterServer test: registering
// leaves a mark in the environment of the process that loaded it.
#include <cstdint>
#include <cstdlib>

extern "C" __attribute__((visibility("default"))) std::int32_t DllRegisterServer() {
    setenv("VX_TEST_SERVER_REGISTERED", "1", 1);
    return 0;
}
