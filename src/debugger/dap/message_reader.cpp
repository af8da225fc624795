#include "debugger/dap/message_reader.h"

#include <algorithm>
#include <charconv>

namespace zelk::dap {
namespace {

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

}  // namespace

MessageReader::Result MessageReader::Next(std::string* body, std::string* error) {
  if (skipping_ > 0) {
    const std::size_t drop = std::min(skipping_, buffer_.size());
    buffer_.erase(0, drop);
    skipping_ -= drop;
    if (skipping_ > 0) return Result::kNeedMore;
  }
  const std::size_t end = buffer_.find("\r\n\r\n");
  if (end == std::string::npos) {
    // A header block never grows this large; garbage without an empty line
    // must not fill the memory.
    if (buffer_.size() > 64 * 1024) {
      buffer_.clear();
      *error = "a header block without an end";
      return Result::kBadFrame;
    }
    return Result::kNeedMore;
  }
  std::string_view headers(buffer_.data(), end);
  const std::size_t bodyStart = end + 4;
  bool haveLength = false;
  std::size_t length = 0;
  std::string problem;
  while (!headers.empty()) {
    const std::size_t eol = headers.find("\r\n");
    std::string_view line = headers.substr(0, eol);
    headers = eol == std::string_view::npos ? std::string_view() : headers.substr(eol + 2);
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) {
      problem = "a header line without a colon";
      continue;
    }
    if (!EqualsIgnoringCase(Trimmed(line.substr(0, colon)), "Content-Length")) continue;
    std::string_view value = Trimmed(line.substr(colon + 1));
    auto [ptr, ec] = std::from_chars(value.data(), value.data() + value.size(), length);
    if (ec != std::errc() || ptr != value.data() + value.size() || value.empty()) {
      problem = "a Content-Length that is no number";
    } else {
      haveLength = true;
    }
  }
  if (!haveLength) {
    buffer_.erase(0, bodyStart);
    *error = problem.empty() ? "a header block without Content-Length" : problem;
    return Result::kBadFrame;
  }
  if (length > kMaxBody) {
    buffer_.erase(0, bodyStart);
    skipping_ = length;
    *error = "a message larger than 64 MB";
    return Result::kBadFrame;
  }
  if (buffer_.size() - bodyStart < length) return Result::kNeedMore;
  body->assign(buffer_, bodyStart, length);
  buffer_.erase(0, bodyStart + length);
  return Result::kMessage;
}

}  // namespace zelk::dap
