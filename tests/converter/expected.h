// What the converter should print and write, built independently of its code.
#ifndef CONVERTER_EXPECTED_H
#define CONVERTER_EXPECTED_H

#include <cstdint>
#include <cstdio>
#include <string>

#include "reference.h"

namespace converter {

inline std::string PadToWords(std::string data) {
    data.resize((data.size() + 3) / 4 * 4, '\0');
    return data;
}

// The sum of the padded data as little-endian 32-bit words, modulo 2^32.
inline uint32_t ReferenceSum(const std::string &data) {
    uint64_t sum = 0;
    std::string padded = PadToWords(data);
    for (size_t i = 0; i < padded.size(); ++i)
        sum += uint64_t(static_cast<unsigned char>(padded[i])) << (8 * (i % 4));
    return static_cast<uint32_t>(sum);
}

inline std::string Hex8(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08x", value);
    return text;
}

inline std::string ReferenceHeader(const std::string &data, const std::string &name = "gImgCode") {
    std::string text = "static const unsigned char " + name + "[] = \n{\n";
    text += ReferenceBody(PadToWords(data), "\n");
    text += "\n};\n";
    text += "static const int " + name + "_size = " + std::to_string(data.size()) + ";\n";
    text += "static const unsigned int " + name + "_sum = " + Hex8(ReferenceSum(data)) + ";\n\n";
    return text;
}

inline std::string NameLines(const std::string &bin, const std::string &src) {
    return "bin_name=" + bin + "\nsrc_name=" + src + "\n";
}

inline std::string ReferenceReport(const std::string &bin, const std::string &src,
                                   const std::string &data) {
    std::string rule(46, '=');
    return NameLines(bin, src) + rule + "\nconverting " + bin + "=>" + src + "\n" + rule +
           "\nbin_size=" + std::to_string(data.size()) +
           ", 4byte allign=" + (data.size() % 4 == 0 ? "OK" : "FAIL") +
           "\nbin_buffer_size=" + std::to_string(PadToWords(data).size()) +
           "\nbin_sum=" + Hex8(ReferenceSum(data)) + "\n";
}

} // namespace converter

#endif
