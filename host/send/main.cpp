// lumivox-send: sends one SakuraScript to a ghost listening on 127.0.0.1:9801,
// the way the component sends its start-up script when the player starts.
#include "sstp/request.h"
#include "sstp/tcp.h"
#include "sstp/transport.h"
#include "sync/sync_lock.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    using namespace lumivox;
    const char* script = "\\0\\s[0]foobar2000 is starting up.\\e";
    if (argc > 2 || (argc == 2 && std::strcmp(argv[1], "--help") == 0)) {
        std::fprintf(stderr, "usage: lumivox-send [SCRIPT]\n"
                             "Sends SCRIPT (default: the start-up script) to the ghost on "
                             "127.0.0.1:9801.\n");
        return 2;
    }
    if (argc == 2)
        script = argv[1];

    sync_objects_create();
    select_transport(0);
    bool sent = false;
    if (!tcp_loaded())
        std::fprintf(stderr, "lumivox-send: the socket library could not be loaded\n");
    else
        sent = send_sstp_request(script, trailer_utf8);
    sync_objects_destroy();

    if (!sent) {
        std::fprintf(stderr, "lumivox-send: no ghost accepted the script: nothing answered "
                             "\"SSTP/1.1 200\" on 127.0.0.1:9801 (is a mascot host running?)\n");
        return 1;
    }
    std::printf("The ghost accepted: %s\n", script);
    return 0;
}
