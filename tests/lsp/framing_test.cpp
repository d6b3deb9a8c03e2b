#include "framing.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/zam_test.h"

namespace {

using rkl::lsp::readMessage;
using rkl::lsp::ReadResult;

struct Read {
    ReadResult result;
    std::string body;
};

std::vector<Read> readAll(const std::string& input) {
    std::istringstream in(input);
    std::vector<Read> reads;
    for (;;) {
        std::string body;
        const ReadResult result = readMessage(in, body);
        reads.push_back(Read{result, result == ReadResult::Message ? body : ""});
        if (result == ReadResult::End) {
            return reads;
        }
    }
}

struct FramingCase {
    const char* name;
    std::string input;
    std::vector<Read> expected;
};

class FramingTest : public ZamTest {};

TEST_F(FramingTest, ReadsMessagesAndResynchronisesAfterABadHeader) {
    const std::string big = std::to_string(rkl::lsp::kMaxBody + 1);
    const std::vector<FramingCase> cases = {
        {"one message",
         "Content-Length: 2\r\n\r\n{}",
         {{ReadResult::Message, "{}"}, {ReadResult::End, ""}}},
        {"two messages, other headers and any case",
         "content-length: 3\r\nContent-Type: x\r\n\r\n[1]Content-Length:1\r\n\r\n7",
         {{ReadResult::Message, "[1]"}, {ReadResult::Message, "7"}, {ReadResult::End, ""}}},
        {"bare line feeds",
         "Content-Length: 2\n\n{}",
         {{ReadResult::Message, "{}"}, {ReadResult::End, ""}}},
        {"a body holding line breaks",
         "Content-Length: 5\r\n\r\na\r\n\nb",
         {{ReadResult::Message, "a\r\n\nb"}, {ReadResult::End, ""}}},
        {"no length, then a good message",
         "Content-Type: x\r\n\r\nContent-Length: 1\r\n\r\n1",
         {{ReadResult::Malformed, ""}, {ReadResult::Message, "1"}, {ReadResult::End, ""}}},
        {"a length that is no number",
         "Content-Length: 2x\r\n\r\nContent-Length: 1\r\n\r\n1",
         {{ReadResult::Malformed, ""}, {ReadResult::Message, "1"}, {ReadResult::End, ""}}},
        {"a header line without a colon",
         "Content-Length: 1\r\nnonsense\r\n\r\n",
         {{ReadResult::Malformed, ""}, {ReadResult::End, ""}}},
        {"a length just over the limit",
         "Content-Length: " + big + "\r\n\r\n",
         {{ReadResult::Malformed, ""}, {ReadResult::End, ""}}},
        {"a header line over the limit",
         "Content-Length: 1\r\nX: " + std::string(rkl::lsp::kMaxHeaderLine, 'x') + "\r\n\r\n1",
         {{ReadResult::Malformed, ""}, {ReadResult::End, ""}}},
        {"a body cut short", "Content-Length: 10\r\n\r\n{}", {{ReadResult::End, ""}}},
        {"a header cut short", "Content-Length: 10\r\n", {{ReadResult::End, ""}}},
        {"nothing", "", {{ReadResult::End, ""}}},
    };
    for (const FramingCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<Read> reads = readAll(c.input);
        ASSERT_EQ(c.expected.size(), reads.size());
        for (std::size_t i = 0; i < reads.size(); ++i) {
            EXPECT_EQ(c.expected[i].result, reads[i].result) << "read " << i;
            EXPECT_EQ(c.expected[i].body, reads[i].body) << "read " << i;
        }
    }
}

TEST_F(FramingTest, WritesWhatItReadsBack) {
    std::ostringstream out;
    rkl::lsp::writeMessage(out, "{\"a\":\"\xC3\xA9\"}");
    rkl::lsp::writeMessage(out, "");
    EXPECT_EQ("Content-Length: 10\r\n\r\n{\"a\":\"\xC3\xA9\"}Content-Length: 0\r\n\r\n", out.str());
    const std::vector<Read> reads = readAll(out.str());
    ASSERT_EQ(3u, reads.size());
    EXPECT_EQ("{\"a\":\"\xC3\xA9\"}", reads[0].body);
    EXPECT_EQ(ReadResult::Message, reads[1].result);
    EXPECT_EQ("", reads[1].body);
}

}  // namespace
