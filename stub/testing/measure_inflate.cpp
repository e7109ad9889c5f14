// The yardstick for the stub's extraction speed: every entry block of a package inflated (or
// copied) with zlib straight into its file, without the checksum pass, the chain check, the
// observer or any other layer of the extraction, timed by the program itself.
//   wyvern_measure_inflate PACKAGE DIRECTORY
// Prints "InflateTime: <ms> MS" and the files and bytes written. Ends with 0, 1 when the package
// cannot be read or a file not written, 2 on bad use.
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "stub/package/block_walk.h"
#include "stub/package/entry_header.h"
#include "stub/package/extract_package.h"
#include "stub/package/package_trailer.h"
#include "tools/package_builder/stdio_files.h"

namespace {

struct Totals {
    uint64_t files = 0;
    uint64_t bytes = 0;
};

// One payload: the header up to its first NUL names the file, the rest is appended to it (a file
// continued in a later entry of the same name grows, as in the extraction).
class PayloadFile {
  public:
    PayloadFile(const std::string& directory, Totals& totals)
        : directory_(directory), totals_(totals) {}
    ~PayloadFile() {
        if (file_) std::fclose(file_);
    }
    PayloadFile(const PayloadFile&) = delete;
    PayloadFile& operator=(const PayloadFile&) = delete;

    bool Consume(const uint8_t* data, size_t size) {
        if (!inData_) {
            const auto* nul = static_cast<const uint8_t*>(std::memchr(data, 0, size));
            const size_t part = nul ? static_cast<size_t>(nul - data) : size;
            if (header_.size() + part > kMaxEntryHeader) return Fail("entry header too long");
            header_.append(reinterpret_cast<const char*>(data), part);
            if (!nul) return true;
            if (!Open()) return false;
            data += part + 1;
            size -= part + 1;
        }
        if (size && std::fwrite(data, 1, size, file_) != size) return Fail("write failed");
        totals_.bytes += size;
        return true;
    }

    bool Finish() {
        if (!inData_ && !Open()) return false;  // a payload without NUL is all header
        const bool closed = std::fclose(file_) == 0;
        file_ = nullptr;
        return closed || Fail("write failed");
    }

  private:
    bool Open() {
        inData_ = true;
        const std::string name = ParseEntryHeader(header_).fileName;
        if (!IsSafeEntryName(name)) return Fail("refused entry name");
        std::string relative = name;
        for (char& c : relative)
            if (c == '\\') c = '/';
        const std::filesystem::path path = std::filesystem::path(directory_) / relative;
        std::error_code ec;
        std::filesystem::create_directories(path.parent_path(), ec);
        file_ = std::fopen(path.string().c_str(), "ab");
        if (!file_) return Fail("cannot open");
        ++totals_.files;
        return true;
    }

    bool Fail(const char* why) {
        std::fprintf(stderr, "wyvern_measure_inflate: %s: %s\n", header_.c_str(), why);
        return false;
    }

    const std::string& directory_;
    Totals& totals_;
    std::string header_;
    bool inData_ = false;
    std::FILE* file_ = nullptr;
};

bool CopyBlock(FileReader& file, const BlockRef& block, std::vector<uint8_t>& in,
               PayloadFile& out) {
    for (uint32_t done = 0; done < block.size;) {
        const size_t n = std::min<size_t>(in.size(), block.size - done);
        if (!file.ReadExact(block.dataOffset + done, in.data(), n) || !out.Consume(in.data(), n))
            return false;
        done += static_cast<uint32_t>(n);
    }
    return true;
}

bool InflateBlock(FileReader& file, const BlockRef& block, std::vector<uint8_t>& in,
                  std::vector<uint8_t>& outBuffer, PayloadFile& out) {
    z_stream zs{};
    if (inflateInit(&zs) != Z_OK) return false;
    uint32_t consumed = 0;
    int code = Z_OK;
    while (code != Z_STREAM_END) {
        if (zs.avail_in == 0) {
            if (consumed == block.size) break;  // the stream ends early
            const size_t n = std::min<size_t>(in.size(), block.size - consumed);
            if (!file.ReadExact(block.dataOffset + consumed, in.data(), n)) break;
            consumed += static_cast<uint32_t>(n);
            zs.next_in = in.data();
            zs.avail_in = static_cast<uInt>(n);
        }
        zs.next_out = outBuffer.data();
        zs.avail_out = static_cast<uInt>(outBuffer.size());
        code = inflate(&zs, Z_NO_FLUSH);
        if (code != Z_OK && code != Z_STREAM_END && code != Z_BUF_ERROR) break;
        if (!out.Consume(outBuffer.data(), outBuffer.size() - zs.avail_out)) break;
    }
    inflateEnd(&zs);
    return code == Z_STREAM_END;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: wyvern_measure_inflate PACKAGE DIRECTORY\n");
        return 2;
    }
    const std::string directory = argv[2];
    const auto start = std::chrono::steady_clock::now();

    const std::unique_ptr<StdioFileReader> package = StdioFileReader::Open(argv[1]);
    const TrailerPlace place = package ? ReadTrailer(*package) : TrailerPlace{};
    if (!package || !place.ok() || !place.trailer.HasMagic() || place.trailer.Flag(kMoreDisks)) {
        std::fprintf(stderr, "wyvern_measure_inflate: %s: no single-file package\n", argv[1]);
        return 1;
    }
    std::error_code ec;
    std::filesystem::create_directories(directory, ec);

    // The extraction's slice size, so both move the data in the same steps.
    std::vector<uint8_t> in(kExtractSlice);
    std::vector<uint8_t> outBuffer(kExtractSlice);
    Totals totals;
    BlockWalker walker(*package, place, place.trailer.headerBlockCount);
    BlockRef block;
    while (walker.Next(block)) {
        if (block.header) continue;
        PayloadFile out(directory, totals);
        const bool moved = block.compressed ? InflateBlock(*package, block, in, outBuffer, out)
                                            : CopyBlock(*package, block, in, out);
        if (!moved || !out.Finish()) {
            std::fprintf(stderr, "wyvern_measure_inflate: entry at %llu not extracted\n",
                         static_cast<unsigned long long>(block.dataOffset));
            return 1;
        }
    }
    if (walker.error() != BlockError::kNone) {
        std::fprintf(stderr, "wyvern_measure_inflate: %s\n",
                     DescribeBlockError(walker.error()).c_str());
        return 1;
    }

    const auto elapsed = std::chrono::steady_clock::now() - start;
    std::printf("InflateTime: %lld MS\nFiles: %llu\nBytes: %llu\n",
                static_cast<long long>(
                    std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count()),
                static_cast<unsigned long long>(totals.files),
                static_cast<unsigned long long>(totals.bytes));
    return 0;
}
