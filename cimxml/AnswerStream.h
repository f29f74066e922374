// Where a large answer goes while it is still being written. An
// enumeration can run to megabytes: held whole, it costs as much memory,
// and the client reads nothing until the last instance is written. Handed
// over block by block, the transfer overlaps the writing and a connection
// holds one block at a time.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

namespace orv::cimxml {

class AnswerStream {
public:
    virtual ~AnswerStream() = default;

    // Answers that stay below this many bytes are returned whole, so that
    // the many small ones keep their usual single send.
    virtual std::size_t blockBytes() const = 0;
    // The next bytes of the body, in order, in `count` pieces that leave
    // together without being copied together; the first call starts the
    // answer on the wire. False when the client no longer takes it.
    virtual bool send(const std::string_view* pieces, std::size_t count) = 0;
    // Whether any of the body has left: a failure can no longer replace it.
    virtual bool started() const = 0;
    // Ends an answer that started with the failure found since: the client
    // is told that the body it received is not the answer.
    virtual void fail(int code, const std::string& description) = 0;
};

// The client stopped taking an answer part of which had left: the rest of
// it is not worth writing.
class AnswerAbandoned : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace orv::cimxml
