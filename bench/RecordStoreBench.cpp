// The cost of one write and one read of a record file, in memory, so that only our own work is
// measured. A write must stay linear in the size of the file: the 10001-record file is the largest
// one a write ever examines.
#include <benchmark/benchmark.h>

#include <string>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "platform/fakes/MemoryFiles.h"
#include "records/Counter.h"
#include "records/FileHandle.h"

namespace tembrel {
namespace {

#if defined(__GLIBC__)
// Buffers above 128 KiB (files of about 6000 records and more) would otherwise go to mmap and back
// to the system at every iteration, and the figures would show page faults, in an order that
// depends on which size ran before, instead of the store's own work.
const bool kKeepHeap = [] {
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
    return true;
}();
#endif

std::string FileOfRecords(long long count) {
    std::string text;
    for (long long i = 0; i < count; ++i) {
        text += "|||user" + std::to_string(i) + "|||" + std::to_string(1000 + i) + "\r\n";
    }
    return text;
}

void BM_WriteRecord(benchmark::State& state) {
    MemoryFiles files;
    const std::string content = FileOfRecords(state.range(0));
    const std::string value = "3600";
    for (auto _ : state) {
        state.PauseTiming();
        files["big"] = content;
        state.ResumeTiming();
        // A key from the middle: its record is dropped and the rest carried over.
        WriteRecord(files, "user5", "big", value);
        benchmark::DoNotOptimize(files.files);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<long long>(content.size()));
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_WriteRecord)
    ->Arg(10)
    ->Arg(1000)
    ->Arg(3000)
    ->Arg(6000)
    ->Arg(10001)
    ->Unit(benchmark::kMicrosecond)
    ->Complexity(benchmark::oN);

void BM_ReadRecord(benchmark::State& state) {
    MemoryFiles files;
    files["allow"] = "|||allow|||3600\r\n|||user|||Anna\r\n|||open|||8\r\n|||close|||20\r\n";
    for (auto _ : state) {
        benchmark::DoNotOptimize(ReadRecord(files, "CLOSE", "allow"));
    }
}
BENCHMARK(BM_ReadRecord);

} // namespace
} // namespace tembrel
