// Events of our own automation server (zelk_com_server.dll, built next to the
// tests and registered here): the event found in its type library, the
// arguments a connected receiver gets, what it writes back, and the end of
// delivery once the connection goes.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <span>
#include <string>
#include <vector>

#include "platform/com_automation.h"
#include "platform/com_events.h"

namespace zelk::os {
namespace {

class EventSink : public testing::Test {
 protected:
  void SetUp() override {
    EnsureComInitialized();
    HMODULE server = LoadLibraryW(L"zelk_com_server.dll");
    ASSERT_NE(nullptr, server) << "zelk_com_server.dll beside the test program";
    auto registerServer = reinterpret_cast<HRESULT(WINAPI*)()>(
        reinterpret_cast<void*>(GetProcAddress(server, "DllRegisterServer")));
    ASSERT_NE(nullptr, registerServer);
    ASSERT_EQ(S_OK, registerServer());
    std::u16string failure;
    ASSERT_TRUE(ComCreateObject(u"ZelkTest.EventSource", &source_, &failure)) << Narrow(failure);
  }

  static std::string Narrow(const std::u16string& s) { return std::string(s.begin(), s.end()); }

  ComValue Call(std::u16string_view member, std::vector<ComArgument> arguments = {}) {
    ComValue result;
    std::u16string failure;
    EXPECT_TRUE(
        ComInvokeMember(source_, member, ComInvoke::kMethodOrGet, arguments, &result, &failure))
        << Narrow(failure);
    return result;
  }

  static ComArgument Int(std::int64_t n) {
    ComArgument a;
    a.value.type = kComI4;
    a.value.integer = n;
    return a;
  }
  static ComArgument Text(std::u16string text) {
    ComArgument a;
    a.value.type = kComString;
    a.value.text = std::move(text);
    return a;
  }

  ComRef source_;
};

// Records each event; answers the by-reference arguments it is told to.
class Recorder final : public ComEventReceiver {
 public:
  bool OnEvent(std::int32_t dispid, std::span<ComEventArgument> arguments) override {
    dispids.push_back(dispid);
    seen.assign(arguments.begin(), arguments.end());
    if (answer) answer(arguments);
    return succeed;
  }
  std::vector<std::int32_t> dispids;
  std::vector<ComEventArgument> seen;
  std::function<void(std::span<ComEventArgument>)> answer;
  bool succeed = true;
};

TEST_F(EventSink, FindsOnlyMembersOfANamedSourceInterface) {
  ComGuid iid;
  std::int32_t dispid = 0;
  ASSERT_TRUE(ComFindEvent(source_, u"ZELKTESTEVENTS", u"ADJUST", &iid, &dispid));
  EXPECT_EQ(3, dispid);
  ASSERT_TRUE(ComFindEvent(source_, u"ZelkTestEvents", u"beforeclose", &iid, &dispid));
  EXPECT_EQ(2, dispid);
  EXPECT_FALSE(ComFindEvent(source_, u"ZELKTESTEVENTS", u"OPENED", &iid, &dispid));
  EXPECT_FALSE(ComFindEvent(source_, u"OTHEREVENTS", u"CHANGED", &iid, &dispid));
  // The object's own interface is implemented, not a source of events.
  EXPECT_FALSE(ComFindEvent(source_, u"IZELKEVENTSOURCE", u"FIRECHANGED", &iid, &dispid));
}

TEST_F(EventSink, DeliversArgumentsLastFirstAndStoresAnswersBack) {
  ComGuid iid;
  std::int32_t dispid = 0;
  ASSERT_TRUE(ComFindEvent(source_, u"ZELKTESTEVENTS", u"CHANGED", &iid, &dispid));
  Recorder recorder;
  std::u16string failure;
  auto connection = ComConnectEvents(source_, iid, &recorder, &failure);
  ASSERT_NE(nullptr, connection) << Narrow(failure);
  EXPECT_EQ(1, Call(u"SinkCount").integer);

  EXPECT_EQ(1, Call(u"FireChanged", {Text(u"alpha"), Int(5)}).integer);
  ASSERT_EQ(2u, recorder.seen.size());
  EXPECT_EQ(kComI4, recorder.seen[0].value.type);
  EXPECT_EQ(5, recorder.seen[0].value.integer);
  EXPECT_EQ(u"alpha", recorder.seen[1].value.text);
  EXPECT_EQ(0, recorder.seen[0].refType) << "passed by value";

  // Adjust(long*, double*, BSTR*, short*, float*, BYTE*, VARIANT*).
  recorder.answer = [](std::span<ComEventArgument> args) {
    ComValue number;
    number.type = kComR8;
    number.real = 42;
    for (ComEventArgument& a : args) {
      a.value = number;
      a.writeBack = a.refType != kComString;
    }
  };
  const ComValue report = Call(u"FireAdjust", {Int(40)});
  EXPECT_EQ(3, recorder.dispids.back());
  ASSERT_EQ(7u, recorder.seen.size());
  EXPECT_EQ(kComVariant, recorder.seen[0].refType);
  EXPECT_EQ(kComI4, recorder.seen[6].refType);
  EXPECT_EQ(40, recorder.seen[6].value.integer);
  // The variant and the short, float and byte took the answer; the string
  // was not asked to.
  EXPECT_EQ(u"42|42|start|42|42|42|42", report.text);

  EXPECT_EQ(0, Call(u"LastResult").integer);
  recorder.succeed = false;
  Call(u"FireChanged", {Text(u"beta"), Int(1)});
  EXPECT_EQ(1, Call(u"LastResult").integer) << "a failed delivery answers S_FALSE";

  connection.reset();
  EXPECT_EQ(0, Call(u"SinkCount").integer);
  const std::size_t before = recorder.dispids.size();
  EXPECT_EQ(0, Call(u"FireChanged", {Text(u"gamma"), Int(1)}).integer);
  EXPECT_EQ(before, recorder.dispids.size());
}

TEST_F(EventSink, AnswerThatWillNotConvertLeavesTheSourceValue) {
  ComGuid iid;
  std::int32_t dispid = 0;
  ASSERT_TRUE(ComFindEvent(source_, u"ZELKTESTEVENTS", u"ADJUST", &iid, &dispid));
  Recorder recorder;
  recorder.answer = [](std::span<ComEventArgument> args) {
    for (ComEventArgument& a : args) {
      if (a.refType == kComI4) {
        a.value.type = kComString;
        a.value.text = u"not a number";
        a.writeBack = true;
      } else if (a.refType == kComUI1) {
        a.value.type = kComI4;
        a.value.integer = 5;
        a.writeBack = true;
      }
    }
  };
  std::u16string failure;
  auto connection = ComConnectEvents(source_, iid, &recorder, &failure);
  ASSERT_NE(nullptr, connection);
  EXPECT_EQ(u"40|1.5|start|7|0.25|5|v", Call(u"FireAdjust", {Int(40)}).text);
}

}  // namespace
}  // namespace zelk::os
