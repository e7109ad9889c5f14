// Packages assembled in memory for tests, written field by field so that tests can also break
// them on purpose.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/bytes.h"
#include "stub/package/extract_target.h"
#include "stub/package/package_trailer.h"

namespace testpkg {

inline std::string U32(uint32_t value) {
    std::string out(4, '\0');
    ByteWriter(out.data(), 4).U32(0, value);
    return out;
}

inline std::string Block(int32_t length, const std::string& bytes) {
    return U32(static_cast<uint32_t>(length)) + bytes;
}
inline std::string StoredEntry(const std::string& header, const std::string& data) {
    const std::string payload = header + std::string(1, '\0') + data;
    return Block(-static_cast<int32_t>(payload.size()), payload);
}
inline std::string CompressedEntry(const std::string& header, const std::string& data) {
    const std::string payload = header + std::string(1, '\0') + data;
    uLongf size = compressBound(static_cast<uLong>(payload.size()));
    std::string out(size, '\0');
    compress(reinterpret_cast<Bytef*>(out.data()), &size,
             reinterpret_cast<const Bytef*>(payload.data()), static_cast<uLong>(payload.size()));
    out.resize(size);
    return Block(static_cast<int32_t>(out.size()), out);
}

// A stand-in for the stub image: an executable header with room for TrailerEndOffset.
inline std::string StubImage(size_t size = 1024) {
    std::string image(size, 'S');
    image[0] = 'M';
    image[1] = 'Z';
    image[256] = 'P';
    image[257] = 'E';
    for (size_t i = 248; i < 256; ++i) image[i] = '\0';
    return image;
}

inline PackageTrailer BaseTrailer(uint32_t packageStart, uint32_t filesCount = 0) {
    PackageTrailer t;
    t.formatTag = 1;
    t.headerBlockCount = 2;
    t.packageStart = packageStart;
    t.filesCount = filesCount;
    t.magic = kPackageMagic;
    t.checksum = kChecksumPassAll;
    t.trailerLength = kTrailerSize;
    return t;
}

inline std::string TrailerBytes(const PackageTrailer& t) {
    const auto bytes = SerializeTrailer(t);
    return std::string(bytes.begin(), bytes.end());
}

inline const std::string kLanguage =
    "\x02\x01"
    "English\x01"
    "s0=Title\x01\x02";
inline const std::string kUpdate = "|http://|.info|.exe||0|";

// stub + language + update params + entries + trailer.
inline std::string Package(const std::vector<std::string>& entries,
                           PackageTrailer* trailerOut = nullptr,
                           const std::string& stub = StubImage()) {
    std::string file = stub + Block(static_cast<int32_t>(kLanguage.size()), kLanguage) +
                       Block(static_cast<int32_t>(kUpdate.size()), kUpdate);
    for (const auto& entry : entries) file += entry;
    PackageTrailer t =
        BaseTrailer(static_cast<uint32_t>(stub.size()), static_cast<uint32_t>(entries.size()));
    if (trailerOut) t = *trailerOut, t.packageStart = static_cast<uint32_t>(stub.size());
    return file + TrailerBytes(t);
}

// Files in memory.
class MemoryTarget : public ExtractTarget {
  public:
    std::map<std::string, std::string> files;
    std::map<std::string, uint32_t> stamps;
    bool failWrites = false;

    bool Prepare() override { return true; }
    bool Exists(const std::string& name) override { return files.count(name) != 0; }
    std::unique_ptr<OutputFile> Open(const std::string& name, bool append) override {
        if (!append) files[name].clear();
        files[name];
        return std::make_unique<File>(*this, name);
    }
    void Remove(const std::string& name) override { files.erase(name); }

  private:
    class File : public OutputFile {
      public:
        File(MemoryTarget& owner, std::string name) : owner_(owner), name_(std::move(name)) {}
        bool Write(const void* data, size_t size) override {
            if (owner_.failWrites) return false;
            owner_.files[name_].append(static_cast<const char*>(data), size);
            return true;
        }
        bool Finish(uint32_t stamp) override {
            if (stamp) owner_.stamps[name_] = stamp;
            return true;
        }

      private:
        MemoryTarget& owner_;
        std::string name_;
    };
};

class MemoryDisks : public DiskSource {
  public:
    std::map<std::string, std::string> disks;
    std::vector<std::string> asked;
    std::unique_ptr<FileReader> OpenDisk(const std::string& path, unsigned) override {
        asked.push_back(path);
        auto it = disks.find(path);
        if (it == disks.end()) return nullptr;
        return std::make_unique<MemoryFileReader>(it->second);
    }
};

// Records what the user would be told.
class RecordingObserver : public ExtractObserver {
  public:
    std::vector<std::string> events;
    int steps = 0;
    void ProgressStep() override { ++steps; }
    void WriteFailed(const std::string& name, uint64_t size) override {
        events.push_back("write " + name + " " + std::to_string(size));
    }
    void NameRefused(const std::string& name) override { events.push_back("refused " + name); }
    void DiskCorrupt(const std::string& path, const std::string& reason) override {
        events.push_back("corrupt " + path + ": " + reason);
    }
    void InflateFailed(const std::string& name, const std::string& message) override {
        events.push_back("inflate " + name + ": " + message);
    }
};

}  // namespace testpkg
