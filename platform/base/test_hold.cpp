#include "platform/base/test_hold.h"

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

namespace platform {

void TestHold(const char* variable) {
#ifdef JOTTERWICK_TEST_HOOKS
    const char* hold = std::getenv(variable);
    if (!hold || !*hold)
        return;
    std::ofstream(std::string(hold) + ".held").put('\n');
    for (int i = 0; i < 1000 && access(hold, F_OK) == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
#else
    (void)variable;
#endif
}

} // namespace platform
