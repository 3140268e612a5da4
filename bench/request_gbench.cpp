// The cost of building an SSTP request, and of one TCP round trip to a ghost
// listening on 127.0.0.1:9801 (the in-process test server answering 200).
#include "sstp/request.h"
#include "sstp/tcp.h"
#include "sync/sync_objects.h"
#include "tools/ghost/sstp_server.h"

#include <benchmark/benchmark.h>
#include <string>

namespace {

using namespace lumivox;

void BuildRequest(benchmark::State& state) {
    std::string script =
        "\\0\\s[25]" + std::string(static_cast<size_t>(state.range(0)), 'a') + "\\e";
    char buffer[request_buffer_size];
    for (auto _ : state) {
        int32_t length = build_sstp_request(buffer, script.c_str(), trailer_utf8);
        benchmark::DoNotOptimize(length);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(script.size()));
}
BENCHMARK(BuildRequest)->Arg(40)->Arg(400)->Arg(3990);

void TcpRoundTrip(benchmark::State& state) {
    ghost::SstpServer server;
    if (!server.listening()) {
        state.SkipWithError("port 9801 is taken");
        return;
    }
    server.set_keep_requests(false);
    tcp_load(nullptr);
    char buffer[request_buffer_size];
    for (auto _ : state) {
        int32_t length = build_sstp_request(buffer, "\\0\\s[25]La la la\\e", trailer_utf8);
        if (tcp_deliver(buffer, length) != 1) {
            state.SkipWithError("the ghost did not accept");
            break;
        }
    }
    tcp_unload();
}
BENCHMARK(TcpRoundTrip)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    sync_objects_create();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    sync_objects_destroy();
    return 0;
}
