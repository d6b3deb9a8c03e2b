#include "framing.h"

#include <cctype>
#include <istream>
#include <ostream>

namespace rkl::lsp {

namespace {

// One header line without its "\r\n" (a bare "\n" is accepted too); false
// at the end of the input or for a line longer than kMaxHeaderLine, whose
// rest is skipped.
bool readHeaderLine(std::istream& in, std::string& line, bool& tooLong) {
    line.clear();
    tooLong = false;
    for (int c = in.get(); c != std::char_traits<char>::eof(); c = in.get()) {
        if (c == '\n') {
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            return true;
        }
        if (line.size() < kMaxHeaderLine) {
            line += static_cast<char>(c);
        } else {
            tooLong = true;
        }
    }
    return false;
}

bool sameWord(const std::string& a, const char* b) {
    std::size_t i = 0;
    for (; i < a.size() && b[i] != '\0'; ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return i == a.size() && b[i] == '\0';
}

// The value of a Content-Length line; npos when it is not a number within
// kMaxBody.
std::size_t contentLength(const std::string& value) {
    const std::size_t first = value.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return std::string::npos;
    }
    std::size_t length = 0;
    std::size_t i = first;
    for (; i < value.size() && std::isdigit(static_cast<unsigned char>(value[i])) != 0; ++i) {
        length = length * 10 + static_cast<std::size_t>(value[i] - '0');
        if (length > kMaxBody) {
            return std::string::npos;
        }
    }
    const bool onlyDigits = i > first && value.find_first_not_of(" \t", i) == std::string::npos;
    return onlyDigits ? length : std::string::npos;
}

}  // namespace

ReadResult readMessage(std::istream& in, std::string& body) {
    std::size_t length = std::string::npos;
    bool usable = true;
    bool started = false;
    std::string line;
    bool tooLong = false;
    while (readHeaderLine(in, line, tooLong)) {
        if (line.empty() && !tooLong) {
            if (!started) {
                continue;  // stray blank lines between messages
            }
            if (!usable || length == std::string::npos) {
                return ReadResult::Malformed;
            }
            body.assign(length, '\0');
            in.read(&body[0], static_cast<std::streamsize>(length));
            return static_cast<std::size_t>(in.gcount()) == length ? ReadResult::Message
                                                                   : ReadResult::End;
        }
        started = true;
        const std::size_t colon = line.find(':');
        if (tooLong || colon == std::string::npos) {
            usable = false;
        } else if (sameWord(line.substr(0, colon), "Content-Length")) {
            length = contentLength(line.substr(colon + 1));
            usable = usable && length != std::string::npos;
        }
    }
    return ReadResult::End;
}

void writeMessage(std::ostream& out, const std::string& body) {
    out << "Content-Length: " << body.size() << "\r\n\r\n" << body;
    out.flush();
}

}  // namespace rkl::lsp
