// A file's extended attributes, its ACL among them, read so that a file that
// replaces it can be given the same. Each call returns 0 or an errno value;
// which failures are reasons to write in place is the planner's to say.
#ifndef RUNTIME_LINUX_ATTRIBUTES_H
#define RUNTIME_LINUX_ATTRIBUTES_H

#include <string>
#include <vector>

struct Attribute {
    std::string name, value;
};

// Reads the attributes of path itself (not of a link's target). ENOTSUP for
// one of a kind that another file can't be given.
int ReadAttributes(const std::string &path, std::vector<Attribute> &attributes);

// Gives fd exactly these attributes, dropping any it took from its folder.
int CopyAttributes(int fd, const std::vector<Attribute> &attributes);

#endif
