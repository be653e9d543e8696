#pragma once
// Intel HEX image texts for the tests and the benchmark.

#include <cstdio>
#include <string>
#include <vector>

namespace zv318::testing {

// One Intel HEX record with its checksum and CR LF: ":LLAAAATT<data>CC".
inline std::string HexRecord(int type, int offset, const std::vector<int>& data) {
    int sum = static_cast<int>(data.size()) + (offset >> 8) + (offset & 0xFF) + type;
    char pair[16];
    std::snprintf(pair, sizeof pair, ":%02X%04X%02X", static_cast<int>(data.size()), offset, type);
    std::string line = pair;
    for (int b : data) {
        std::snprintf(pair, sizeof pair, "%02X", b);
        line += pair;
        sum += b;
    }
    std::snprintf(pair, sizeof pair, "%02X\r\n", (256 - sum % 256) % 256);
    return line + pair;
}

// An Intel HEX image whose every byte from 0x1000 to 0x1FFFF is filled (16-byte records),
// byte a holding (a * 7 + a / 256) & 0xFF.
inline std::string FullIntelHexImage() {
    std::string text;
    for (int a = 0x1000; a < 0x20000; a += 16) {
        if (a == 0x10000) text += HexRecord(4, 0, {0x00, 0x01});
        std::vector<int> data;
        for (int i = 0; i < 16; ++i) data.push_back(((a + i) * 7 + (a + i) / 256) & 0xFF);
        text += HexRecord(0, a & 0xFFFF, data);
    }
    return text + HexRecord(1, 0, {});
}

}  // namespace zv318::testing
