// Cost of queuing one 1 KiB request (framing, padding, cipher, ring write and the writer's
// dequeue) against copying the same bytes twice with memcpy, measured in the same run: the
// ratio is what matters, not the absolute times.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "CommandFraming.h"
#include "CommandQueue.h"

namespace {

constexpr size_t kRequestBytes = 1024;
const uint8_t kKey[vantor::kSessionKeyBytes] = {'q', 'v', 'm', 't', 'r', 'l', 'a', 'z', 'k', 'e'};

void queueAndTake(benchmark::State& state, int cmdType) {
    vantor::CommandQueue queue;
    vantor::CriticalLock cipherLock;
    std::vector<uint8_t> request(kRequestBytes, 'r');
    std::vector<uint8_t> packet(vantor::kWriterPacketBytes);
    vantor::CmdQueueEntry entry{};
    for (auto _ : state) {
        int n = vantor::AddCommandToBuf(queue, cmdType, kKey, &cipherLock, 0x2010, request.data(),
                                        request.size());
        benchmark::DoNotOptimize(n);
        vantor::DequeuePacket(queue, &entry, packet.data(), packet.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kRequestBytes);
}

void BM_AddCommandToBuf_Ciphered(benchmark::State& state) {
    queueAndTake(state, vantor::kStartCodeCiphered);
}
void BM_AddCommandToBuf_Handshake(benchmark::State& state) {
    queueAndTake(state, 0);
}
void BM_AddCommandToBuf_Plain(benchmark::State& state) {
    queueAndTake(state, vantor::kStartCodePlain);
}

// Reference: the bytes moved into and out of the ring, as two plain copies.
void BM_MemcpyReference(benchmark::State& state) {
    std::vector<uint8_t> request(kRequestBytes + vantor::kQueuedOverheadBytes, 'r');
    std::vector<uint8_t> ring(request.size()), out(request.size());
    for (auto _ : state) {
        std::memcpy(ring.data(), request.data(), request.size());
        benchmark::ClobberMemory();
        std::memcpy(out.data(), ring.data(), ring.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kRequestBytes);
}

}  // namespace

BENCHMARK(BM_MemcpyReference);
BENCHMARK(BM_AddCommandToBuf_Plain);
BENCHMARK(BM_AddCommandToBuf_Ciphered);
BENCHMARK(BM_AddCommandToBuf_Handshake);
