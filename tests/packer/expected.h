// What the packer should print and write, built independently of its code.
#ifndef PACKER_EXPECTED_H
#define PACKER_EXPECTED_H

#include <cstdio>
#include <string>
#include <vector>

#include "reference.h"

namespace packer {

inline std::string ReferenceHeader(const std::string &data) {
    return "UINT8 gImgCode[]=\r\n{\r\n" + ReferenceBody(data, "\r\n") + "\r\n};\r\n";
}

inline std::string EchoLines(const std::vector<std::string> &args) {
    std::string text = "\nStart Packing\n";
    for (size_t k = 0; k < args.size(); ++k)
        text += "arg-" + std::to_string(k) + " : " + args[k] + "\n";
    return text;
}

// The console text of a run that got as far as the report.
inline std::string ReportLines(const std::vector<std::string> &args, bool success) {
    std::string text = EchoLines(args);
    for (size_t i = 1; i + 1 < args.size(); ++i)
        text += "Input" + std::to_string(i - 1) + ": " + args[i] + "\n";
    text += "Output: " + args.back() + "\n";
    text +=
        success ? "\nGenerated Header File succesfully.....!\n" : "\nFile Generation Fail.....!\n";
    return text;
}

} // namespace packer

#endif
