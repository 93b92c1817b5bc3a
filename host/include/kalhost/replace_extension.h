// Swaps a file name's extension for another, in place and within the
// caller's buffer: where a program finds the attribute file of an image.
#ifndef KALHOST_REPLACE_EXTENSION_H
#define KALHOST_REPLACE_EXTENSION_H

#include <cstddef>
#include <cstring>

namespace kalhost {

// Cuts an extension of at most three characters (the part from the last "."
// when no directory separator follows it) and appends extension. Returns
// false, leaving path as it was, when the result would not fit in capacity
// bytes including the terminating NUL.
inline bool replaceExtension(char *path, std::size_t capacity, const char *extension)
{
    std::size_t length = std::strlen(path);
    std::size_t cut = length;
    const char *dot = std::strrchr(path, '.');
    if (dot && !std::strpbrk(dot, "\\/") && length - std::size_t(dot - path) <= 4)
        cut = std::size_t(dot - path);
    const std::size_t extensionLength = std::strlen(extension);
    if (cut + extensionLength >= capacity) return false;
    std::memcpy(path + cut, extension, extensionLength + 1);
    return true;
}

}  // namespace kalhost

#endif
