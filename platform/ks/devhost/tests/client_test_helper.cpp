// A client process for the multi-process tests:
//   devhost_client_helper open <device path>          prints the host's pid, then exits
//   devhost_client_helper stream <device path> <w> <h> prints "streaming" once frames arrive,
//                                                      then reads until it is killed
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/ks/devhost/host_connection.h"
#include "platform/ks/devhost/tests/client_test_support.h"

int main(int argc, char** argv)
{
    using namespace zv::devhost;
    if (argc < 3) return 2;
    const std::string mode = argv[1];
    DWORD error = 0;
    auto connection = HostConnection::Open(argv[2], &error);
    if (!connection) {
        std::printf("error %lu\n", static_cast<unsigned long>(error));
        return 1;
    }
    if (mode == "open") {
        std::printf("%d\n", connection->HostPid());
        return 0;
    }
    if (mode != "stream" || argc < 5) return 2;
    testing::StreamingPin pin(*connection, std::atoi(argv[3]), std::atoi(argv[4]));
    if (!pin.Ok() || !pin.WaitForReads(2)) return 1;
    std::printf("streaming\n");
    std::fflush(stdout);
    for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
}
