#include "flash/emulator/lab_files.h"

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <system_error>

#include "flash/emulator/lab_text.h"

namespace emu {

bool ReadWholeFile(const std::filesystem::path& path, std::string* contents) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return false;
    // One read of the whole file: regions of several megabytes are read on every upload.
    const std::streamoff size = in.tellg();
    if (size < 0) return false;
    contents->resize(static_cast<size_t>(size));
    in.seekg(0);
    in.read(contents->data(), size);
    return in.gcount() == size && !in.bad();
}

bool WriteFileAtomically(const std::filesystem::path& path, std::string_view contents) {
    std::filesystem::path temporary = path;
    temporary += ".tmp." + std::to_string(::getpid());
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
        out.close();
        if (!out) {
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            ReportLabProblem(path, 0, "cannot be written", "the change is lost");
            return false;
        }
    }
    std::error_code error;
    std::filesystem::rename(temporary, path, error);
    if (error) {
        std::filesystem::remove(temporary, error);
        ReportLabProblem(path, 0, "cannot be replaced", "the change is lost");
        return false;
    }
    return true;
}

bool UpdateKeysInFile(const std::filesystem::path& path,
                      const std::vector<std::pair<std::string_view, std::string>>& values) {
    std::string text;
    if (!ReadWholeFile(path, &text)) text.clear();
    for (const auto& [key, value] : values) text = ReplaceKeyValue(text, key, value);
    return WriteFileAtomically(path, text);
}

void ReportLabProblem(const std::filesystem::path& file, unsigned line, std::string_view message,
                      std::string_view consequence) {
    std::string where = file.string();
    if (line != 0) where += ":" + std::to_string(line);
    std::fprintf(stderr, "tessel-emu: %s: %.*s; %.*s\n", where.c_str(),
                 static_cast<int>(message.size()), message.data(),
                 static_cast<int>(consequence.size()), consequence.data());
}

}  // namespace emu
