// The array body as a plain formatter writes it, built independently of the
// tools' code.
#ifndef TEST_REFERENCE_H
#define TEST_REFERENCE_H

#include <cstdio>
#include <string>

inline std::string ReferenceBody(const std::string &data, const std::string &lineEnd) {
    std::string text;
    char element[8];
    for (size_t i = 0; i < data.size(); ++i) {
        if (i % 16 == 0)
            text += "\t";
        std::snprintf(element, sizeof element, "0x%02x, ", static_cast<unsigned char>(data[i]));
        text += element;
        if (i % 16 == 15)
            text += lineEnd;
    }
    return text;
}

#endif
