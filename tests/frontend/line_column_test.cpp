// The line column keeps numbers; its text form is what the table view and
// messages show.
#include "frontend/line_column.h"

#include <gtest/gtest.h>

namespace zelk {
namespace {

TEST(LineColumn, TextFormRoundTripsAndRejectsWhatIsNoReference) {
  for (LineRef ref : {LineRef{0, 0}, LineRef{3, 17}, LineRef{12, 2147483647}}) {
    EXPECT_EQ(ref, LineRef::Parse(ref.Text()));
  }
  EXPECT_EQ(u"1,20", (LineRef{1, 20}).Text());
  EXPECT_EQ(u"", LineRef{}.Text());
  for (std::u16string_view bad : {u"", u",", u"1,", u",2", u"1", u"a,2", u"1,2x", u"1,2147483648",
                                  u"99999999999,1", u"-1,2"}) {
    EXPECT_TRUE(LineRef::Parse(bad).empty()) << std::string(bad.begin(), bad.end());
  }

  LineColumn column;
  column.push_back(LineRef{0, 1});
  column.push_back(LineRef{});
  column.resize(3);
  EXPECT_EQ(3u, column.size());
  EXPECT_TRUE(column[1].empty());
  EXPECT_TRUE(column[2].empty());
  column.Set(2, LineRef{4, 5});
  EXPECT_EQ(u"4,5", column.at(2).Text());
  EXPECT_THROW(column.at(3), std::out_of_range);
  EXPECT_THROW(column.Set(3, LineRef{}), std::out_of_range);
}

}  // namespace
}  // namespace zelk
