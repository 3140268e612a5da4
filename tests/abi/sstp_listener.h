// A mascot host's SSTP server on 127.0.0.1:9801, inside this process: it
// accepts one request per connection, records it and answers 200.
#pragma once

#include "win32_decls.h"

namespace abi {

struct SstpRequest {
    char script[4096];
    char charset[64]; // "" when the request names none
    DWORD tick;       // when its last byte arrived
    bool well_formed; // the exact request head and an empty line at the end
};

bool listener_start();
void listener_stop();
int listener_count();
// Waits until request number index has arrived or the tick deadline passed.
bool listener_wait(int index, DWORD deadline);
const SstpRequest& listener_request(int index);

} // namespace abi
