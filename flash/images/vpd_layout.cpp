#include "flash/images/vpd_layout.h"

#include <algorithm>

#include "common/bytes.h"

VpdResourceWalk::VpdResourceWalk(const uint8_t* vpd, size_t length)
    : vpd_(vpd),
      length_(vpd ? length : 0),
      position_(kVpdResourceHeaderSize + ByteReader(vpd_, length_).U16(1)) {}

bool VpdResourceWalk::Next(VpdResource* resource) {
    if (position_ >= length_) {
        end_ = VpdWalkEnd::kPastEnd;
        return false;
    }
    const uint8_t tag = vpd_[position_];
    if (tag <= 0x80) {
        end_ = tag == kVpdEndTag ? VpdWalkEnd::kEndTag : VpdWalkEnd::kOtherTag;
        position_ = length_;
        return false;
    }
    // A tag in the last two bytes has no room for its length: the VPD ends inside it.
    ByteReader r(vpd_, length_);
    if (!r.Has(position_, kVpdResourceHeaderSize)) {
        end_ = VpdWalkEnd::kPastEnd;
        position_ = length_;
        return false;
    }
    resource->offset = position_;
    resource->tag = tag;
    resource->length = r.U16(position_ + 1);
    resource->dataOffset = position_ + kVpdResourceHeaderSize;
    resource->dataLength = std::min<size_t>(resource->length, length_ - resource->dataOffset);
    position_ = resource->dataOffset + resource->length;
    end_ = VpdWalkEnd::kPastEnd;
    return true;
}

VpdKeywordWalk::VpdKeywordWalk(const uint8_t* vpd, size_t length, const VpdResource& resource)
    : vpd_(vpd),
      position_(resource.dataOffset),
      end_(vpd ? std::min(resource.dataOffset + resource.dataLength, length) : 0) {}

bool VpdKeywordWalk::Next(VpdKeyword* keyword) {
    if (position_ >= end_ || end_ - position_ < kVpdKeywordHeaderSize) return false;
    const uint8_t valueLength = vpd_[position_ + 2];
    const size_t valueOffset = position_ + kVpdKeywordHeaderSize;
    if (valueLength > end_ - valueOffset) {
        position_ = end_;
        return false;
    }
    keyword->name[0] = static_cast<char>(vpd_[position_]);
    keyword->name[1] = static_cast<char>(vpd_[position_ + 1]);
    keyword->valueOffset = valueOffset;
    keyword->valueLength = valueLength;
    position_ = valueOffset + valueLength;
    return true;
}

bool IsVpdKeyword(const VpdKeyword& keyword, const char name[3]) {
    return keyword.name[0] == name[0] && keyword.name[1] == name[1];
}

size_t VpdIdentifierLength(const uint8_t* vpd, size_t length) {
    if (!vpd || length < kVpdResourceHeaderSize) return 0;
    return std::min<size_t>(ByteReader(vpd, length).U16(1), length - kVpdResourceHeaderSize);
}

bool SetVpdChecksum(uint8_t* vpd, size_t length) {
    VpdResourceWalk resources(vpd, length);
    VpdResource resource;
    while (resources.Next(&resource)) {
        VpdKeywordWalk keywords(vpd, length, resource);
        VpdKeyword keyword;
        while (keywords.Next(&keyword)) {
            if (!IsVpdKeyword(keyword, "RV") || keyword.valueLength == 0) continue;
            uint8_t sum = 0;
            for (size_t i = 0; i < keyword.valueOffset; ++i)
                sum = static_cast<uint8_t>(sum + vpd[i]);
            vpd[keyword.valueOffset] = static_cast<uint8_t>(-sum);
            return true;
        }
    }
    return false;
}
