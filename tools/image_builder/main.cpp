// tessel-image: writes firmware images, common boot blocks, Ombra images, PCI expansion ROM
// images, boot-services regions and VPD bytes from options, and describes such files.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "tools/image_builder/image_builder.h"

namespace {

using imgb::Bytes;

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// One option of a subcommand: `argument` is null for a switch. `set` answers an error text, empty
// when the value was taken.
struct Option {
    const char* name;
    const char* argument;
    const char* help;
    std::function<std::string(std::string_view)> set;
};

struct Subcommand {
    const char* name;
    const char* summary;
    int (*run)(const char* name, int argc, char** argv);
};

int Usage(FILE* to);

int UsageError(const char* subcommand, const std::string& message) {
    std::fprintf(stderr, "tessel-image %s: %s\nRun \"tessel-image help\" for the options.\n",
                 subcommand, message.c_str());
    return kExitUsage;
}

bool ParseNumber(std::string_view text, uint64_t limit, uint64_t* value) {
    std::string copy(text);
    if (copy.empty() || copy[0] == '-' || copy[0] == '+' || copy[0] == ' ') return false;
    char* end = nullptr;
    errno = 0;
    unsigned long long parsed = std::strtoull(copy.c_str(), &end, 0);
    if (errno != 0 || *end != '\0' || parsed > limit) return false;
    *value = parsed;
    return true;
}

template <typename T>
std::function<std::string(std::string_view)> Number(T* target, uint64_t limit = ~T{0}) {
    return [target, limit](std::string_view text) -> std::string {
        uint64_t value = 0;
        if (!ParseNumber(text, limit, &value))
            return "\"" + std::string(text) + "\" is not a number from 0 to " +
                   std::to_string(limit) + " (decimal, or hexadecimal with 0x)";
        *target = static_cast<T>(value);
        return {};
    };
}

std::function<std::string(std::string_view)> Flag(bool* target) {
    return [target](std::string_view) {
        *target = true;
        return std::string();
    };
}

std::function<std::string(std::string_view)> Text(std::string* target) {
    return [target](std::string_view text) {
        *target = text;
        return std::string();
    };
}

std::function<std::string(std::string_view)> Version(uint32_t* target) {
    return [target](std::string_view text) -> std::string {
        if (!imgb::ParseVersionWord(text, target))
            return "\"" + std::string(text) + "\" is not a version like 1.32.0.0";
        return {};
    };
}

void PrintOptions(FILE* to, const std::vector<Option>& options) {
    for (const Option& option : options) {
        std::string left = std::string("  --") + option.name;
        if (option.argument) left += std::string(" ") + option.argument;
        std::fprintf(to, "%-30s %s\n", left.c_str(), option.help);
    }
}

// Walks argv against the table; answers 0 when every argument was taken.
int ParseOptions(const char* subcommand, int argc, char** argv, const std::vector<Option>& options,
                 std::vector<std::string>* positional = nullptr) {
    for (int i = 0; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::printf("Options of tessel-image %s:\n", subcommand);
            PrintOptions(stdout, options);
            std::exit(0);
        }
        if (arg.substr(0, 2) != "--") {
            if (!positional)
                return UsageError(subcommand, "unexpected argument \"" + std::string(arg) + "\"");
            positional->emplace_back(arg);
            continue;
        }
        std::string_view name = arg.substr(2);
        std::string_view value;
        bool inlineValue = false;
        if (size_t equals = name.find('='); equals != std::string_view::npos) {
            value = name.substr(equals + 1);
            name = name.substr(0, equals);
            inlineValue = true;
        }
        const Option* found = nullptr;
        for (const Option& option : options)
            if (name == option.name) found = &option;
        if (!found) return UsageError(subcommand, "unknown option --" + std::string(name));
        if (found->argument && !inlineValue) {
            if (i + 1 >= argc)
                return UsageError(subcommand,
                                  "--" + std::string(name) + " needs " + found->argument);
            value = argv[++i];
        } else if (!found->argument && inlineValue) {
            return UsageError(subcommand, "--" + std::string(name) + " takes no value");
        }
        if (std::string error = found->set(value); !error.empty())
            return UsageError(subcommand, "--" + std::string(name) + ": " + error);
    }
    return 0;
}

bool ReadFile(const std::string& path, Bytes* bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

int WriteOutput(const char* subcommand, const std::string& path, const Bytes& bytes) {
    if (path.empty()) return UsageError(subcommand, "--out FILE is required");
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "tessel-image %s: cannot write %s: %s\n", subcommand, path.c_str(),
                     std::strerror(errno));
        return kExitFailure;
    }
    std::printf("%s: %zu bytes\n", path.c_str(), bytes.size());
    return 0;
}

// ---- firmware -----------------------------------------------------------------------------------

int RunFirmware(const char* name, int argc, char** argv) {
    std::string chip, kind = "it", out;
    uint16_t device = 0, productId = 0, nvdataMajor = 0;
    uint32_t revision = 0x100, seqCode = 0, version = 0x01200000, nvdataLoad = 0x00FF8000;
    bool haveDevice = false, haveProductId = false, haveSeqCode = false, haveNvdataMajor = false;
    bool flash2Mb = false, noSizeInquiry = false, noNvdata = false;
    bool nvdataPlaced = false;
    size_t mainSize = 0x4000, truncate = 0;
    imgb::NvdataSpec nvdata;
    imgb::FirmwareFaults faults;
    std::vector<imgb::ExtendedImage> chain;
    uint32_t badExt = 0;
    bool haveBadExt = false;
    nvdata.loadStartAddress = nvdataLoad;

    auto placeNvdata = [&](std::string_view) {
        // Stands for the NVDATA image; filled in once all its options are known.
        nvdataPlaced = true;
        chain.push_back(imgb::ExtendedImage{imgb::kExtTypeNvdata, 0, {}, false});
        return std::string();
    };
    auto filler = [&](imgb::ExtendedImage (*make)(size_t)) {
        return [&chain, make](std::string_view text) -> std::string {
            uint64_t size = 0;
            if (!ParseNumber(text, 0x1000000, &size))
                return "\"" + std::string(text) + "\" is not a size";
            chain.push_back(make(size));
            return {};
        };
    };
    std::vector<Option> options = {
        {"chip", "NAME", "T410, T420, T410E, T420E or T470 (sets the PCI device id)", Text(&chip)},
        {"device", "ID", "PCI device id instead of --chip, e.g. 0x0058",
         [&](std::string_view t) {
             haveDevice = true;
             return Number(&device)(t);
         }},
        {"revision", "N", "PCI revision; with the device gives SeqCodeVersion",
         Number(&revision, 0xFF)},
        {"seq-code", "X", "SeqCodeVersion as is (1 fits every T470 revision)",
         [&](std::string_view t) {
             haveSeqCode = true;
             return Number(&seqCode)(t);
         }},
        {"kind", "it|ir|N", "product kind of the ProductId (default it)", Text(&kind)},
        {"product-id", "X", "ProductId as is, e.g. 0x2204 (else from protocol, kind, family)",
         [&](std::string_view t) {
             haveProductId = true;
             return Number(&productId)(t);
         }},
        {"version", "A.B.C.D", "FWVersion (default 1.32.0.0)", Version(&version)},
        {"size", "N", "main image size, header included (default 0x4000)",
         Number(&mainSize, 0x4000000)},
        {"flash-2mb", nullptr, "set FlashLayoutFlags bit 0 (2 MB layout)", Flag(&flash2Mb)},
        {"no-size-inquiry", nullptr, "clear FlashLayoutFlags bit 1", Flag(&noSizeInquiry)},
        {"bootloader", "SIZE", "append a bootloader image (type 4) of SIZE payload bytes",
         filler(imgb::BootloaderImage)},
        {"init", "SIZE", "append an initialization image (type 5)",
         filler(imgb::InitializationImage)},
        {"cbb", "FILE", "append a common boot block image (type 5) holding FILE",
         [&](std::string_view t) -> std::string {
             Bytes block;
             if (!ReadFile(std::string(t), &block)) return "cannot read " + std::string(t);
             chain.push_back(imgb::CommonBootBlockImage(block));
             return {};
         }},
        {"cbb-version", "TEXT", "append a common boot block image built with this version",
         [&](std::string_view t) -> std::string {
             if (!imgb::IsCbbVersionText(t))
                 return "\"" + std::string(t) + "\" is not like 1.02.03.04.0005";
             imgb::CbbSpec cbb;
             cbb.version = t;
             chain.push_back(imgb::CommonBootBlockImage(imgb::BuildCommonBootBlock(cbb)));
             return {};
         }},
        {"nvdata", nullptr, "put the NVDATA image here in the chain (default: last)", placeNvdata},
        {"no-nvdata", nullptr, "leave the NVDATA image out", Flag(&noNvdata)},
        {"nvdata-version", "X", "NVDATA version word (default 0x2d03)", Number(&nvdata.version)},
        {"nvdata-major", "X", "NvdataMajorVersion at 0x10 (default: the version, low byte 0)",
         [&](std::string_view t) {
             haveNvdataMajor = true;
             return Number(&nvdataMajor)(t);
         }},
        {"nvdata-size", "N", "NVDATA bytes after the extended header (default 0x100)",
         Number(&nvdata.size, 0x100000)},
        {"nvdata-load", "X", "NvdataLoadStartAddress (default 0xff8000)", Number(&nvdataLoad)},
        {"vendor", "TEXT", "NVDATA vendor id, 8 characters (default KELMAR)",
         Text(&nvdata.vendorId)},
        {"product", "TEXT", "NVDATA product id, 16 characters (default SAS <chip>)",
         Text(&nvdata.productId)},
        {"nvdata-no-signature1", nullptr, "leave the first NVDATA signature out",
         Flag(&nvdata.omitFirstSignature)},
        {"nvdata-bad-signature1", nullptr, "corrupt the first NVDATA signature",
         Flag(&nvdata.corruptFirstSignature)},
        {"nvdata-no-signature2", nullptr, "leave the second NVDATA signature out",
         Flag(&nvdata.omitSecondSignature)},
        {"nvdata-bad-signature2", nullptr, "corrupt the second NVDATA signature",
         Flag(&nvdata.corruptSecondSignature)},
        {"bad-signature", nullptr, "fault: wrong Signature1", Flag(&faults.badSignature)},
        {"bad-checksum", nullptr, "fault: whole-file word sum not zero", Flag(&faults.badChecksum)},
        {"bad-ext-checksum", "N", "fault: extended image N (from 0) does not sum to zero",
         [&](std::string_view t) {
             haveBadExt = true;
             return Number(&badExt, 255)(t);
         }},
        {"truncate", "N", "fault: cut the file to N bytes", Number(&truncate, 0x10000000)},
        {"image-size-past-end", nullptr, "fault: ImageSize beyond the end",
         Flag(&faults.imageSizePastEnd)},
        {"link-past-end", nullptr, "fault: last link beyond the end",
         Flag(&faults.lastLinkPastEnd)},
        {"chain-loops", nullptr, "fault: last link back to the first extended image",
         Flag(&faults.chainLoops)},
        {"out", "FILE", "where to write the image", Text(&out)},
    };
    if (int status = ParseOptions(name, argc, argv, options)) return status;

    const imgb::ChipModel* model = nullptr;
    if (!chip.empty()) {
        model = imgb::FindChipModel(chip);
        if (!model)
            return UsageError(name,
                              "unknown chip \"" + chip + "\" (T410, T420, T410E, T420E, T470)");
        if (!haveDevice) device = model->deviceId;
    } else if (haveDevice) {
        model = imgb::FindChipModelByDevice(device);
    } else {
        return UsageError(name, "give --chip or --device");
    }
    if (!model && !haveProductId)
        return UsageError(name, "device id is not a known chip; give --product-id and --seq-code");

    if (!haveSeqCode) {
        if (revision <= 0xFF) {
            if (!imgb::SeqCodeVersionFor(device, static_cast<uint8_t>(revision), &seqCode))
                return UsageError(name, "PCI revision " + std::to_string(revision) +
                                            " is not listed for this chip");
        } else if (model && model->family == imgb::kFamilyT470) {
            seqCode = imgb::kSeqCodeAnyT470;
        } else {
            return UsageError(name, "give --revision (or --seq-code)");
        }
    }
    if (!haveProductId) {
        uint64_t kindNumber = 0;
        if (kind == "it")
            kindNumber = imgb::kKindIt;
        else if (kind == "ir")
            kindNumber = imgb::kKindIr;
        else if (!ParseNumber(kind, 15, &kindNumber))
            return UsageError(name, "--kind is it, ir or a number 0-15");
        productId = imgb::MakeProductId(imgb::kProtocolSas, static_cast<uint8_t>(kindNumber),
                                        model->family);
    }
    if (nvdata.productId == imgb::NvdataSpec{}.productId && model)
        nvdata.productId = std::string("SAS ") + model->name;

    imgb::FirmwareSpec spec;
    spec.productId = productId;
    spec.fwVersion = version;
    spec.seqCodeVersion = seqCode;
    spec.nvdataMajorVersion =
        haveNvdataMajor ? nvdataMajor : static_cast<uint16_t>(nvdata.version & 0xFF00);
    spec.flashLayoutFlags = (flash2Mb ? 0x1u : 0u) | (noSizeInquiry ? 0u : 0x2u);
    spec.nvdataLoadStartAddress = nvdataLoad;
    spec.mainImageSize = mainSize;
    nvdata.loadStartAddress = nvdataLoad;
    if (noNvdata && nvdataPlaced)
        return UsageError(name, "--nvdata and --no-nvdata exclude each other");
    for (imgb::ExtendedImage& ext : chain)
        if (ext.imageType == imgb::kExtTypeNvdata && ext.payload.empty())
            ext = imgb::NvdataImage(nvdata);
    if (!noNvdata && !nvdataPlaced) chain.push_back(imgb::NvdataImage(nvdata));
    if (haveBadExt) {
        if (badExt >= chain.size())
            return UsageError(name, "--bad-ext-checksum names no extended image");
        chain[badExt].badChecksum = true;
    }
    spec.extendedImages = std::move(chain);
    faults.truncateTo = truncate;
    spec.faults = faults;
    return WriteOutput(name, out, imgb::BuildFirmwareImage(spec));
}

// ---- cbb and ombra ------------------------------------------------------------------------------

int RunCbb(const char* name, int argc, char** argv) {
    imgb::CbbSpec spec;
    std::string out;
    std::vector<Option> options = {
        {"version", "TEXT", "version text M.aa.bb.cc.dddd (default 1.00.00.00.0000)",
         Text(&spec.version)},
        {"size", "N", "length of the block (default 0x800)", Number(&spec.size, 0x1000000)},
        {"bad-magic", nullptr, "fault: no BTBL magic", Flag(&spec.badMagic)},
        {"out", "FILE", "where to write the block", Text(&out)},
    };
    if (int status = ParseOptions(name, argc, argv, options)) return status;
    if (!imgb::IsCbbVersionText(spec.version))
        return UsageError(name, "--version \"" + spec.version + "\" is not like 1.02.03.04.0005");
    return WriteOutput(name, out, imgb::BuildCommonBootBlock(spec));
}

int RunOmbra(const char* name, int argc, char** argv) {
    imgb::OmbraSpec spec;
    imgb::CbbSpec cbb;
    std::string out, cbbFile;
    bool withCbb = false;
    std::vector<Option> options = {
        {"size", "N", "bytes before the boot block (default 0x8000)",
         Number(&spec.size, 0x10000000)},
        {"cbb", "FILE", "end with this common boot block, at a multiple of 0x20000",
         Text(&cbbFile)},
        {"cbb-version", "TEXT", "end with a common boot block built with this version",
         [&](std::string_view t) {
             withCbb = true;
             return Text(&cbb.version)(t);
         }},
        {"cbb-size", "N", "length of that built block (default 0x800)",
         [&](std::string_view t) {
             withCbb = true;
             return Number(&cbb.size, 0x1000000)(t);
         }},
        {"out", "FILE", "where to write the image", Text(&out)},
    };
    if (int status = ParseOptions(name, argc, argv, options)) return status;
    if (!cbbFile.empty() && withCbb)
        return UsageError(name, "--cbb and --cbb-version exclude each other");
    if (!cbbFile.empty() && !ReadFile(cbbFile, &spec.cbb))
        return UsageError(name, "cannot read " + cbbFile);
    if (withCbb) {
        if (!imgb::IsCbbVersionText(cbb.version))
            return UsageError(name,
                              "--cbb-version \"" + cbb.version + "\" is not like 1.02.03.04.0005");
        spec.cbb = imgb::BuildCommonBootBlock(cbb);
    }
    return WriteOutput(name, out, imgb::BuildOmbraImage(spec));
}

// ---- rom and region -----------------------------------------------------------------------------

int RunRom(const char* name, int argc, char** argv) {
    imgb::RomSpec spec;
    std::string type = "x86", out, versionBytes;
    uint32_t biosVersion = 0, efiVersion = 0;
    bool haveBiosVersion = false, haveEfiVersion = false, notLast = false;
    std::vector<Option> options = {
        {"type", "x86|efi|fcode|N", "code type (default x86)", Text(&type)},
        {"vendor-id", "X", "PCI vendor id (default 0x1000)", Number(&spec.vendorId)},
        {"device", "X", "PCI device id (default 0x0054)", Number(&spec.deviceId)},
        {"structure-revision", "N", "PCI data structure revision (default 3)",
         Number(&spec.structureRevision)},
        {"code-revision", "X", "code revision level", Number(&spec.codeRevision)},
        {"version-bytes", "A,B", "the two version bytes after the structure", Text(&versionBytes)},
        {"bios-version", "A.B.C.D", "x86/FCODE: code revision A<<8|B, version bytes C and D",
         [&](std::string_view t) {
             haveBiosVersion = true;
             return Version(&biosVersion)(t);
         }},
        {"efi-version", "A.B.C.D", "EFI: code revision A<<13|B<<8|C<<4|D",
         [&](std::string_view t) {
             haveEfiVersion = true;
             return Version(&efiVersion)(t);
         }},
        {"blocks", "N", "length in 512-byte blocks (default 4)", Number(&spec.blocks, 0xFFFF)},
        {"pcir-offset", "X", "offset of the PCI data structure (default 0x1c)",
         Number(&spec.pcirOffset)},
        {"not-last", nullptr, "clear the indicator (more images follow)", Flag(&notLast)},
        {"bad-checksum", nullptr, "fault: bytes do not sum to zero", Flag(&spec.badChecksum)},
        {"out", "FILE", "where to write the image", Text(&out)},
    };
    if (int status = ParseOptions(name, argc, argv, options)) return status;
    uint64_t code = 0;
    if (type == "x86")
        spec.codeType = imgb::kCodeTypeX86;
    else if (type == "efi")
        spec.codeType = imgb::kCodeTypeEfi;
    else if (type == "fcode")
        spec.codeType = imgb::kCodeTypeFcode;
    else if (ParseNumber(type, 0xFF, &code))
        spec.codeType = static_cast<uint8_t>(code);
    else
        return UsageError(name, "--type is x86, efi, fcode or a number");
    if (haveBiosVersion && haveEfiVersion)
        return UsageError(name, "--bios-version and --efi-version exclude each other");
    if (haveBiosVersion) {
        spec.codeRevision = static_cast<uint16_t>(biosVersion >> 16);
        spec.versionBytes[0] = static_cast<uint8_t>(biosVersion >> 8);
        spec.versionBytes[1] = static_cast<uint8_t>(biosVersion);
    }
    if (haveEfiVersion) {
        const uint32_t a = efiVersion >> 24, b = (efiVersion >> 16) & 0xFF,
                       c = (efiVersion >> 8) & 0xFF, d = efiVersion & 0xFF;
        if (a > 7 || b > 31 || c > 15 || d > 15)
            return UsageError(name, "--efi-version parts are at most 7.31.15.15");
        spec.codeRevision = static_cast<uint16_t>(a << 13 | b << 8 | c << 4 | d);
    }
    if (!versionBytes.empty()) {
        size_t comma = versionBytes.find(',');
        uint64_t first = 0, second = 0;
        if (comma == std::string::npos ||
            !ParseNumber(std::string_view(versionBytes).substr(0, comma), 0xFF, &first) ||
            !ParseNumber(std::string_view(versionBytes).substr(comma + 1), 0xFF, &second))
            return UsageError(name, "--version-bytes is two bytes like 0x07,0x15");
        spec.versionBytes[0] = static_cast<uint8_t>(first);
        spec.versionBytes[1] = static_cast<uint8_t>(second);
    }
    if (spec.blocks == 0) return UsageError(name, "--blocks is at least 1");
    spec.lastImage = !notLast;
    return WriteOutput(name, out, imgb::BuildRomImage(spec));
}

int RunRegion(const char* name, int argc, char** argv) {
    std::vector<Bytes> roms;
    std::vector<imgb::TrailingRecord> records;
    std::string out;
    bool keepIndicators = false;
    std::vector<Option> options = {
        {"rom", "FILE", "a ROM image, in chain order (repeat)",
         [&](std::string_view t) -> std::string {
             Bytes rom;
             if (!ReadFile(std::string(t), &rom) || rom.empty())
                 return "cannot read " + std::string(t);
             roms.push_back(std::move(rom));
             return {};
         }},
        {"record", "CLASS:ID[:LEN]", "a trailing record, e.g. 1:0x102 or 3:0x110:0x80 (repeat)",
         [&](std::string_view t) -> std::string {
             imgb::TrailingRecord record;
             std::string text(t);
             std::vector<std::string> parts;
             for (size_t start = 0;;) {
                 size_t colon = text.find(':', start);
                 parts.push_back(text.substr(start, colon - start));
                 if (colon == std::string::npos) break;
                 start = colon + 1;
             }
             uint64_t cls = 0, id = 0, length = record.length;
             if (parts.size() < 2 || parts.size() > 3 || !ParseNumber(parts[0], 15, &cls) ||
                 !ParseNumber(parts[1], 0xFFFF, &id) ||
                 (parts.size() == 3 &&
                  (!ParseNumber(parts[2], 0x1000000, &length) || length < 0x64)))
                 return "\"" + text + "\" is not CLASS:ID[:LENGTH] with LENGTH at least 0x64";
             record.recordClass = static_cast<uint8_t>(cls);
             record.identifier = static_cast<uint16_t>(id);
             record.length = static_cast<uint32_t>(length);
             records.push_back(record);
             return {};
         }},
        {"keep-indicators", nullptr, "leave indicators and checksums of the ROMs as they are",
         Flag(&keepIndicators)},
        {"out", "FILE", "where to write the region", Text(&out)},
    };
    if (int status = ParseOptions(name, argc, argv, options)) return status;
    if (roms.empty() && records.empty())
        return UsageError(name, "give at least one --rom or --record");
    return WriteOutput(name, out, imgb::BuildBootServicesRegion(roms, records, !keepIndicators));
}

// ---- vpd and info -------------------------------------------------------------------------------

int RunVpd(const char* name, int argc, char** argv) {
    imgb::VpdSpec spec;
    std::string out;
    auto keyword = [](std::vector<imgb::VpdKeyword>* list) {
        return [list](std::string_view t) -> std::string {
            size_t equals = t.find('=');
            if (equals != 2)
                return "\"" + std::string(t) + "\" is not KW=VALUE with a two-character KW";
            if (t.size() - 3 > 0xFF) return "a keyword value holds at most 255 bytes";
            list->push_back({std::string(t.substr(0, 2)), std::string(t.substr(3))});
            return {};
        };
    };
    std::vector<Option> options = {
        {"identifier", "TEXT", "identifier string (default \"Kelmar SAS HBA\")",
         Text(&spec.identifier)},
        {"ro", "KW=VALUE", "read-only keyword, e.g. V3=01.32.00.00 (repeat)",
         keyword(&spec.readOnly)},
        {"rw", "KW=VALUE", "writable keyword (repeat)", keyword(&spec.writable)},
        {"rw-size", "N", "bytes of the closing RW keyword (default 8)", Number(&spec.rwSize, 0xFF)},
        {"size", "N", "size of the VPD area (default 256)", Number(&spec.size, 0x10000)},
        {"out", "FILE", "where to write the VPD bytes", Text(&out)},
    };
    if (int status = ParseOptions(name, argc, argv, options)) return status;
    Bytes vpd = imgb::BuildVpd(spec);
    if (vpd.empty()) return UsageError(name, "the keywords do not fit in --size bytes");
    return WriteOutput(name, out, vpd);
}

int RunInfo(const char* name, int argc, char** argv) {
    std::vector<std::string> files;
    if (int status = ParseOptions(name, argc, argv, {}, &files)) return status;
    if (files.empty()) return UsageError(name, "give the file to describe");
    int status = 0;
    for (const std::string& file : files) {
        Bytes bytes;
        if (!ReadFile(file, &bytes)) {
            std::fprintf(stderr, "tessel-image info: cannot read %s\n", file.c_str());
            status = kExitFailure;
            continue;
        }
        if (files.size() > 1) std::printf("%s:\n", file.c_str());
        std::fputs(imgb::DescribeImage(bytes.data(), bytes.size()).c_str(), stdout);
    }
    return status;
}

constexpr Subcommand kSubcommands[] = {
    {"firmware", "firmware image: main header and extended images", RunFirmware},
    {"cbb", "common boot block of a T470", RunCbb},
    {"ombra", "Ombra firmware image, optionally ending in a common boot block", RunOmbra},
    {"rom", "one PCI expansion ROM image (x86 BIOS, EFI, FCODE)", RunRom},
    {"region", "boot-services region: ROM images and trailing records", RunRegion},
    {"vpd", "VPD bytes of manufacturing page 1", RunVpd},
    {"info", "describe files (FILE...)", RunInfo},
};

int Usage(FILE* to) {
    std::fprintf(to,
                 "Usage: tessel-image COMMAND [OPTIONS]\n"
                 "Builds the images tessel reads, or describes them.\n\nCommands:\n");
    for (const Subcommand& sub : kSubcommands)
        std::fprintf(to, "  %-10s %s\n", sub.name, sub.summary);
    std::fprintf(
        to,
        "\n\"tessel-image COMMAND --help\" lists a command's options. Numbers are decimal or\n"
        "hexadecimal with 0x. Example:\n"
        "  tessel-image firmware --chip T420E --revision 2 --version 1.32.0.0 \\\n"
        "      --bootloader 4096 --out fw.bin\n");
    return to == stdout ? 0 : kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage(stderr);
    std::string_view command = argv[1];
    if (command == "help" || command == "--help" || command == "-h") return Usage(stdout);
    for (const Subcommand& sub : kSubcommands)
        if (command == sub.name) return sub.run(sub.name, argc - 2, argv + 2);
    std::fprintf(stderr, "tessel-image: unknown command \"%s\"\n", argv[1]);
    return Usage(stderr);
}
