// A command for jobs: copies a file while another process holds it open for writing (as the
// runner holds its argument file), so a test sees the file as it stood when the command ran.
#include <windows.h>

#include <string>

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    HANDLE in = CreateFileA(argv[1], GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
    if (in == INVALID_HANDLE_VALUE) return 3;
    std::string bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(in, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
    CloseHandle(in);
    HANDLE out = CreateFileA(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (out == INVALID_HANDLE_VALUE) return 4;
    DWORD written = 0;
    const BOOL ok =
        WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(out);
    return ok ? 0 : 5;
}
