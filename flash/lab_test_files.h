// Binary contents of a program test's lab: a controller's flash regions (raw bytes) and its
// configuration pages (hex text, header included).
#pragma once

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "testing/process_runner.h"

inline std::string IocDirectory(const std::string& lab, int ioc) {
    return lab + "/ioc" + std::to_string(ioc);
}

inline void WriteRegion(const std::string& lab, int ioc, const std::string& name,
                        const std::vector<uint8_t>& bytes) {
    WriteTextFile(IocDirectory(lab, ioc) + "/regions/" + name,
                  std::string(bytes.begin(), bytes.end()));
}

inline std::vector<uint8_t> ReadRegion(const std::string& lab, int ioc, const std::string& name) {
    const std::string text = ReadTextFile(IocDirectory(lab, ioc) + "/regions/" + name);
    return std::vector<uint8_t>(text.begin(), text.end());
}

// A standard page: version, length in dwords, number, type, then the payload.
inline std::vector<uint8_t> StandardPage(uint8_t type, uint8_t number, uint8_t version,
                                         const std::vector<uint8_t>& payload) {
    std::vector<uint8_t> page(4 + payload.size());
    page[0] = version;
    page[1] = static_cast<uint8_t>((payload.size() + 4) / 4);
    page[2] = number;
    page[3] = type;
    std::copy(payload.begin(), payload.end(), page.begin() + 4);
    return page;
}

// name: "09-1.nvram" and the like.
inline void WritePage(const std::string& lab, int ioc, const std::string& name,
                      const std::vector<uint8_t>& page) {
    std::string text;
    char byte[4];
    for (size_t i = 0; i < page.size(); ++i) {
        std::snprintf(byte, sizeof byte, "%02x%c", page[i], i % 16 == 15 ? '\n' : ' ');
        text += byte;
    }
    WriteTextFile(IocDirectory(lab, ioc) + "/pages/" + name + ".hex", text);
}

inline std::vector<uint8_t> ReadPage(const std::string& lab, int ioc, const std::string& name) {
    const std::string text = ReadTextFile(IocDirectory(lab, ioc) + "/pages/" + name + ".hex");
    std::vector<uint8_t> page;
    bool comment = false;
    std::string digits;
    for (char c : text) {
        if (c == '\n') comment = false;
        if (c == '#') comment = true;
        if (comment || !std::isxdigit(static_cast<unsigned char>(c))) {
            if (digits.size() == 2) page.push_back(static_cast<uint8_t>(std::stoul(digits, 0, 16)));
            digits.clear();
            continue;
        }
        digits += c;
    }
    if (digits.size() == 2) page.push_back(static_cast<uint8_t>(std::stoul(digits, 0, 16)));
    return page;
}
