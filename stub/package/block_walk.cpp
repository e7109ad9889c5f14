#include "stub/package/block_walk.h"

#include <limits>
#include <string>

#include "common/bytes.h"

BlockWalker::BlockWalker(FileReader& file, const TrailerPlace& place, unsigned headerBlocksLeft)
    : file_(file),
      position_(place.trailer.packageStart),
      end_(place.trailerStart),
      headerBlocksLeft_(headerBlocksLeft) {
    if (!place.ok() || position_ > end_) error_ = BlockError::kStartOutsideFile;
}

bool BlockWalker::Next(BlockRef& block) {
    if (error_ != BlockError::kNone || position_ >= end_) return false;
    uint8_t lengthBytes[4];
    if (end_ - position_ < 4 || !file_.ReadExact(position_, lengthBytes, 4)) {
        error_ = end_ - position_ < 4 ? BlockError::kPastEnd : BlockError::kUnreadableLength;
        return false;
    }
    const auto length = static_cast<int32_t>(ByteReader(lengthBytes, 4).U32(0));
    if (length == std::numeric_limits<int32_t>::min()) {
        error_ = BlockError::kLengthMinimum;
        return false;
    }
    const bool header = headerBlocksLeft_ > 0;
    if (header && length < 0) {
        error_ = BlockError::kNegativeHeader;
        return false;
    }
    const uint32_t size = static_cast<uint32_t>(length < 0 ? -length : length);
    if (size > end_ - position_ - 4) {
        error_ = BlockError::kPastEnd;
        return false;
    }
    block.dataOffset = position_ + 4;
    block.size = size;
    block.header = header;
    block.compressed = !header && length > 0;
    if (header) --headerBlocksLeft_;
    position_ += 4 + uint64_t{size};
    return true;
}

BlockError ValidateBlockChain(FileReader& file, const TrailerPlace& place, unsigned headerBlocks) {
    BlockWalker walker(file, place, headerBlocks);
    BlockRef block;
    while (walker.Next(block)) {
    }
    return walker.error();
}

std::string DescribeBlockError(BlockError error) {
    switch (error) {
        case BlockError::kNone:
            return "no error";
        case BlockError::kStartOutsideFile:
            return "package start outside the file";
        case BlockError::kUnreadableLength:
            return "block length unreadable";
        case BlockError::kLengthMinimum:
            return "block length -2147483648";
        case BlockError::kNegativeHeader:
            return "header block with a negative length";
        case BlockError::kPastEnd:
            return "block runs past the end of the disk file";
    }
    return "unknown";
}
