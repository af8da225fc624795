// The framing of the Debug Adapter Protocol: each message is a header block
// ("Content-Length: N", other header lines, an empty line, all ended by CR LF)
// followed by N bytes of JSON. The reader takes bytes as they arrive and
// hands out whole message bodies; it never trusts the peer.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zelk::dap {

class MessageReader {
 public:
  // A body above this size is refused (its bytes are skipped).
  static constexpr std::size_t kMaxBody = 64 * 1024 * 1024;

  void Feed(std::string_view bytes) { buffer_.append(bytes); }

  enum class Result {
    kMessage,   // *body holds the next message
    kNeedMore,  // no complete message yet
    kBadFrame,  // a header block was malformed; *error says how, and it was skipped
  };
  Result Next(std::string* body, std::string* error);

 private:
  std::string buffer_;
  std::size_t skipping_ = 0;  // bytes of a refused body still to drop
};

}  // namespace zelk::dap
