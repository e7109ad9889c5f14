#include "stub/win/temp_dirs.h"

#include <windows.h>
#include <winioctl.h>

#include <random>
#include <vector>

#include "stub/package/space_estimate.h"
#include "stub/win/trace.h"
#include "stub/win/win_files.h"

namespace {

std::string& SourceOverride() {
    static std::string path;
    return path;
}

std::string OwnPath() {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD length =
            GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) return std::string(buffer.data(), length);
        if (buffer.size() >= 32768) return {};
        buffer.resize(buffer.size() * 2);
    }
}

unsigned RandomBetween(unsigned low, unsigned high) {
    static std::mt19937 engine = [] {
        LARGE_INTEGER counter{};
        QueryPerformanceCounter(&counter);
        return std::mt19937(static_cast<unsigned>(counter.QuadPart) ^
                            GetCurrentProcessId() * 2654435761u);
    }();
    return std::uniform_int_distribution<unsigned>(low, high)(engine);
}

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string DriveRoot(const std::string& path) {
    return path.empty() ? std::string() : std::string(1, Upper(path[0])) + ":\\";
}

// X:\TEMP, or a directory below it when that already exists (so removing it later harms nobody).
std::string TempBaseOn(char drive, bool numbered) {
    std::string base = std::string(1, drive) + ":\\TEMP";
    if (!IsExistingDirectory(base)) return base;
    base += "\\TEMP";
    if (numbered) base += std::to_string(RandomBetween(10000, 100000));
    return base;
}

// The run directories are made by removing any leftover of the same name first, so a crashed
// earlier run cannot mix its files into this one.
void RemakeDirectory(const std::string& directory) {
    RemoveTree(directory, true);
    CreateDirectoryTree(directory);
}

struct AltTemp {
    bool searched = false;
    std::string base;       // empty: no alternative
    std::string directory;  // empty until made
};

AltTemp& Alt() {
    static AltTemp alt;
    return alt;
}

void RemoveContent(const std::string& directory, bool clearAttributes) {
    std::vector<std::string> subdirectories;
    WIN32_FIND_DATAA entry;
    FindHandle find(FindFirstFileA((directory + "\\*.*").c_str(), &entry));
    if (!find) return;
    do {
        const std::string name = entry.cFileName;
        const std::string path = directory + "\\" + name;
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            if (clearAttributes) SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(path.c_str());
        } else if (name != "." && name != "..") {
            // A junction is removed as a link; what it points at belongs to someone else.
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
                RemoveDirectoryA(path.c_str());
            else
                subdirectories.push_back(path);
        }
    } while (FindNextFileA(find.get(), &entry));
    find.reset();
    for (const std::string& path : subdirectories) {
        RemoveContent(path, clearAttributes);
        RemoveDirectoryA(path.c_str());
    }
}

}  // namespace

void SetSetupDirSource(const std::string& path) {
    SourceOverride() = path;
}

const std::string& SetupDirSource() {
    static const std::string own = OwnPath();
    return SourceOverride().empty() ? own : SourceOverride();
}

std::string SystemTempPath() {
    char path[MAX_PATH + 1];
    const DWORD length = GetTempPathA(sizeof path, path);
    if (length == 0 || length > MAX_PATH) return {};
    std::string out(path, length);
    if (out.back() != '\\') out += '\\';
    return out;
}

std::string SetupDir() {
    static const std::string directory = [] {
        const uint32_t stamp = FileDosStamp(SetupDirSource());
        std::string path = SystemTempPath() + "SETUP_" + std::to_string(stamp & 0xFFFF);
        RemakeDirectory(path);
        return path;
    }();
    return directory;
}

bool FindAltTempDrive() {
    AltTemp& alt = Alt();
    if (alt.searched) return !alt.base.empty();
    alt.searched = true;

    constexpr char kDrives[] = {'C', 'D', 'E'};
    double freeOn[3] = {};
    for (int i = 0; i < 3; ++i) {
        const std::string root = std::string(1, kDrives[i]) + ":\\";
        if (GetDriveTypeA(root.c_str()) != DRIVE_FIXED) continue;
        // Free space counts only where this user can actually write.
        const std::string trial = TempBaseOn(kDrives[i], true);
        CreateDirectoryTree(trial);
        const std::string probe = trial + "\\~aa.tmp";
        WriteFileData(probe, "aa", 2, 0, false);
        if (IsExistingFile(probe)) freeOn[i] = FreeDiskSpace(trial);
        RemoveTree(trial, true);
    }

    const std::string temp = SystemTempPath();
    const char tempDrive = temp.empty() ? '\0' : Upper(temp[0]);
    char chosen = tempDrive;
    double best = 0;
    for (int i = 0; i < 3; ++i) {
        if (freeOn[i] > best) {
            chosen = kDrives[i];
            best = freeOn[i];
        }
    }
    if (chosen != tempDrive) alt.base = TempBaseOn(chosen, false);
    return !alt.base.empty();
}

std::string AltTempDir() {
    if (!FindAltTempDrive()) return {};
    AltTemp& alt = Alt();
    if (alt.directory.empty()) {
        alt.directory = alt.base + "_" + std::to_string(RandomBetween(10000, 100000));
        RemakeDirectory(alt.directory);
    } else if (!IsExistingDirectory(alt.directory)) {
        CreateDirectoryTree(alt.directory);
    }
    return alt.directory;
}

void RemoveAltTempDir() {
    if (!Alt().directory.empty()) RemoveTree(Alt().directory, true);
}

double FreeDiskSpace(const std::string& path) {
    using FreeSpaceExFn = BOOL(WINAPI*)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);
    static const FreeSpaceExFn freeSpaceEx = [] {
        HMODULE kernel = GetModuleHandleA("kernel32.dll");
        return kernel ? reinterpret_cast<FreeSpaceExFn>(
                            reinterpret_cast<void*>(GetProcAddress(kernel, "GetDiskFreeSpaceExA")))
                      : nullptr;
    }();
    std::string query = path;
    for (char& c : query)
        if (c == '/') c = '\\';
    const std::string root = DriveRoot(query);
    if (root.empty()) return 0;

    if (freeSpaceEx) {
        // The directory itself first: on a volume mounted in a folder the root says nothing.
        if (query.size() < 3) {
            query = root;
        } else if (const size_t first = query.find('\\'); first != std::string::npos) {
            const size_t second = query.find('\\', first + 1);
            if (second != std::string::npos) query.resize(second);
        }
        ULARGE_INTEGER available{}, total{}, free{};
        if (freeSpaceEx(query.c_str(), &available, &total, &free) ||
            freeSpaceEx(root.c_str(), &available, &total, &free))
            return static_cast<double>(available.QuadPart);
        return 0;
    }
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
    if (!GetDiskFreeSpaceA(root.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters,
                           &clusters))
        return 0;
    return double(freeClusters) * sectorsPerCluster * bytesPerSector;
}

uint32_t ClusterSize(const std::string& directory) {
    const std::string root = directory.substr(0, 3);
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
    if (root.empty() || !GetDiskFreeSpaceA(root.c_str(), &sectorsPerCluster, &bytesPerSector,
                                           &freeClusters, &clusters))
        return 0;
    return sectorsPerCluster * bytesPerSector;
}

bool CheckSpace(const std::string& directory, const std::string& archive) {
    const std::unique_ptr<Win32FileReader> file = Win32FileReader::Open(archive);
    const TGFileInfo info(file.get());
    return info.SpaceNeededFor(ClusterSize(directory)) < FreeDiskSpace(directory) &&
           IsExistingDirectory(directory);
}

bool SpaceNotice(const std::string& directory, const TGFileInfo& info, const SpaceQuestion& ask,
                 LanguageContext& language) {
    const double need = info.SpaceNeededFor(ClusterSize(directory));
    const double free = FreeDiskSpace(directory);
    const std::string text = SpaceNoticeText(info, language, directory, need, free);
    return text.empty() || ask(text);
}

bool RemoveTree(const std::string& directory, bool clearAttributes) {
    std::string path = directory;
    while (path.size() > 3 && (path.back() == '\\' || path.back() == '/')) path.pop_back();
    // An empty name would search the current drive's root.
    if (!IsExistingDirectory(path) || path.size() <= 3) return false;
    RemoveContent(path, clearAttributes);
    RemoveDirectoryA(path.c_str());
    return !IsExistingDirectory(path);
}

bool EjectMedia(const std::string& path) {
    if (path.empty() || Upper(path[0]) < 'A' || Upper(path[0]) > 'Z') return false;
    if (GetDriveTypeA(DriveRoot(path).c_str()) != DRIVE_CDROM) return false;
    const std::string device = std::string("\\\\.\\") + Upper(path[0]) + ":";
    const auto open = [&](DWORD access) {
        return UniqueHandle(CreateFileA(device.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        nullptr, OPEN_EXISTING, 0, nullptr));
    };
    const auto handleText = [](const UniqueHandle& file) {
        return std::to_string(reinterpret_cast<intptr_t>(file.get()));
    };
    UniqueHandle drive = open(GENERIC_READ | GENERIC_WRITE);
    TraceLine("EjectCD-2: " + device + " " + handleText(drive));
    if (!drive) {
        drive = open(GENERIC_READ);
        TraceLine("EjectCD-3: " + device + " " + handleText(drive));
    }
    if (!drive) return false;
    DWORD returned = 0;
    return DeviceIoControl(drive.get(), IOCTL_STORAGE_EJECT_MEDIA, nullptr, 0, nullptr, 0,
                           &returned, nullptr) != 0;
}
