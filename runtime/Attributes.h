// A file's extended attributes, its ACL among them, read so that a file that
// replaces it can be given the same.
#ifndef RUNTIME_ATTRIBUTES_H
#define RUNTIME_ATTRIBUTES_H

#include <string>
#include <vector>

#include "OutputState.h"

struct Attribute {
    std::string name, value;
};

// Reads the attributes of path itself (not of a link's target). InPlace
// when one is of a kind that another file can't be given, or that the
// caller may not read; Failed when the system fails.
Setup ReadAttributes(const std::string &path, std::vector<Attribute> &attributes);

// Gives fd exactly these attributes, dropping any it took from its folder.
Setup CopyAttributes(int fd, const std::vector<Attribute> &attributes);

#endif
