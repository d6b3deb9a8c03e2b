#ifndef RKL_LSP_FRAMING_H
#define RKL_LSP_FRAMING_H

#include <cstddef>
#include <iosfwd>
#include <string>

namespace rkl::lsp {

// The base protocol's framing: a header of "Name: value" lines ended by an
// empty line, of which "Content-Length" is required, then exactly that many
// bytes of body.

// The largest body and header accepted; a client that sends more is cut
// off rather than served out of unbounded memory.
constexpr std::size_t kMaxBody = 64u << 20;
constexpr std::size_t kMaxHeaderLine = 4096;

enum class ReadResult {
    Message,    // `body` holds one message
    End,        // the input ended before a header started
    Malformed,  // the header was unusable; the stream is resynchronised at
                // the next header when it can be
};

// Reads one message from `in` into `body`. A header line without a usable
// Content-Length gives Malformed after the header's empty line, so that the
// next message can still be read; a stream that ends inside a message gives
// End.
ReadResult readMessage(std::istream& in, std::string& body);

// Writes `body` with its header and flushes.
void writeMessage(std::ostream& out, const std::string& body);

}  // namespace rkl::lsp

#endif
