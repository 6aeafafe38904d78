#include "Attributes.h"

#include <algorithm>
#include <cerrno>
#include <sys/xattr.h>

namespace {

// What a file of the caller's can be given: the ACL that its mode sums up,
// and what users, security modules and (for root) trusted programs store.
bool Copyable(const std::string &name) {
    return name == "system.posix_acl_access" || name.rfind("user.", 0) == 0 ||
           name.rfind("security.", 0) == 0 || name.rfind("trusted.", 0) == 0;
}

// Asks get(buffer, size) for a value of unknown length, again if it grew
// between the two calls.
template <typename Get> int GetSized(Get get, std::string &value) {
    for (;;) {
        ssize_t size = get(nullptr, 0);
        if (size <= 0) {
            value.clear();
            return size == 0 ? 0 : errno;
        }
        value.resize(static_cast<size_t>(size));
        size = get(value.data(), value.size());
        if (size >= 0) {
            value.resize(static_cast<size_t>(size));
            return 0;
        }
        if (errno != ERANGE)
            return errno;
    }
}

// The names in a list that the system gives NUL-separated; a file system
// with no attributes has none.
template <typename List> int ListNames(List list, std::vector<std::string> &names) {
    std::string text;
    if (int err = GetSized(list, text); err != 0)
        return err == ENOTSUP || err == ENOSYS ? 0 : err;
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\0', at);
        end = end == std::string::npos ? text.size() : end;
        names.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return 0;
}

} // namespace

int ReadAttributes(const std::string &path, std::vector<Attribute> &attributes) {
    const char *file = path.c_str();
    std::vector<std::string> names;
    auto list = [&](char *buf, size_t size) { return llistxattr(file, buf, size); };
    if (int err = ListNames(list, names); err != 0)
        return err;
    for (const std::string &name : names) {
        if (!Copyable(name))
            return ENOTSUP;
        Attribute attribute{name, ""};
        auto get = [&](void *buf, size_t size) { return lgetxattr(file, name.c_str(), buf, size); };
        int err = GetSized(get, attribute.value);
        if (err == 0)
            attributes.push_back(attribute);
        else if (err != ENODATA) // one removed meanwhile is simply not there
            return err;
    }
    return 0;
}

int CopyAttributes(int fd, const std::vector<Attribute> &attributes) {
    std::vector<std::string> inherited;
    auto list = [&](char *buf, size_t size) { return flistxattr(fd, buf, size); };
    if (int err = ListNames(list, inherited); err != 0)
        return err;
    for (const std::string &name : inherited) {
        auto same = [&](const Attribute &a) { return a.name == name; };
        if (std::none_of(attributes.begin(), attributes.end(), same) &&
            fremovexattr(fd, name.c_str()) != 0)
            return errno;
    }
    for (const Attribute &a : attributes)
        if (fsetxattr(fd, a.name.c_str(), a.value.data(), a.value.size(), 0) != 0)
            return errno;
    return 0;
}
