#include "tools/package_builder/package_writer.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <map>
#include <memory>
#include <vector>

#include "common/bytes.h"
#include "stub/package/package_checksum.h"
#include "stub/package/package_token.h"
#include "stub/package/package_trailer.h"
#include "tools/package_builder/stdio_files.h"

namespace fs = std::filesystem;

namespace {

// Seconds from 1899-12-30 to 1970-01-01.
constexpr uint64_t kStampEpochOffset = 2209161600;
// Data per entry block, so that every length fits a signed 32-bit field with room to spare.
constexpr uint64_t kMaxPieceData = uint64_t{1} << 30;
constexpr size_t kIoSlice = 1 << 20;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

int SeekTo(std::FILE* file, uint64_t offset) {
#ifdef _WIN32
    return _fseeki64(file, static_cast<long long>(offset), SEEK_SET);
#else
    return fseeko(file, static_cast<off_t>(offset), SEEK_SET);
#endif
}

uint32_t Fnv(const std::string& text) {
    uint32_t hash = 2166136261u;
    for (unsigned char c : text) hash = (hash ^ c) * 16777619u;
    return hash;
}

std::string Scrambled(const std::string& plain, const std::string& given) {
    if (!given.empty()) return given;
    if (plain.empty()) return {};
    return EncodeToken(plain, Fnv(plain));
}

bool ListOf(char delimiter, const std::vector<std::string>& items, std::string& out,
            std::string& error) {
    out.assign(1, delimiter);
    for (const std::string& item : items) {
        if (item.find(delimiter) != std::string::npos || item.find('\0') != std::string::npos) {
            error = "value holds its list's delimiter: " + item;
            return false;
        }
        out += item + delimiter;
    }
    return true;
}

class Builder {
  public:
    Builder(const Manifest& m, std::string stub, BuildResult& result, std::string& error)
        : m_(m), stub_(std::move(stub)), result_(result), error_(error) {}

    bool Run(const std::string& output) {
        if (!HeaderBlocks(m_, headers_, error_) || !Measure()) return false;
        for (const std::string& h : headers_) headerBytes_ += 4 + h.size();
        if (m_.diskSize == 0) {
            if (!OpenDisk(output, true)) return false;
            for (const ManifestEntry& e : m_.entries)
                if (!WriteEntry(e)) return false;
            return CloseDisk(false, m_.signatureSize);
        }
        // The stub itself carries the header blocks and flags; the disks carry the entries.
        if (!OpenDisk(output, true) || !CloseDisk(false, m_.signatureSize)) return false;
        const uint64_t minimum = stub_.size() + headerBytes_ + kTrailerSize + 4 + 64;
        if (m_.diskSize < minimum) {
            error_ = "disk size below " + std::to_string(minimum) + " bytes";
            return false;
        }
        base_ = output;
        disk_ = 1;
        if (!OpenDisk(output + ".001", true)) return false;
        for (const ManifestEntry& e : m_.entries)
            if (!WriteEntry(e)) return false;
        return CloseDisk(false, 0);
    }

  private:
    // FilesCount and SpaceNeeded from the sources, one file per distinct name.
    bool Measure() {
        std::map<std::string, uint64_t> sizes;
        for (const ManifestEntry& e : m_.entries) {
            std::error_code ec;
            const uint64_t size = fs::file_size(e.source, ec);
            if (ec) {
                error_ = "cannot read " + e.source;
                return false;
            }
            sizes[e.name.substr(0, e.name.find('*'))] += size;
        }
        filesCount_ = static_cast<uint32_t>(sizes.size());
        for (size_t i = 0; i < kSpaceNeededCount; ++i) {
            const uint64_t cluster = i == 0 ? 1 : uint64_t{256} << i;
            uint64_t total = 0;
            for (const auto& [name, size] : sizes)
                total += (size + cluster - 1) / cluster * cluster;
            space_[i] = static_cast<uint32_t>(std::min<uint64_t>(total, UINT32_MAX));
        }
        return true;
    }

    bool OpenDisk(const std::string& path, bool withStub) {
        out_.reset(std::fopen(path.c_str(), "wb+"));
        if (!out_) {
            error_ = "cannot write " + path;
            return false;
        }
        path_ = path;
        result_.files.push_back(path);
        size_ = 0;
        packageStart_ = withStub ? stub_.size() : 0;
        withStub_ = withStub;
        if (withStub && (!Put(stub_) || !PutHeaders())) return false;
        return true;
    }

    bool PutHeaders() {
        for (const std::string& h : headers_) {
            std::string length(4, '\0');
            ByteWriter(length.data(), 4).U32(0, static_cast<uint32_t>(h.size()));
            if (!Put(length) || !Put(h)) return false;
        }
        return true;
    }

    bool Put(const std::string& bytes) { return Put(bytes.data(), bytes.size()); }
    bool Put(const void* data, size_t size) {
        if (std::fwrite(data, 1, size, out_.get()) != size) {
            error_ = "cannot write " + path_;
            return false;
        }
        size_ += size;
        return true;
    }

    bool CloseDisk(bool moreDisks, uint64_t signatureSize) {
        PackageTrailer t;
        t.formatTag = 1;
        t.headerBlockCount = static_cast<uint8_t>(headers_.size());
        t.packageStart = static_cast<uint32_t>(packageStart_);
        t.filesCount = filesCount_;
        t.magic = kPackageMagic;
        t.checksum = kChecksumPassAll;
        const uint64_t now = static_cast<uint64_t>(std::time(nullptr));
        t.buildStamp = m_.buildStamp ? *m_.buildStamp : now + kStampEpochOffset;
        t.spaceNeeded = space_;
        t.flags = static_cast<uint8_t>((m_.flags & ~kMoreDisks) | (moreDisks ? kMoreDisks : 0));
        t.webInstall = m_.webInstall;
        t.confirmDownload = m_.confirmDownload;
        t.makeAgentCopy = m_.makeAgentCopy;
        t.isAgent = m_.isAgent;
        t.trailerLength = kTrailerSize;
        const uint64_t trailerStart = size_;
        const auto bytes = SerializeTrailer(t);
        if (!Put(bytes.data(), bytes.size())) return false;
        if (signatureSize) {
            if (!withStub_ || stub_.size() < kExecutableHeaderSize || stub_[0] != 'M' ||
                stub_[1] != 'Z' || stub_[256] != 'P' || stub_[257] != 'E') {
                error_ = "a signature needs an executable stub ('MZ' with 'PE' at 256)";
                return false;
            }
            std::string end(8, '\0');
            ByteWriter(end.data(), 8).U32(0, static_cast<uint32_t>(size_ >> 32));
            ByteWriter(end.data(), 8).U32(4, static_cast<uint32_t>(size_));
            std::string blob(signatureSize, '\0');
            for (size_t i = 0; i < blob.size(); ++i) blob[i] = static_cast<char>(0xA5 ^ (i * 13));
            if (!Put(blob) || !PatchAt(kTrailerEndHighOffset, end)) return false;
        }
        std::fflush(out_.get());
        if (!m_.checksumPassAll) {
            auto reader = StdioFileReader::Open(path_);
            if (!reader) {
                error_ = "cannot read back " + path_;
                return false;
            }
            std::string sum(4, '\0');
            ByteWriter(sum.data(), 4).U32(0, PackageChecksum(*reader, kTrailerSize));
            if (!PatchAt(trailerStart + 16, sum)) return false;
        }
        if (std::fclose(out_.release()) != 0) {
            error_ = "cannot write " + path_;
            return false;
        }
        return true;
    }

    bool PatchAt(uint64_t offset, const std::string& bytes) {
        const uint64_t end = size_;
        if (SeekTo(out_.get(), offset) != 0 || !Put(bytes) || SeekTo(out_.get(), end) != 0) {
            error_ = "cannot write " + path_;
            return false;
        }
        size_ = end;
        return true;
    }

    // Room for one more block's payload on the current disk (spanned builds only).
    uint64_t Room() const {
        const uint64_t used = size_ + kTrailerSize + 4;
        return m_.diskSize > used ? m_.diskSize - used : 0;
    }

    bool NextDisk() {
        if (!CloseDisk(true, 0)) return false;
        ++disk_;
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, ".%03u", disk_);
        return OpenDisk(base_ + suffix, false);
    }

    // Largest data piece whose block fits `room`, or 0 when not even an empty one fits.
    uint64_t PieceFitting(uint64_t room, size_t headerSize, bool compressed) {
        const uint64_t overhead = headerSize + 1;
        if (!compressed) return room > overhead ? room - overhead : 0;
        z_stream zs{};
        deflateInit(&zs, Z_BEST_COMPRESSION);
        auto bound = [&](uint64_t data) {
            return uint64_t{deflateBound(&zs, uLong(data + overhead))};
        };
        uint64_t piece = std::min<uint64_t>(room, kMaxPieceData);
        while (piece > 0 && bound(piece) > room) piece -= std::min(piece, bound(piece) - room);
        const bool emptyFits = bound(0) <= room;
        deflateEnd(&zs);
        return emptyFits ? piece : 0;
    }

    bool WriteEntry(const ManifestEntry& entry) {
        File source(std::fopen(entry.source.c_str(), "rb"));
        std::error_code ec;
        const uint64_t size = fs::file_size(entry.source, ec);
        if (!source || ec) {
            error_ = "cannot read " + entry.source;
            return false;
        }
        const uint32_t stamp = entry.dosStamp ? *entry.dosStamp : FileDosStamp(entry.source);
        const std::string header = "|" + entry.name + "|" + std::to_string(stamp) + "|";
        if (entry.name.find('|') != std::string::npos) {
            error_ = "entry name holds '|': " + entry.name;
            return false;
        }
        uint64_t done = 0;
        do {
            uint64_t piece = std::min(size - done, kMaxPieceData);
            if (m_.diskSize) {
                uint64_t fits = PieceFitting(Room(), header.size(), entry.compressed);
                // A piece of nothing only when the whole file is empty.
                if (fits == 0 || (fits < piece && fits < 64)) {
                    if (!NextDisk()) return false;
                    fits = PieceFitting(Room(), header.size(), entry.compressed);
                    if (fits == 0 && piece > 0) {
                        error_ = "disk size too small for " + entry.name;
                        return false;
                    }
                }
                piece = std::min(piece, fits);
            }
            if (!WriteBlock(header, source.get(), done, piece, entry.compressed)) return false;
            done += piece;
        } while (done < size);
        return true;
    }

    bool WriteBlock(const std::string& header, std::FILE* source, uint64_t offset, uint64_t size,
                    bool compressed) {
        const uint64_t lengthAt = size_;
        if (!Put(std::string(4, '\0'))) return false;
        const uint64_t start = size_;
        std::string payloadHead = header + std::string(1, '\0');
        std::vector<char> in(kIoSlice), out(kIoSlice);
        if (SeekTo(source, offset) != 0) {
            error_ = "cannot read an entry source";
            return false;
        }
        z_stream zs{};
        if (compressed) deflateInit(&zs, Z_BEST_COMPRESSION);
        auto feed = [&](const char* data, size_t n, bool last) {
            if (!compressed) return Put(data, n);
            zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
            zs.avail_in = static_cast<uInt>(n);
            do {
                zs.next_out = reinterpret_cast<Bytef*>(out.data());
                zs.avail_out = static_cast<uInt>(out.size());
                deflate(&zs, last ? Z_FINISH : Z_NO_FLUSH);
                if (!Put(out.data(), out.size() - zs.avail_out)) return false;
            } while (zs.avail_out == 0);
            return true;
        };
        bool ok = feed(payloadHead.data(), payloadHead.size(), size == 0);
        for (uint64_t done = 0; ok && done < size;) {
            const size_t n = static_cast<size_t>(std::min<uint64_t>(in.size(), size - done));
            if (std::fread(in.data(), 1, n, source) != n) {
                error_ = "cannot read an entry source";
                ok = false;
                break;
            }
            done += n;
            ok = feed(in.data(), n, done == size);
        }
        if (compressed) deflateEnd(&zs);
        if (!ok) return false;
        const uint64_t blockSize = size_ - start;
        if (blockSize > INT32_MAX) {
            error_ = "entry block too large";
            return false;
        }
        const int32_t length =
            compressed ? static_cast<int32_t>(blockSize) : -static_cast<int32_t>(blockSize);
        std::string field(4, '\0');
        ByteWriter(field.data(), 4).U32(0, static_cast<uint32_t>(length));
        return PatchAt(lengthAt, field);
    }

    const Manifest& m_;
    std::string stub_;
    BuildResult& result_;
    std::string& error_;
    std::vector<std::string> headers_;
    uint64_t headerBytes_ = 0;
    uint32_t filesCount_ = 0;
    std::array<uint32_t, kSpaceNeededCount> space_{};
    File out_;
    std::string path_;
    std::string base_;
    unsigned disk_ = 0;
    uint64_t size_ = 0;
    uint64_t packageStart_ = 0;
    bool withStub_ = false;
};

}  // namespace

bool HeaderBlocks(const Manifest& m, std::vector<std::string>& blocks, std::string& error) {
    blocks.clear();
    std::vector<std::string> sections;
    for (const ManifestLanguage& language : m.languages) {
        std::vector<std::string> items{language.name};
        for (const auto& [key, value] : language.strings) items.push_back(key + "=" + value);
        std::string section;
        for (const std::string& item : items)
            if (item.find('\x02') != std::string::npos) {
                error = "language text holds byte 0x02: " + item;
                return false;
            }
        if (!ListOf('\x01', items, section, error)) return false;
        sections.push_back(section);
    }
    std::string languageBlock, update, web;
    if (!ListOf('\x02', sections, languageBlock, error)) return false;
    if (!ListOf('|',
                {m.updateUrl, m.infoFile, m.agentExe,
                 Scrambled(m.updateToken, m.updateTokenScrambled), m.runHidden ? "1" : "0"},
                update, error))
        return false;
    blocks = {languageBlock, update};
    if (m.hasWeb) {
        if (!ListOf('|',
                    {m.packageUrl, m.packageFile, m.alwaysDownload ? "1" : "0",
                     Scrambled(m.webToken, m.webTokenScrambled), m.packageSize},
                    web, error))
            return false;
        blocks.push_back(web);
    }
    return true;
}

bool BuildPackage(const Manifest& manifest, const std::string& stubPath, const std::string& output,
                  BuildResult& result, std::string& error) {
    const std::string stubFile = stubPath.empty() ? manifest.stub : stubPath;
    if (stubFile.empty()) {
        error = "no stub given";
        return false;
    }
    File stub(std::fopen(stubFile.c_str(), "rb"));
    if (!stub) {
        error = "cannot read " + stubFile;
        return false;
    }
    std::string image;
    char buffer[65536];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, stub.get())) > 0;)
        image.append(buffer, n);
    if (image.size() > UINT32_MAX / 2) {
        error = "stub too large";
        return false;
    }
    return Builder(manifest, std::move(image), result, error).Run(output);
}
