// The framing of DAP messages, as a hostile or broken client sends them.
#include "debugger/dap/message_reader.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace zelk::dap {
namespace {

using Result = MessageReader::Result;

std::string Framed(const std::string& body) {
  return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

TEST(MessageReader, TakesMessagesWhateverPiecesTheyArriveIn) {
  const std::string stream =
      Framed("{\"a\":1}") + "content-length:3\r\nX-Other: y\r\n\r\nabc" + Framed("");
  for (std::size_t piece : {1u, 2u, 7u, 1000u}) {
    MessageReader reader;
    std::vector<std::string> bodies;
    for (std::size_t i = 0; i < stream.size(); i += piece) {
      reader.Feed(std::string_view(stream).substr(i, piece));
      std::string body, error;
      while (reader.Next(&body, &error) == Result::kMessage) bodies.push_back(body);
    }
    EXPECT_EQ((std::vector<std::string>{"{\"a\":1}", "abc", ""}), bodies) << "pieces of " << piece;
  }
}

TEST(MessageReader, SkipsBadFramesAndGoesOn) {
  MessageReader reader;
  reader.Feed("Content-Length: x\r\n\r\n" + std::string("Content-Type: a\r\n\r\n") +
              "no colon\r\n\r\n" + Framed("ok"));
  std::string body, error;
  EXPECT_EQ(Result::kBadFrame, reader.Next(&body, &error));
  EXPECT_EQ("a Content-Length that is no number", error);
  EXPECT_EQ(Result::kBadFrame, reader.Next(&body, &error));
  EXPECT_EQ(Result::kBadFrame, reader.Next(&body, &error));
  ASSERT_EQ(Result::kMessage, reader.Next(&body, &error));
  EXPECT_EQ("ok", body);
  EXPECT_EQ(Result::kNeedMore, reader.Next(&body, &error));
}

TEST(MessageReader, RefusesHugeBodiesWithoutKeepingThem) {
  MessageReader reader;
  reader.Feed("Content-Length: 99999999999\r\n\r\nxyz");
  std::string body, error;
  EXPECT_EQ(Result::kBadFrame, reader.Next(&body, &error));
  EXPECT_EQ(Result::kNeedMore, reader.Next(&body, &error));
  // Headers without an end are dropped once they grow beyond reason.
  MessageReader endless;
  endless.Feed(std::string(70000, 'x'));
  EXPECT_EQ(Result::kBadFrame, endless.Next(&body, &error));
}

TEST(MessageReader, RandomBytesNeverCrashOrHang) {
  std::mt19937 random(7);
  const std::string pieces[] = {
      "Content-Length: ",      "\r\n", "\r\n\r\n", "12", "{}", ":", "x", "-1",
      "999999999999999999999", "\0"};
  for (int round = 0; round < 2000; ++round) {
    MessageReader reader;
    std::string input;
    for (int k = 0; k < 12; ++k) input += pieces[random() % std::size(pieces)];
    reader.Feed(input);
    std::string body, error;
    for (int guard = 0; guard < 100 && reader.Next(&body, &error) != Result::kNeedMore; ++guard) {
    }
  }
}

}  // namespace
}  // namespace zelk::dap
