#include "stub/package/extract_package.h"

#include <zlib.h>

#include <algorithm>
#include <vector>

#include "stub/package/agent_copy.h"
#include "stub/package/block_walk.h"
#include "stub/package/entry_header.h"
#include "stub/package/entry_payload.h"
#include "stub/package/package_checksum.h"
#include "stub/package/package_trailer.h"
#include "stub/package/tg_file_info.h"

namespace {

bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
    if (text.size() < suffix.size()) return false;
    text = text.substr(text.size() - suffix.size());
    for (size_t i = 0; i < suffix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != suffix[i]) return false;
    }
    return true;
}

class Inflater {
  public:
    Inflater() { ok_ = inflateInit(&stream_) == Z_OK; }
    ~Inflater() {
        if (ok_) inflateEnd(&stream_);
    }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;
    bool ok() const { return ok_; }
    z_stream& stream() { return stream_; }

  private:
    z_stream stream_{};
    bool ok_ = false;
};

std::string ZlibMessage(const z_stream& stream, int code) {
    return stream.msg ? stream.msg : zError(code);
}

class DiskExtractor {
  public:
    DiskExtractor(FileReader& file, ExtractTarget& target, ExtractObserver& observer,
                  ExtractCounters& counters, ExtractResult& result)
        : file_(file),
          target_(target),
          observer_(observer),
          counters_(counters),
          result_(result),
          in_(kExtractSlice),
          out_(kExtractSlice) {}

    // Extracts one entry block; false ends the extraction (result_.status says why).
    bool Entry(const BlockRef& block) {
        EntryPayloadWriter writer(target_, observer_, counters_);
        const bool done = block.compressed ? Inflate(block, writer) : Copy(block, writer);
        if (!done) {
            writer.Abandon();
            return false;
        }
        writer.Finish();
        if (!writer.runName().empty()) result_.runName = writer.runName();
        return true;
    }

  private:
    bool Copy(const BlockRef& block, EntryPayloadWriter& writer) {
        for (uint32_t done = 0; done < block.size;) {
            const size_t n = std::min<size_t>(in_.size(), block.size - done);
            if (!file_.ReadExact(block.dataOffset + done, in_.data(), n)) {
                result_.status = ExtractStatus::kReadFailed;
                return false;
            }
            writer.Consume(in_.data(), n);
            done += static_cast<uint32_t>(n);
            observer_.Pump();
        }
        return true;
    }

    bool Inflate(const BlockRef& block, EntryPayloadWriter& writer) {
        Inflater inflater;
        z_stream& zs = inflater.stream();
        if (!inflater.ok()) return Failed(writer, ZlibMessage(zs, Z_MEM_ERROR));
        uint32_t consumed = 0;
        for (;;) {
            if (zs.avail_in == 0 && consumed < block.size) {
                const size_t n = std::min<size_t>(in_.size(), block.size - consumed);
                if (!file_.ReadExact(block.dataOffset + consumed, in_.data(), n)) {
                    result_.status = ExtractStatus::kReadFailed;
                    return false;
                }
                consumed += static_cast<uint32_t>(n);
                zs.next_in = in_.data();
                zs.avail_in = static_cast<uInt>(n);
            }
            zs.next_out = out_.data();
            zs.avail_out = static_cast<uInt>(out_.size());
            const int code = inflate(&zs, Z_NO_FLUSH);
            const size_t produced = out_.size() - zs.avail_out;
            if (produced) writer.Consume(out_.data(), produced);
            observer_.Pump();
            if (code == Z_STREAM_END) return true;
            if (code == Z_BUF_ERROR && zs.avail_in == 0 && consumed == block.size)
                return Failed(writer, "unexpected end of compressed data");
            if (code != Z_OK && code != Z_BUF_ERROR) return Failed(writer, ZlibMessage(zs, code));
        }
    }

    bool Failed(const EntryPayloadWriter& writer, const std::string& message) {
        result_.status = ExtractStatus::kInflateFailed;
        observer_.InflateFailed(writer.displayName(), message);
        return false;
    }

    FileReader& file_;
    ExtractTarget& target_;
    ExtractObserver& observer_;
    ExtractCounters& counters_;
    ExtractResult& result_;
    std::vector<uint8_t> in_;
    std::vector<uint8_t> out_;
};

// One disk file; false ends the extraction.
bool ExtractDisk(FileReader& file, const std::string& path, unsigned disk,
                 const ExtractRequest& request, ExtractTarget& target, ExtractObserver& observer,
                 ExtractCounters& counters, ExtractResult& result, PackageTrailer& trailer) {
    const TrailerPlace place = ReadTrailer(file);
    if (!place.ok()) {
        result.status = ExtractStatus::kCorrupt;
        observer.DiskCorrupt(path, DescribeTrailerError(place.error));
        return false;
    }
    trailer = place.trailer;
    if (disk == 1) {
        result.filesCount = trailer.filesCount;
        observer.Log("FileInfo.FilesCount=" + std::to_string(trailer.filesCount));
    }
    const uint32_t sum = PackageChecksum(file, trailer.trailerLength);
    result.checksumPassed = ChecksumPasses(sum, trailer.checksum);
    if (!result.checksumPassed) {
        result.status = ExtractStatus::kChecksumFailed;
        return false;
    }
    observer.Log("FileLen=" + std::to_string(place.trailerEnd));
    if (!trailer.HasMagic()) return true;

    const unsigned headers = disk == 1 ? trailer.headerBlockCount : 0;
    if (const BlockError error = ValidateBlockChain(file, place, headers);
        error != BlockError::kNone) {
        result.status = ExtractStatus::kCorrupt;
        observer.DiskCorrupt(path, DescribeBlockError(error));
        return false;
    }
    if (disk == 1) observer.ProgressReset(trailer.filesCount);
    if (!target.Prepare()) observer.DirectoryFailed();

    DiskExtractor extractor(file, target, observer, counters, result);
    BlockWalker walker(file, place, headers);
    uint64_t firstEntryOffset = trailer.packageStart;
    BlockRef block;
    while (walker.Next(block)) {
        observer.Pump();
        if (block.header) {
            firstEntryOffset = walker.position();
            continue;
        }
        if (!extractor.Entry(block)) return false;
    }

    if (disk == 1 && !request.agentName.empty() &&
        (EndsWithNoCase(request.archive, ".exe") || EndsWithNoCase(request.archive, ".exe.001"))) {
        const std::string name(FileNamePart(request.agentName));
        std::unique_ptr<OutputFile> out;
        if (IsSafeEntryName(name)) out = target.Open(name, false);
        const bool written = out && WriteAgentCopy(file, trailer, firstEntryOffset, *out, observer);
        const bool finished = out && out->Finish(request.archiveStamp);
        if (!(written && finished) && ++counters.writeErrors == 1)
            observer.WriteFailed(name, 0);
        else if (written && finished)
            observer.Log(" New AU-Agent: " + name);
    }
    return true;
}

}  // namespace

ExtractResult ExtractPackage(const ExtractRequest& request, DiskSource& disks,
                             ExtractTarget& target, ExtractObserver& observer,
                             ExtractCounters& counters) {
    ExtractResult result;
    observer.ProgressReset(0);
    const std::string base = DiskBaseName(request.archive);
    std::string path = request.archive;
    std::unique_ptr<FileReader> file = disks.OpenDisk(path, 1);
    if (!file) {
        result.status = ExtractStatus::kFirstDiskMissing;
        return result;
    }
    for (unsigned disk = 1;; ++disk) {
        PackageTrailer trailer;
        const bool goOn =
            ExtractDisk(*file, path, disk, request, target, observer, counters, result, trailer);
        file.reset();
        if (!goOn) {
            result.runName.clear();
            return result;
        }
        if (!trailer.Flag(kMoreDisks)) return result;
        path = DiskFileName(base, disk + 1);
        file = disks.OpenDisk(path, disk + 1);
        observer.ProgressStep();
        if (!file) {
            result.status = ExtractStatus::kCancelled;
            result.runName.clear();
            return result;
        }
    }
}
