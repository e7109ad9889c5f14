// The chain of length-prefixed blocks between PackageStart and the trailer. Every length is
// checked against that region before anything trusts it, so a hostile file cannot make a reader
// run past its end.
#pragma once

#include <cstdint>

#include "stub/package/file_reader.h"
#include "stub/package/package_trailer.h"

struct BlockRef {
    uint64_t dataOffset = 0;  // first byte after the length field
    uint32_t size = 0;        // |L|
    bool compressed = false;  // entry blocks with L > 0 hold a zlib stream
    bool header = false;      // one of the first HeaderBlockCount blocks of the first disk
};

enum class BlockError {
    kNone,
    kStartOutsideFile,  // PackageStart lies past the trailer
    kUnreadableLength,
    kLengthMinimum,   // -2147483648 has no magnitude
    kNegativeHeader,  // header blocks are always stored with L >= 0
    kPastEnd,         // the block runs into the trailer or past the end of the file
};

class BlockWalker {
  public:
    // `headerBlocksLeft`: how many blocks at the start are header blocks (0 on disks 2..N).
    BlockWalker(FileReader& file, const TrailerPlace& place, unsigned headerBlocksLeft);

    // Yields the next block; false at the end of the chain or on an error (see error()).
    bool Next(BlockRef& block);
    BlockError error() const { return error_; }
    uint64_t position() const { return position_; }

  private:
    FileReader& file_;
    uint64_t position_;
    uint64_t end_;
    unsigned headerBlocksLeft_;
    BlockError error_ = BlockError::kNone;
};

// Walks the whole chain once, reading only the length fields: a disk file that fails here is
// corrupt and nothing of it may be written.
BlockError ValidateBlockChain(FileReader& file, const TrailerPlace& place, unsigned headerBlocks);

std::string DescribeBlockError(BlockError error);
