#include "uri.h"

#include <cctype>

namespace rkl::lsp {

namespace {

int hexValue(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (std::isdigit(u) != 0) {
        return u - '0';
    }
    const int lower = std::tolower(u);
    return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

}  // namespace

std::string pathFromUri(const std::string& uri) {
    const std::string scheme = "file://";
    if (uri.compare(0, scheme.size(), scheme) != 0) {
        return std::string();
    }
    // "file://host/path": only the local host, written empty, is served.
    const std::size_t slash = uri.find('/', scheme.size());
    if (slash != scheme.size()) {
        return std::string();
    }
    std::string path;
    for (std::size_t i = slash; i < uri.size(); ++i) {
        if (uri[i] != '%') {
            path += uri[i];
            continue;
        }
        const int high = i + 2 < uri.size() ? hexValue(uri[i + 1]) : -1;
        const int low = i + 2 < uri.size() ? hexValue(uri[i + 2]) : -1;
        if (high < 0 || low < 0) {
            return std::string();
        }
        path += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return path;
}

std::string uriFromPath(const std::string& path) {
    static const char* const kHex = "0123456789ABCDEF";
    std::string uri = "file://";
    for (char c : path) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (std::isalnum(u) != 0 || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
            uri += c;
        } else {
            uri += '%';
            uri += kHex[u >> 4];
            uri += kHex[u & 0xF];
        }
    }
    return uri;
}

}  // namespace rkl::lsp
