// Decoding the message payloads of modern demos against a plain copy of the same bytes.
//
// The messages come from the real demos in the shared corpus; where it is absent, from synthetic
// messages of similar shape (server commands and snapshots) made by the tests' message builder.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/protocol/Huffman.h"
#include "core/protocol/ModernMessage.h"
#include "core/protocol/ProtocolTable.h"
#include "support/HuffmanEncoder.h"

namespace {

struct Messages {
    std::vector<std::vector<uint8_t>> payloads;
    size_t bytes = 0;
};

void AddDemo(const std::filesystem::path& path, Messages& m)
{
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t at = 0;
    while (at + 8 <= data.size()) {
        int32_t sequence = 0, length = 0;
        std::memcpy(&sequence, &data[at], 4);
        std::memcpy(&length, &data[at + 4], 4);
        at += 8;
        if (sequence == -1 || length < 0 || static_cast<size_t>(length) > data.size() - at) {
            break;
        }
        m.payloads.emplace_back(data.begin() + at, data.begin() + at + length);
        m.bytes += static_cast<size_t>(length);
        at += static_cast<size_t>(length);
    }
}

const Messages& TheMessages()
{
    static const Messages messages = [] {
        Messages m;
        const std::filesystem::path dir = std::filesystem::path(VELMORA_CORPUS_DIR) / "modern";
        std::error_code ec;
        if (std::filesystem::is_directory(dir, ec)) {
            for (const auto& entry : std::filesystem::directory_iterator(dir)) {
                if (core::IsModernDemoExtension(entry.path().extension().string())) {
                    AddDemo(entry.path(), m);
                }
            }
        }
        if (m.payloads.empty()) {
            for (uint32_t i = 0; i < 5000; ++i) {
                testsupport::ModernMessageBuilder b(i);
                if (i % 20 == 0) {
                    b.ServerCommand(i, "cs 21 \"scores and some text of a usual length\"");
                }
                b.Snapshot(1000 + 50 * i);
                for (int k = 0; k < 150; ++k) { // stands in for the entity deltas
                    b.Writer().WriteBits(static_cast<uint32_t>(k * 2654435761u), 19);
                }
                b.End();
                m.payloads.push_back(b.Payload());
                m.bytes += m.payloads.back().size();
            }
        }
        return m;
    }();
    return messages;
}

void BM_DecodeModernMessages(benchmark::State& state)
{
    const Messages& m = TheMessages();
    std::vector<core::ModernCommand> out;
    for (auto _ : state) {
        for (const auto& payload : m.payloads) {
            out.clear();
            benchmark::DoNotOptimize(core::DecodeModernMessage(payload, out));
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(m.bytes));
    state.counters["messages"] = static_cast<double>(m.payloads.size());
}
BENCHMARK(BM_DecodeModernMessages)->Unit(benchmark::kMillisecond);

void BM_CopyModernMessages(benchmark::State& state)
{
    const Messages& m = TheMessages();
    std::vector<uint8_t> buffer(1 << 16);
    for (auto _ : state) {
        for (const auto& payload : m.payloads) {
            std::memcpy(buffer.data(), payload.data(), std::min(payload.size(), buffer.size()));
            benchmark::ClobberMemory();
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(m.bytes));
}
BENCHMARK(BM_CopyModernMessages)->Unit(benchmark::kMillisecond);

// Full decoding of every byte, the cost a reader pays when it must look at a whole message.
void BM_HuffmanBytes(benchmark::State& state)
{
    const Messages& m = TheMessages();
    for (auto _ : state) {
        uint32_t sum = 0;
        for (const auto& payload : m.payloads) {
            core::HuffmanBitReader reader(payload);
            while (!reader.Overflowed()) {
                sum += reader.ReadByte();
            }
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(m.bytes));
}
BENCHMARK(BM_HuffmanBytes)->Unit(benchmark::kMillisecond);

// The decode tables are made while compiling: their first use costs nothing. Measure it in a
// fresh process with --benchmark_filter=FirstUse (only the first iteration is cold).
void BM_TableFirstUse(benchmark::State& state)
{
    for (auto _ : state) {
        benchmark::DoNotOptimize(core::FixedHuffmanTable().data());
    }
}
BENCHMARK(BM_TableFirstUse)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
