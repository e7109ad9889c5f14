// Extraction of entries far larger than any buffer, with every heap allocation of the process
// counted: the peak of live bytes during extraction must stay small whatever the entry size.
#include <gtest/gtest.h>
#include <zlib.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "stub/package/extract_package.h"
#include "stub/package/test_package.h"

namespace {

std::atomic<size_t> liveBytes{0};
std::atomic<size_t> peakBytes{0};

void* Allocate(size_t size) {
    void* block = std::malloc(size + 16);
    if (!block) throw std::bad_alloc();
    *static_cast<size_t*>(block) = size;
    const size_t now = liveBytes += size;
    size_t peak = peakBytes;
    while (now > peak && !peakBytes.compare_exchange_weak(peak, now)) {
    }
    return static_cast<char*>(block) + 16;
}

void Release(void* p) {
    if (!p) return;
    void* block = static_cast<char*>(p) - 16;
    liveBytes -= *static_cast<size_t*>(block);
    std::free(block);
}

}  // namespace

void* operator new(size_t size) {
    return Allocate(size);
}
void* operator new[](size_t size) {
    return Allocate(size);
}
void operator delete(void* p) noexcept {
    Release(p);
}
void operator delete[](void* p) noexcept {
    Release(p);
}
void operator delete(void* p, size_t) noexcept {
    Release(p);
}
void operator delete[](void* p, size_t) noexcept {
    Release(p);
}

namespace {

// Counts what arrives instead of keeping it.
class CountingTarget : public ExtractTarget {
  public:
    uint64_t bytes = 0;
    uLong crc = crc32(0, nullptr, 0);
    bool Prepare() override { return true; }
    bool Exists(const std::string&) override { return false; }
    std::unique_ptr<OutputFile> Open(const std::string&, bool) override {
        return std::make_unique<File>(*this);
    }
    void Remove(const std::string&) override {}

  private:
    struct File : OutputFile {
        explicit File(CountingTarget& t) : target(t) {}
        bool Write(const void* data, size_t size) override {
            target.bytes += size;
            target.crc = crc32(target.crc, static_cast<const Bytef*>(data), uInt(size));
            return true;
        }
        bool Finish(uint32_t) override { return true; }
        CountingTarget& target;
    };
};

// A zlib stream of `header`, NUL and `size` bytes of a repeating pattern, deflated piecewise.
std::string DeflatedEntry(const std::string& header, uint64_t size, uLong& crc) {
    z_stream zs{};
    deflateInit(&zs, 1);
    std::string out;
    std::string pattern(65536, '\0');
    for (size_t i = 0; i < pattern.size(); ++i) pattern[i] = char(i * 7 / 5);
    std::string buffer(1 << 16, '\0');
    auto pump = [&](const void* data, size_t n, int flush) {
        zs.next_in = static_cast<Bytef*>(const_cast<void*>(data));
        zs.avail_in = uInt(n);
        do {
            zs.next_out = reinterpret_cast<Bytef*>(buffer.data());
            zs.avail_out = uInt(buffer.size());
            deflate(&zs, flush);
            out.append(buffer.data(), buffer.size() - zs.avail_out);
        } while (zs.avail_out == 0);
    };
    const std::string head = header + std::string(1, '\0');
    pump(head.data(), head.size(), Z_NO_FLUSH);
    crc = crc32(0, nullptr, 0);
    for (uint64_t done = 0; done < size; done += pattern.size()) {
        pump(pattern.data(), pattern.size(), Z_NO_FLUSH);
        crc = crc32(crc, reinterpret_cast<const Bytef*>(pattern.data()), uInt(pattern.size()));
    }
    pump(nullptr, 0, Z_FINISH);
    deflateEnd(&zs);
    return testpkg::Block(int32_t(out.size()), out);
}

class OneDisk : public DiskSource {
  public:
    explicit OneDisk(std::string bytes) : bytes_(std::move(bytes)) {}
    std::unique_ptr<FileReader> OpenDisk(const std::string&, unsigned) override {
        return std::make_unique<MemoryFileReader>(bytes_);
    }

  private:
    std::string bytes_;
};

}  // namespace

TEST(ExtractMemory, LargeEntriesAreInflatedInSlices) {
    constexpr uint64_t kEntrySize = uint64_t{1} << 30;  // 1 GiB
    uLong expectedCrc = 0;
    const std::string entry = DeflatedEntry("|huge.bin|0|", kEntrySize, expectedCrc);
    const std::string stored = std::string(8 << 20, 's');
    OneDisk disks(testpkg::Package({entry, testpkg::StoredEntry("|stored.bin|0|", stored)}));

    CountingTarget target;
    testpkg::RecordingObserver observer;
    ExtractCounters counters;
    const size_t baseline = liveBytes;
    peakBytes = baseline;
    const ExtractResult result =
        ExtractPackage({"setup.exe", {}, 0}, disks, target, observer, counters);
    const size_t peak = peakBytes - baseline;
    EXPECT_EQ(result.status, ExtractStatus::kDone);
    EXPECT_EQ(target.bytes, kEntrySize + stored.size());
    // The copy of the package the disk source hands out is counted too; beyond it only slices.
    const size_t packageCopy = disks.OpenDisk("", 1)->Size();
    EXPECT_LT(peak, packageCopy + (1u << 20)) << "peak " << peak;
    EXPECT_EQ(observer.events, std::vector<std::string>{});
    EXPECT_EQ(target.crc, crc32(expectedCrc, reinterpret_cast<const Bytef*>(stored.data()),
                                uInt(stored.size())));
}
